// natspeak.exe with the test module loaded by path: the module's life in order, the script
// language's checks and exit codes, message boxes answered by rules, foreground windows.
#include "HostProgramSupport.h"

#include <algorithm>

using namespace simhosttest;

namespace {

std::wstring ModuleArgs() {
    return L"--module \"" + WinePath(QM_TESTMODULE_DLL) + L"\" --clsid " + kTestModuleClsid;
}

TEST(HostProgram, ModuleByPathIsRegisteredHearsUnregistersAndUnloads) {
    TestModuleLog log;
    HostRun run = RunHost(ModuleArgs(),
                          "expect-engine grammars 1\n"
                          "expect-engine active hello global\n"
                          "expect-engine engine-sinks 1\n"
                          "say hello module\n"
                          "say something else\n"
                          "unregister\n"
                          "expect-engine grammars 0\n"
                          "quit\n");
    EXPECT_EQ(0u, run.exitCode) << run.transcript;
    EXPECT_EQ((std::vector<std::string>{"Register", "grammar loaded", "utterance begin", "PhraseFinish flags 3: hello module",
                                        "utterance begin", "UnRegister", "final release"}),
              log.Read());
    EXPECT_TRUE(run.Has("recognised grammar 1: hello(rule 1, word 1) module(rule 1, word 2)")) << run.transcript;
    EXPECT_TRUE(run.Has("not recognised \"something else\""));
    EXPECT_TRUE(run.Has("grammars still loaded: 0"));
    EXPECT_TRUE(run.Has("sinks still registered: 0 engine, 0 action"));
    EXPECT_TRUE(run.Has("qm-testmodule.dll: S_OK")) << run.transcript;
    EXPECT_TRUE(run.Has("script completed"));
}

TEST(HostProgram, UnregisterHappensAtExitWhenTheScriptDoesNotAskForIt) {
    TestModuleLog log;
    HostRun run = RunHost(ModuleArgs(), "say hello module\n");
    EXPECT_EQ(0u, run.exitCode) << run.transcript;
    std::vector<std::string> lines = log.Read();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ("UnRegister", lines[lines.size() - 2]);
    EXPECT_EQ("final release", lines.back());
    EXPECT_TRUE(run.Has("DllCanUnloadNow"));
}

TEST(HostProgram, FailedExpectationsStopTheScriptWithExitCodeOne) {
    TestModuleLog log;
    HostRun run = RunHost(ModuleArgs(), "expect-engine grammars 5\nsay hello module\n");
    EXPECT_EQ(1u, run.exitCode);
    EXPECT_TRUE(run.Has("FAILED line 1: the engine has 1 grammars, not 5")) << run.transcript;
    EXPECT_FALSE(run.Has("say \"hello module\"")); // nothing after the failure

    run = RunHost(ModuleArgs(), "# comment\n\nfrobnicate\n");
    EXPECT_EQ(1u, run.exitCode);
    EXPECT_TRUE(run.Has("FAILED line 3: unknown command \"frobnicate\"")) << run.transcript;

    run = RunHost(ModuleArgs(), "expect-transcript \"never said\"\n");
    EXPECT_EQ(1u, run.exitCode);
    EXPECT_TRUE(run.Has("FAILED line 1: the transcript does not contain \"never said\""));
}

TEST(HostProgram, UsageErrorsGiveExitCodeTwo) {
    EXPECT_EQ(2u, RunProgram(L"\"" + WinePath(QM_NATSPEAK_EXE) + L"\" --frobnicate 1"));
    EXPECT_EQ(2u, RunProgram(L"\"" + WinePath(QM_NATSPEAK_EXE) + L"\" --script"));
    std::wstring script = TempFile(L"qm-simhost-quote.txt");
    WriteText(script, "say \"unterminated\n");
    EXPECT_EQ(2u, RunProgram(L"\"" + WinePath(QM_NATSPEAK_EXE) + L"\" --script \"" + script + L"\""));
    DeleteFileW(script.c_str());
}

TEST(HostProgram, MessageBoxesAreRecordedAndAnsweredByTheFirstMatchingRule) {
    TestModuleLog log;
    SetEnvironmentVariableW(L"QM_TESTMODULE_BOX", L"1");
    HostRun run = RunHost(ModuleArgs(),
                          "box \"Other Caption\" * -> yes\n"
                          "box \"Test Module\" \"Heard hello\" -> no\n"
                          "box \"Test Module\" * -> yes\n"
                          "say hello module\n"
                          "expect-box \"Test Module\" \"Heard hello module.\\r\\nAnswer?\"\n");
    EXPECT_EQ(0u, run.exitCode) << run.transcript;
    EXPECT_TRUE(run.Has("box \"Test Module\" \"Heard hello module.\\r\\nAnswer?\" -> no")) << run.transcript;

    // Without a rule the box's default button answers.
    HostRun defaulted = RunHost(ModuleArgs(), "say hello module\nexpect-no-box \"Other Caption\"\n");
    EXPECT_EQ(0u, defaulted.exitCode) << defaulted.transcript;
    EXPECT_TRUE(defaulted.Has("box \"Test Module\" \"Heard hello module.\\r\\nAnswer?\" -> yes")) << defaulted.transcript;
    SetEnvironmentVariableW(L"QM_TESTMODULE_BOX", nullptr);

    std::vector<std::string> lines = log.Read();
    std::vector<std::string> answers;
    for (const std::string& line : lines)
        if (line.compare(0, 10, "box answer") == 0)
            answers.push_back(line);
    EXPECT_EQ((std::vector<std::string>{"box answer 7", "box answer 6"}), answers); // IDNO, IDYES
}

TEST(HostProgram, ALaterRuleForTheSameBoxAnswersItDifferently) {
    TestModuleLog log;
    SetEnvironmentVariableW(L"QM_TESTMODULE_BOX", L"1");
    HostRun run = RunHost(ModuleArgs(),
                          "box \"Test Module\" * -> no\n"
                          "say hello module\n"
                          "box \"Test Module\" * -> yes\n"
                          "say hello module\n");
    SetEnvironmentVariableW(L"QM_TESTMODULE_BOX", nullptr);
    EXPECT_EQ(0u, run.exitCode) << run.transcript;
    std::vector<std::string> answers;
    for (const std::string& line : log.Read())
        if (line.compare(0, 10, "box answer") == 0)
            answers.push_back(line);
    EXPECT_EQ((std::vector<std::string>{"box answer 7", "box answer 6"}), answers); // IDNO, then IDYES
}

TEST(HostProgram, CloseBoxReachesTheWindowAndTheLogKeepsWhatItHeld) {
    TestModuleLog log;
    SetEnvironmentVariableW(L"QM_TESTMODULE_DRIVER", L"1");
    HostRun run = RunHost(ModuleArgs(),
                          "wait-log \"driver ready\"\n"
                          "menu 32771\n"
                          "wait-log \"menu 32771\"\n"
                          "close \"Quillmoor New Testing\"\n"
                          "expect-window \"Quillmoor New Testing\" hidden\n"
                          "expect-no-log \"driver ready\"\n"
                          "expect-logged \"driver ready\\nmenu 32771\\n\"\n"
                          // The last line is written and the window destroyed in one go.
                          "menu 40666\n"
                          "expect-logged \"menu 40666\"\n"
                          "expect-no-log \"menu 40666\"\n");
    EXPECT_EQ(0u, run.exitCode) << run.transcript;
    std::vector<std::string> lines = log.Read();
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "driver close"));

    HostRun never = RunHost(ModuleArgs(), "expect-logged \"never written\" 300\n");
    HostRun noWindow = RunHost(ModuleArgs(), "close \"No Such Window\"\n");
    SetEnvironmentVariableW(L"QM_TESTMODULE_DRIVER", nullptr);
    EXPECT_EQ(1u, never.exitCode);
    EXPECT_TRUE(never.Has("FAILED line 1: the log never contained \"never written\"; texts it held:\n---\ndriver ready"))
        << never.transcript;
    EXPECT_EQ(1u, noWindow.exitCode);
    EXPECT_TRUE(noWindow.Has("FAILED line 1: no window \"No Such Window\"")) << noWindow.transcript;
}

TEST(HostProgram, ForegroundReachesHostWindowsAndAnotherProcess) {
    TestModuleLog log;
    HostRun run = RunHost(ModuleArgs(),
                          "foreground dragonpad\n"
                          "foreground font\n"
                          "foreground other\n"
                          "foreground host\n"
                          "foreground other\n"
                          "window-rect \"Other Application\"\n"
                          "expect-window \"DragonPad\" visible\n");
    EXPECT_EQ(0u, run.exitCode) << run.transcript;
    EXPECT_TRUE(run.Has("foreground \"DragonPad - Document\"")) << run.transcript;
    EXPECT_TRUE(run.Has("foreground \"Font\"")) << run.transcript;
    EXPECT_TRUE(run.Has("foreground \"Other Application\"")) << run.transcript;
    EXPECT_TRUE(run.Has("foreground \"Dragon NaturallySpeaking (simulated)\""));
    EXPECT_TRUE(run.Has("window \"Other Application\": 600,100 300x200 visible"));
}

TEST(HostProgram, MenuCommandsReachTheDriverDialogAndItsLogIsRead) {
    TestModuleLog log;
    SetEnvironmentVariableW(L"QM_TESTMODULE_DRIVER", L"1");
    HostRun run = RunHost(ModuleArgs(),
                          "wait-log \"driver ready\"\n"
                          "menu 32771\n"
                          "wait-log \"menu 32771\\n\" 3000\n"
                          "expect-no-log \"menu 40000\"\n"
                          "menu 40000\n"
                          "expect-log \"menu 40000\"\n"
                          "dialog \"Quillmoor New Testing\" expect 201 \"ready\\nmenu 32771\"\n");
    EXPECT_EQ(0u, run.exitCode) << run.transcript;

    HostRun timeout = RunHost(ModuleArgs(), "wait-log \"never written\" 300\n");
    SetEnvironmentVariableW(L"QM_TESTMODULE_DRIVER", nullptr);
    EXPECT_EQ(1u, timeout.exitCode);
    EXPECT_TRUE(timeout.Has("FAILED line 1: the log does not contain \"never written\"; log:\ndriver ready"))
        << timeout.transcript;
}

TEST(HostProgram, DialogControlsAreSetReadSelectedAndClicked) {
    TestModuleLog log;
    HostRun run = RunHost(ModuleArgs(),
                          "foreground font\n"
                          "dialog Font set 1002 24\n"
                          "dialog Font expect 1002 24\n"
                          "dialog Font select 1001 \"Courier New\"\n"
                          "dialog Font read 1001\n"
                          "dialog Font click 2\n"
                          "expect-window Font hidden\n");
    EXPECT_EQ(0u, run.exitCode) << run.transcript;
    EXPECT_TRUE(run.Has("dialog \"Font\" control 1001: \"Courier New\"")) << run.transcript;

    HostRun missing = RunHost(ModuleArgs(), "foreground font\ndialog Font select 1001 Wingdings\n");
    EXPECT_EQ(1u, missing.exitCode);
    EXPECT_TRUE(missing.Has("control 1001 has no entry \"Wingdings\""));
}

TEST(HostProgram, WindowModuleQueryNamesForeignWindowsAndAnswersInjectedErrors) {
    TestModuleLog log;
    SetEnvironmentVariableW(L"QM_TESTMODULE_WINDOWMODULE", L"1");
    HostRun run = RunHost(ModuleArgs(),
                          "foreground other\n"
                          "say hello module\n"
                          "foreground dragonpad\n"
                          "inject window-module-too-small 1\n"
                          "say hello module\n"
                          "inject window-module-error 0x8004200C\n"
                          "say hello module\n"
                          "inject window-module-error none\n"
                          "inject resume-timeout 200\n"
                          "expect-engine list NoSuchList\n");
    SetEnvironmentVariableW(L"QM_TESTMODULE_WINDOWMODULE", nullptr);
    EXPECT_EQ(1u, run.exitCode); // the last line checks a list that does not exist
    EXPECT_TRUE(run.Has("FAILED line 10: no loaded grammar has a list \"NoSuchList\"")) << run.transcript;
    std::vector<std::string> modules;
    for (const std::string& line : log.Read())
        if (line.compare(0, 13, "window module") == 0)
            modules.push_back(line);
    ASSERT_EQ(4u, modules.size()) << run.transcript;
    EXPECT_EQ("window module 0x00000000 qm-otherapp.exe", modules[0]);
    EXPECT_EQ(0u, modules[1].find("window module too small, needed "));
    EXPECT_EQ("window module 0x00000000 natspeak.exe", modules[2]);
    EXPECT_EQ("window module 0x8004200C ", modules[3]);
}

TEST(HostProgram, NoCentralServiceLeavesTheModuleUnconnected) {
    TestModuleLog log;
    HostRun run = RunHost(ModuleArgs() + L" --no-central", "expect-engine grammars 0\n");
    EXPECT_EQ(0u, run.exitCode) << run.transcript;
    EXPECT_TRUE(run.Has("site: central service refused"));
    EXPECT_EQ((std::vector<std::string>{"Register", "no central", "UnRegister", "final release"}), log.Read());
}

} // namespace
