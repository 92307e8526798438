// The whole way: the utility switches the module on in Dragon's files, and the simulated
// Dragon then creates and registers it at its start; switched off, Dragon no longer loads it.
#include "EnableUtilityTest.h"

#include <string>

namespace {

const wchar_t kModuleClassKey[] = L"CLSID\\{BC946B16-79E7-49E7-8902-75C25B2182A9}\\InprocServer32";

DWORD runAndWait(std::wstring commandLine, DWORD timeoutMs)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return GetLastError() | 0x80000000u;
    CloseHandle(info.hThread);
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(info.hProcess, &code);
    else
        TerminateProcess(info.hProcess, 99);
    CloseHandle(info.hProcess);
    return code;
}

std::wstring registeredServer()
{
    wchar_t path[MAX_PATH] = L"";
    LONG size = sizeof path;
    if (RegQueryValueW(HKEY_CLASSES_ROOT, kModuleClassKey, path, &size) != ERROR_SUCCESS)
        return std::wstring();
    return path;
}

// Registers the module's COM class for the test and puts the earlier registration back.
class ModuleRegistration
{
public:
    ModuleRegistration() : previous_(registeredServer())
    {
        ok_ = runAndWait(L"regsvr32.exe /s \"" + windowsPathOf(QUILLMOOR_PATH) + L"\"", 30000) == 0;
    }
    ~ModuleRegistration()
    {
        if (previous_.empty())
            runAndWait(L"regsvr32.exe /s /u \"" + windowsPathOf(QUILLMOOR_PATH) + L"\"", 30000);
        else
            runAndWait(L"regsvr32.exe /s \"" + previous_ + L"\"", 30000);
    }
    bool ok() const { return ok_; }

private:
    std::wstring previous_;
    bool ok_ = false;
};

// Starts the simulated Dragon, which loads its global clients, and ends it at once.
std::string dragonStartTranscript()
{
    wchar_t folder[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, folder);
    const std::wstring script = std::wstring(folder) + L"qm-enable-e2e.txt";
    const std::wstring transcript = std::wstring(folder) + L"qm-enable-e2e.log";
    writeFile(script.c_str(), "quit\n");
    removeFile(transcript.c_str());
    const DWORD code = runAndWait(L"\"" + windowsPathOf(NATSPEAK_PATH) + L"\" --script \"" + script +
                                      L"\" --transcript \"" + transcript + L"\" --timeout 40",
                                  60000);
    std::string text;
    HANDLE file = CreateFileW(transcript.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
            text.append(buffer, got);
        CloseHandle(file);
    }
    removeFile(script.c_str());
    removeFile(transcript.c_str());
    return "host exit code " + std::to_string(code) + "\n" + text;
}

void toggleWithUtility(const wchar_t* expectedText)
{
    UtilityProcess utility;
    ASSERT_TRUE(utility.started());
    utility.click(IDC_TOGGLE_ENABLED);
    ASSERT_EQ(expectedText, utility.waitForText(IDC_ENABLED_TEXT, expectedText));
    utility.click(IDCANCEL);
    ASSERT_EQ(0u, utility.waitForExit());
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

using EndToEnd = EnableUtilityTest;

TEST_F(EndToEnd, DragonLoadsTheModuleOnlyWhileEnabled)
{
    ModuleRegistration registration;
    ASSERT_TRUE(registration.ok());
    ensureConfigFolder();
    removeFile(kSystemIni);
    removeFile(kAppsIni);

    toggleWithUtility(kEnabledText);
    std::string transcript = dragonStartTranscript();
    EXPECT_TRUE(contains(transcript, "global client .Quillmoor: created {BC946B16-79E7-49E7-8902-75C25B2182A9}"))
        << transcript;
    EXPECT_TRUE(contains(transcript, "Register .Quillmoor\n")) << transcript;
    EXPECT_TRUE(contains(transcript, "Register returned 0x00000000")) << transcript;
    EXPECT_TRUE(contains(transcript, "host exit code 0\n")) << transcript;

    toggleWithUtility(kDisabledText);
    transcript = dragonStartTranscript();
    EXPECT_FALSE(contains(transcript, ".Quillmoor")) << transcript;
    EXPECT_TRUE(contains(transcript, "no global client loaded")) << transcript;
    EXPECT_TRUE(contains(transcript, "host exit code 0\n")) << transcript;
}
