#include "DragonRun.h"

#include "DragonConfigFiles.h"
#include "Resource.h"
#include "UtilityProcess.h"

#include <gtest/gtest.h>

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

std::string dragonStartTranscript(const char* natspeakPath, const char* scriptPath)
{
    wchar_t folder[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, folder);
    const std::wstring quitScript = std::wstring(folder) + L"qm-dragon-start.txt";
    const std::wstring transcript = std::wstring(folder) + L"qm-dragon-start.log";
    const std::wstring script = scriptPath ? windowsPathOf(scriptPath) : quitScript;
    if (!scriptPath)
        writeFile(quitScript.c_str(), "quit\n");
    removeFile(transcript.c_str());
    const DWORD code = runAndWait(L"\"" + windowsPathOf(natspeakPath) + L"\" --script \"" + script +
                                      L"\" --transcript \"" + transcript + L"\" --timeout 40",
                                  60000);
    std::string text;
    readFileBytes(transcript.c_str(), text);
    removeFile(quitScript.c_str());
    removeFile(transcript.c_str());
    return "host exit code " + std::to_string(code) + "\n" + text;
}

void toggleWithUtility(const wchar_t* expectedText, const std::wstring& program)
{
    UtilityProcess utility(program);
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
