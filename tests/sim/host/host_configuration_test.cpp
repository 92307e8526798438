// natspeak.exe loads its global clients as Dragon does: the keys of "Global Clients" in
// nssystem.ini, each one's "App Support GUID" in nsapps.ini, a registered COM class.
#include "HostProgramSupport.h"

using namespace simhosttest;

namespace {

const wchar_t kFolder[] = L"C:\\ProgramData\\Nuance\\NaturallySpeaking15";
const wchar_t kSystem[] = L"C:\\ProgramData\\Nuance\\NaturallySpeaking15\\nssystem.ini";
const wchar_t kApps[] = L"C:\\ProgramData\\Nuance\\NaturallySpeaking15\\nsapps.ini";
const wchar_t kClient[] = L".QmSimHostTest";

// Adds the test client to Dragon's configuration and takes it out again afterwards,
// leaving other clients' entries alone.
struct ConfiguredClient {
    ConfiguredClient(const wchar_t* guid) {
        CreateDirectoryW(L"C:\\ProgramData\\Nuance", nullptr);
        CreateDirectoryW(kFolder, nullptr);
        WritePrivateProfileStringW(L"Global Clients", kClient, L"Custom COM Client", kSystem);
        WritePrivateProfileStringW(kClient, L"App Support GUID", guid, kApps);
    }
    ~ConfiguredClient() {
        WritePrivateProfileStringW(L"Global Clients", kClient, nullptr, kSystem);
        WritePrivateProfileStringW(kClient, nullptr, nullptr, kApps);
    }
};

DWORD Regsvr32(bool unregister) {
    return RunProgram(std::wstring(L"regsvr32 /s ") + (unregister ? L"/u " : L"") + L"\"" + WinePath(QM_TESTMODULE_DLL) + L"\"");
}

TEST(HostConfiguration, GlobalClientIsCreatedFromTheIniFilesAndItsRegisteredClass) {
    ASSERT_EQ(0u, Regsvr32(false));
    TestModuleLog log;
    {
        ConfiguredClient client(kTestModuleClsid);
        HostRun run = RunHost(L"", "expect-engine grammars 1\nsay hello module\nunregister\n");
        EXPECT_EQ(0u, run.exitCode) << run.transcript;
        EXPECT_TRUE(run.Has("global client .QmSimHostTest: created {5C7D2A41-93E8-4F0B-A6D1-2E8B7C3F9A10}"))
            << run.transcript;
        EXPECT_TRUE(run.Has("DllCanUnloadNow .QmSimHostTest: S_OK")) << run.transcript;
        EXPECT_EQ((std::vector<std::string>{"Register", "grammar loaded", "utterance begin",
                                            "PhraseFinish flags 3: hello module", "UnRegister", "final release"}),
                  log.Read());
    }
    EXPECT_EQ(0u, Regsvr32(true));
}

TEST(HostConfiguration, UnregisteredClassOrMissingGuidIsReportedAndNothingLoads) {
    Regsvr32(true);
    TestModuleLog log;
    {
        ConfiguredClient client(kTestModuleClsid);
        HostRun run = RunHost(L"", "expect-engine grammars 0\n");
        EXPECT_EQ(0u, run.exitCode) << run.transcript;
        EXPECT_TRUE(run.Has("global client .QmSimHostTest: CoCreateInstance {5C7D2A41-93E8-4F0B-A6D1-2E8B7C3F9A10} failed"))
            << run.transcript;
    }
    {
        ConfiguredClient client(L"");
        HostRun run = RunHost(L"", "expect-engine grammars 0\n");
        EXPECT_TRUE(run.Has("global client .QmSimHostTest: no \"App Support GUID\" in nsapps.ini")) << run.transcript;
    }
    EXPECT_TRUE(log.Read().empty());
}

} // namespace
