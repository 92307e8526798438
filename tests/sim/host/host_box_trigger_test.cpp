// natspeak.exe acting inside a message box: on-box runs its command in the box's modal
// loop before the box is answered, and unregister may come while the module still waits
// for the box, which keeps it from unloading until the box is gone.
#include "HostProgramSupport.h"

#include <algorithm>

using namespace simhosttest;

namespace {

const std::string kAsk = "menu 40703\n"; // the test module's "Test Module Question" box
const std::string kQuestion = "\"Test Module Question\" \"Go on with the test?\"";

std::wstring ModuleArgs() {
    return L"--module \"" + WinePath(QM_TESTMODULE_DLL) + L"\" --clsid " + kTestModuleClsid;
}

// The first part of the transcript that is missing, or that comes before the one
// ahead of it; empty when all are there in order.
std::string OutOfOrder(const std::string& transcript, const std::vector<std::string>& parts) {
    size_t at = 0;
    for (const std::string& part : parts) {
        size_t found = transcript.find(part, at);
        if (found == std::string::npos)
            return part;
        at = found + part.size();
    }
    return std::string();
}

size_t Count(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

size_t CountStartingWith(const std::vector<std::string>& lines, const std::string& start) {
    return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), [&start](const std::string& line) {
        return line.compare(0, start.size(), start) == 0;
    }));
}

struct TriggerCase {
    const char* name;
    bool boxOnRecognition;               // QM_TESTMODULE_BOX: a "Test Module" box in PhraseFinish
    std::string script;                  // after the driver is ready
    DWORD exitCode;
    std::vector<std::string> moduleLog;  // between Register's lines and the end
    std::vector<std::string> transcript; // parts, in this order
};

TEST(HostBoxTriggers, CommandsRunInsideTheBoxBeforeItIsAnswered) {
    const std::string say = "say hello module";
    const TriggerCase cases[] = {
        {"the command and its utterance end before the box's answer by its rule", false,
         "box \"Test Module Question\" * -> no\n"
         "on-box \"Test Module Question\" \"Go on\" " + say + "\n" + kAsk + "wait-log \"question answer 7\"\n",
         0,
         {"question box", "utterance begin", "PhraseFinish flags 3: hello module", "question answer 7"},
         {"box " + kQuestion + " held for on-box line 3", "> " + say, "recognised grammar 1",
          "box " + kQuestion + " -> no"}},
        {"a text the box does not contain leaves it to its default button", false,
         "on-box \"Test Module Question\" \"Stop\" " + say + "\n" + kAsk + "wait-log \"question answer 6\"\n",
         0,
         {"question box", "question answer 6"},
         {"box " + kQuestion + " -> yes", "> wait-log"}},
        {"armed once: the box the command opens is answered by its own rule, then the first", false,
         "box \"Test Module Question\" * -> no\n"
         "on-box \"Test Module Question\" * menu 40703\n" + kAsk + "wait-log \"question answer 7\\nquestion answer 7\"\n",
         0,
         {"question box", "question box", "question answer 7", "question answer 7"},
         {"held for on-box line 3", "> menu 40703", "box " + kQuestion + " -> no", "box " + kQuestion + " -> no"}},
        {"a failing command ends the script and still answers the box", false,
         "on-box \"Test Module Question\" * expect-engine grammars 5\n" + kAsk,
         1,
         {"question box", "question answer 6"},
         {"held for on-box line 2", "FAILED line 2: the engine has 1 grammars, not 5", "box " + kQuestion + " -> yes"}},
        {"a second trigger takes the box the first one's command opens", false,
         "on-box \"Test Module Question\" * menu 40703\n"
         "on-box \"Test Module Question\" * " + say + "\n" + kAsk + "wait-log \"question answer 6\\nquestion answer 6\"\n",
         0,
         {"question box", "question box", "utterance begin", "PhraseFinish flags 3: hello module", "question answer 6",
          "question answer 6"},
         {"held for on-box line 2", "> menu 40703", "held for on-box line 3", "> " + say, "box " + kQuestion + " -> yes",
          "box " + kQuestion + " -> yes"}},
        {"a box shown while a say step is under way", true,
         "on-box \"Test Module\" Heard echo \"inside\"\n" + say + "\n",
         0,
         {"utterance begin", "PhraseFinish flags 3: hello module", "box answer 6"},
         {"> " + say, "held for on-box line 2", "> echo \"inside\"", "\ninside\n", "box \"Test Module\" \"Heard"}},
    };
    for (const TriggerCase& c : cases) {
        SCOPED_TRACE(c.name);
        TestModuleLog log;
        SetEnvironmentVariableW(L"QM_TESTMODULE_DRIVER", L"1");
        SetEnvironmentVariableW(L"QM_TESTMODULE_BOX", c.boxOnRecognition ? L"1" : nullptr);
        HostRun run = RunHost(ModuleArgs(), "wait-log \"driver ready\"\n" + c.script);
        SetEnvironmentVariableW(L"QM_TESTMODULE_DRIVER", nullptr);
        SetEnvironmentVariableW(L"QM_TESTMODULE_BOX", nullptr);
        EXPECT_EQ(c.exitCode, run.exitCode) << run.transcript;
        std::vector<std::string> expected = {"Register", "grammar loaded"};
        expected.insert(expected.end(), c.moduleLog.begin(), c.moduleLog.end());
        expected.insert(expected.end(), {"UnRegister", "final release"});
        EXPECT_EQ(expected, log.Read()) << run.transcript;
        EXPECT_EQ("", OutOfOrder(run.transcript, c.transcript)) << run.transcript;
    }
}

TEST(HostBoxTriggers, UnregisterFreesTheModuleOnlyOnceItCanUnload) {
    struct UnloadCase {
        const char* name;
        const wchar_t* neverUnload;
        std::string script;
        DWORD exitCode;
        std::vector<std::string> transcript;
    };
    const UnloadCase cases[] = {
        {"inside the box the busy module waits to be freed until the box is gone", nullptr,
         "on-box \"Test Module Question\" * unregister\n" + kAsk + "wait-transcript \"-> yes\"\nexpect-transcript \"freed \"\nsay hello module\n",
         0,
         {"> unregister", "UnRegister returned 0x00000000", ": S_FALSE", "box " + kQuestion + " -> yes", ": S_OK",
          "\nfreed ", "> say hello module", "not recognised", "exit code 0"}},
        {"a module that never can unload fails the run", L"1", "unregister\necho after\n", 1,
         {": S_FALSE", "> echo after", "script completed", "still cannot unload (DllCanUnloadNow)", "exit code 1"}},
        {"at the end of a run that did not unregister it, only a note", L"1", "echo only\n", 0,
         {"UnRegister returned", ": S_FALSE", "note: a module could not unload at exit", "exit code 0"}},
        {"nothing reaches the unregistered module's window", nullptr, "unregister\nmenu 40000\n", 1,
         {"FAILED line 3: the module is unregistered"}},
    };
    for (const UnloadCase& c : cases) {
        SCOPED_TRACE(c.name);
        TestModuleLog log;
        SetEnvironmentVariableW(L"QM_TESTMODULE_DRIVER", L"1");
        SetEnvironmentVariableW(L"QM_TESTMODULE_NEVER_UNLOAD", c.neverUnload);
        HostRun run = RunHost(ModuleArgs(), "wait-log \"driver ready\"\n" + c.script);
        SetEnvironmentVariableW(L"QM_TESTMODULE_DRIVER", nullptr);
        SetEnvironmentVariableW(L"QM_TESTMODULE_NEVER_UNLOAD", nullptr);
        EXPECT_EQ(c.exitCode, run.exitCode) << run.transcript;
        EXPECT_EQ("", OutOfOrder(run.transcript, c.transcript)) << run.transcript;
        std::vector<std::string> lines = log.Read();
        EXPECT_EQ(1u, Count(lines, "UnRegister")) << run.transcript;
        EXPECT_EQ(1u, Count(lines, "final release")) << run.transcript;
        EXPECT_EQ(c.neverUnload ? 0u : 1u, CountStartingWith(Lines(run.transcript), "freed ")) << run.transcript;
    }
}

TEST(HostBoxTriggers, AnOnBoxWithoutCaptionTextAndCommandIsAUsageError) {
    std::wstring script = TempFile(L"qm-simhost-onbox.txt");
    const std::pair<const char*, DWORD> cases[] = {
        {"on-box\n", 2u},
        {"on-box \"Test Module Question\"\n", 2u},
        {"on-box \"Test Module Question\" *\n", 2u},
        {"echo fine\non-box \"Test Module Question\" * on-box Other *\n", 2u},
        {"on-box \"Test Module Question\" * echo \"in the box\"\n", 0u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        WriteText(script, c.first);
        EXPECT_EQ(c.second, RunProgram(L"\"" + WinePath(QM_NATSPEAK_EXE) + L"\" --module \"" +
                                       WinePath(QM_TESTMODULE_DLL) + L"\" --clsid " + kTestModuleClsid +
                                       L" --timeout 30 --script \"" + script + L"\""));
    }
    DeleteFileW(script.c_str());
}

} // namespace
