// natspeak.exe driving the modal dialogs that a module's menu commands open: the test
// module's editor (a classic dialog template with -1 labels) and the common Open dialog.
// The script goes on inside their modal loops; dialog steps see the controls' state as a
// person would; boxes are told from other dialogs.
#include "HostProgramSupport.h"

using namespace simhosttest;

namespace {

const char kEditor[] = "dialog \"Test Module Editor\" ";

std::wstring ModuleArgs() {
    return L"--module \"" + WinePath(QM_TESTMODULE_DLL) + L"\" --clsid " + kTestModuleClsid;
}

// A script argument in double quotes, written with the script language's escapes.
std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text)
        out += c == '\\' ? "\\\\" : c == '"' ? "\\\"" : c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
    return out + "\"";
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// The transcript lines that start with start (command echoes start with "> ").
size_t LinesStartingWith(const HostRun& run, const std::string& start) {
    size_t count = 0;
    for (const std::string& line : Lines(run.transcript))
        count += line.compare(0, start.size(), start) == 0;
    return count;
}

std::string FailedLine(const HostRun& run) {
    for (const std::string& line : Lines(run.transcript))
        if (line.compare(0, 12, "FAILED line ") == 0)
            return line;
    return std::string();
}

// The test module with its test-driver window, and a file for the Open dialog to pick.
struct DialogHost {
    TestModuleLog log;
    std::wstring file = TempFile(L"qm-dialog-test.bin");
    DialogHost() {
        SetEnvironmentVariableW(L"QM_TESTMODULE_DRIVER", L"1");
        WriteText(file, "not a grammar");
    }
    ~DialogHost() {
        SetEnvironmentVariableW(L"QM_TESTMODULE_DRIVER", nullptr);
        DeleteFileW(file.c_str());
    }
    HostRun Run(const std::string& steps, DWORD timeoutSeconds = 60) {
        return RunHost(ModuleArgs(), "wait-log \"driver ready\"\n" + steps, timeoutSeconds);
    }
};

TEST(HostDialogs, StepsRightAfterAMenuThatOpensAModalDialogDriveItThirtyTimesInARow) {
    DialogHost host;
    std::string path = Narrow(host.file);
    std::string script;
    for (int round = 1; round <= 30; ++round) {
        std::string name = "round " + std::to_string(round);
        script += "menu 40701\n" + std::string(kEditor) + "expect-checked 1001\n" + kEditor + "expect-disabled 1004\n" +
                  kEditor + "check 1002\n" + kEditor + "click 1003\n" + kEditor + "expect-enabled 1004\n" + kEditor +
                  "set 1005 " + Quoted(name) + "\n" + kEditor + "click 1004\n" + kEditor + "expect-exact 1006 " +
                  Quoted("applied\r\n" + name) + "\n" + kEditor + "click 1\n" + "wait-log " +
                  Quoted("editor ok: scope specific, allow 1, name \"" + name + "\"\n") + " 5000\n" +
                  "menu 40702\n"
                  "file-dialog " + Quoted(path) + "\n"
                  "wait-log " + Quoted("name \"" + name + "\"\nmenu 40702\nopen ok " + path + "\n") + " 5000\n";
    }
    HostRun run = host.Run(script, 240);
    EXPECT_EQ(0u, run.exitCode) << run.transcript;
    size_t answered = 0; // whatever the dialog's title in the system's language
    for (const std::string& line : Lines(run.transcript))
        answered += line.compare(0, 13, "file dialog \"") == 0 && line.find("\" -> \"" + path + "\"") != std::string::npos;
    EXPECT_EQ(30u, answered) << run.transcript;
    EXPECT_EQ(0u, LinesStartingWith(run, "box ")) << run.transcript;
}

struct VerbCase {
    const char* what;
    std::string steps;      // after the editor was opened
    const char* failure;    // the FAILED text, or null when the script passes
};

TEST(HostDialogs, DialogVerbsPassAndFailAsAPersonWouldSeeTheDialog) {
    DialogHost host;
    std::string path = Quoted(Narrow(host.file));
    std::string okTwiceWithoutName = std::string(kEditor) + "click 1\n" + "expect-box \"Test Module Error\"\n" +
                                     kEditor + "click 1\n";
    const VerbCase cases[] = {
        {"state of enabled, disabled and checked controls",
         std::string(kEditor) + "expect-enabled 1001\n" + kEditor + "expect-disabled 1004\n" + kEditor +
             "expect-checked 1001\n",
         nullptr},
        {"expect-enabled on a disabled control", std::string(kEditor) + "expect-enabled 1004\n",
         "control 1004 of \"Test Module Editor\" is disabled"},
        {"expect-disabled on an enabled control", std::string(kEditor) + "expect-disabled 1002\n",
         "control 1002 of \"Test Module Editor\" is enabled"},
        {"expect-checked on an unchecked radio button", std::string(kEditor) + "expect-checked 1002\n",
         "control 1002 of \"Test Module Editor\" is not checked"},
        {"check moves the radio choice and keeps a checked one", std::string(kEditor) + "check 1002\n" + kEditor +
             "check 1002\n" + kEditor + "expect-checked 1002\n" + kEditor + "check 1003\n" + kEditor +
             "expect-enabled 1004\n",
         nullptr},
        {"check on a push button", std::string(kEditor) + "check 2\n",
         "control 2 of \"Test Module Editor\" is no check box or radio button"},
        {"click on a disabled button", std::string(kEditor) + "click 1004\n",
         "control 1004 of \"Test Module Editor\" is disabled: a person could not use it"},
        {"set on a control that is not there", std::string(kEditor) + "set 4711 x\n",
         "dialog \"Test Module Editor\" has no control 4711"},
        {"expect-exact keeps the carriage return that equals leaves out",
         std::string(kEditor) + "check 1003\n" + kEditor + "click 1004\n" + kEditor + "equals 1006 \"applied\\n\"\n" +
             kEditor + "expect-exact 1006 \"applied\\r\\n\"\n" + kEditor + "expect-exact 1006 \"applied\\n\"\n",
         "control 1006 of \"Test Module Editor\" reads \"applied\\r\\n\", not exactly \"applied\\n\""},
        {"boxes are counted", okTwiceWithoutName + "expect-box-count \"Test Module Error\" 2\n" +
                                  "expect-box-count \"Test Module Error\" \"name is needed\" 2\n" +
                                  "expect-box-count \"Test Module Error\" \"other text\" 0\n",
         nullptr},
        {"a count below the boxes seen", okTwiceWithoutName + "expect-box-count \"Test Module Error\" 1\n",
         "2 boxes \"Test Module Error\" with \"*\" appeared, not 1"},
        {"a count above the boxes seen", okTwiceWithoutName + "expect-box-count \"Test Module Error\" 3\n",
         "2 boxes \"Test Module Error\" with \"*\" appeared, not 3"},
        {"file-dialog answers and cancels the Open dialog",
         std::string(kEditor) + "click 2\nmenu 40702\nfile-dialog " + path + "\nwait-log \"open ok \"\n" +
             "wait-transcript \"file dialog \\\"\"\nmenu 40702\nfile-dialog cancel\nwait-log \"open cancelled 0\"\n",
         nullptr},
        {"file-dialog without an Open dialog", std::string(kEditor) + "click 2\nfile-dialog " + path + "\n",
         "no common Open dialog appeared"},
        {"file-dialog with a file that is not there",
         std::string(kEditor) + "click 2\nmenu 40702\nfile-dialog \"C:\\\\no such folder\\\\none.bin\"\n",
         "is still open after \"C:\\no such folder\\none.bin\""},
        {"wait-transcript that never comes", "wait-transcript \"never said\" 300\n",
         "the transcript does not contain \"never said\""},
    };
    for (const VerbCase& c : cases) {
        HostRun run = host.Run("menu 40701\n" + c.steps);
        if (!c.failure) {
            EXPECT_EQ(0u, run.exitCode) << c.what << "\n" << run.transcript;
            continue;
        }
        EXPECT_EQ(1u, run.exitCode) << c.what << "\n" << run.transcript;
        EXPECT_NE(std::string::npos, FailedLine(run).find(c.failure)) << c.what << "\n" << run.transcript;
    }
}

// Run on a German system by sim_host_dialog_tests_german (Wine takes the system language
// from a program's locale environment, LC_ALL).
TEST(HostDialogs, TheOpenDialogIsFoundByItsControlsOnAGermanSystem) {
    if ((GetSystemDefaultLCID() & 0x3FF) != 0x07)
        GTEST_SKIP() << "not a German system";
    DialogHost host;
    HostRun run = host.Run("menu 40702\nfile-dialog " + Quoted(Narrow(host.file)) + "\nwait-log \"open ok \"\n");
    EXPECT_EQ(0u, run.exitCode) << run.transcript;
    EXPECT_EQ(1u, LinesStartingWith(run, "file dialog \"\xC3\x96" "ffnen\" -> ")) << run.transcript;
}

TEST(HostDialogs, AClassicDialogWithMinusOneLabelsIsNoMessageBoxButItsBoxIs) {
    DialogHost host;
    HostRun run = host.Run("menu 40701\n"
                           "expect-window \"Test Module Editor\" visible\n"
                           "sleep 400\n"
                           "expect-no-box \"Test Module Editor\"\n" +
                           std::string(kEditor) + "click 1\n"
                           "expect-box \"Test Module Error\" \"A name is needed.\"\n" +
                           kEditor + "set 1005 kept\n" + kEditor + "click 1\n"
                           "wait-log \"editor ok: scope global, allow 0, name \\\"kept\\\"\"\n");
    EXPECT_EQ(0u, run.exitCode) << run.transcript;
    EXPECT_TRUE(run.Has("box \"Test Module Error\" \"A name is needed.\" -> ok")) << run.transcript;
    EXPECT_EQ(0u, LinesStartingWith(run, "box \"Test Module Editor\"")) << run.transcript;
}

} // namespace
