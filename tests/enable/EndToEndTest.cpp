// The whole way: the utility switches the module on in Dragon's files, and the simulated
// Dragon then creates and registers it at its start; switched off, Dragon no longer loads it.
#include "DragonRun.h"
#include "EnableUtilityTest.h"

#include <string>

namespace {

const wchar_t kModuleClassKey[] = L"CLSID\\{BC946B16-79E7-49E7-8902-75C25B2182A9}\\InprocServer32";

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
    std::string transcript = dragonStartTranscript(NATSPEAK_PATH);
    EXPECT_TRUE(contains(transcript, "global client .Quillmoor: created {BC946B16-79E7-49E7-8902-75C25B2182A9}"))
        << transcript;
    EXPECT_TRUE(contains(transcript, "Register .Quillmoor\n")) << transcript;
    EXPECT_TRUE(contains(transcript, "Register returned 0x00000000")) << transcript;
    EXPECT_TRUE(contains(transcript, "host exit code 0\n")) << transcript;

    toggleWithUtility(kDisabledText);
    transcript = dragonStartTranscript(NATSPEAK_PATH);
    EXPECT_FALSE(contains(transcript, ".Quillmoor")) << transcript;
    EXPECT_TRUE(contains(transcript, "no global client loaded")) << transcript;
    EXPECT_TRUE(contains(transcript, "host exit code 0\n")) << transcript;
}
