// Script execution against the simulated interpreter: checks, compile-error and COM-error
// boxes, runs with and without values and their cookies, the "%i|" line of the packed
// values, nested waits ending in either order, the quit message, and script ends taken off
// the queue by other loops or never coming.
#include "ConnectedModule.h"
#include "Hold.h"
#include "../../commands/ScriptRunner.h"

#include <vector>

namespace {

TEST(ScriptValuePacking, StringsFollowEachOtherWithTheirZerosAndPaddingToAMultipleOfFour)
{
    const struct {
        std::vector<const char*> values;
        DWORD valuesSize;
        std::vector<WCHAR> units; // the rest is zero
    } cases[] = {
        {{"ab", "xyz"}, 16, {97, 98, 0, 120, 121, 122, 0}},
        {{}, 0, {}},
        {{""}, 4, {}},
        {{"a"}, 4, {97}},
        {{"abc"}, 8, {97, 98, 99}},
        {{"On and Off", "7"}, 28, {'O', 'n', ' ', 'a', 'n', 'd', ' ', 'O', 'f', 'f', 0, '7'}},
    };
    for (const auto& c : cases) {
        std::vector<const char*> values = c.values;
        values.push_back(nullptr);
        DWORD valuesSize = 12345;
        std::vector<WCHAR> packed = PackScriptValues(values.data(), valuesSize);
        std::vector<WCHAR> expected = c.units;
        expected.resize(c.valuesSize, 0);
        EXPECT_EQ(c.valuesSize, valuesSize) << c.values.size();
        EXPECT_EQ(expected, packed) << c.values.size();
    }
}

class ScriptExecutionTest : public ConnectedModuleTest {
protected:
    std::string RunRequest(DWORD cookie) const { return "script run requested: cookie " + std::to_string(cookie); }
};

TEST_F(ScriptExecutionTest, ACheckOnlyCompilesAndACompileErrorIsShownWithTheNameAndLine)
{
    const DWORD serial = scriptSerial;
    EXPECT_EQ(1, controller.commands.scriptRunner().execScript("Beep\nTTSPlayString \"fine\"", nullptr, "a check", true,
                                                             Hold(controller)));
    EXPECT_TRUE(boxes.boxes.empty()) << Describe(boxes.boxes);
    EXPECT_EQ(0, controller.commands.scriptRunner().execScript("Beep\nFrobnicate", nullptr, "my name", true,
                                                             Hold(controller)));
    EXPECT_EQ(0, controller.commands.scriptRunner().execScript("Beep\nFrobnicate", nullptr, nullptr, false,
                                                             Hold(controller)));
    EXPECT_EQ(serial, scriptSerial);
    EXPECT_FALSE(TranscriptHas("script run requested"));
    ASSERT_EQ(2u, boxes.boxes.size()) << Describe(boxes.boxes);
    EXPECT_EQ(L"Error 1 compiling script:\n\nmy name\n\n(line 2)", boxes.boxes[0].text);
    EXPECT_EQ(L"Error 1 compiling script:\n\nexecScript\n\n(line 2)", boxes.boxes[1].text);
    for (const RecordedBox& box : boxes.boxes) {
        EXPECT_EQ(L"Error", box.caption);
        EXPECT_EQ(static_cast<UINT>(MB_ICONHAND), box.type);
        EXPECT_EQ(GetForegroundWindow(), box.owner);
    }
}

TEST_F(ScriptExecutionTest, ALongScriptAsTheNameIsCutSoThatTheLineStillShows)
{
    std::string script = "Frobnicate\n";
    script.append(400, '\'');
    EXPECT_EQ(0, controller.commands.scriptRunner().execScript(script.c_str(), nullptr, script.c_str(), true,
                                                             Hold(controller)));
    ASSERT_EQ(1u, boxes.boxes.size());
    const std::wstring& text = boxes.boxes[0].text;
    EXPECT_LE(text.size(), 255u);
    EXPECT_EQ(0u, text.find(L"Error 1 compiling script:\n\nFrobnicate\n''''"));
    EXPECT_EQ(text.size() - 13, text.find(L"...\n\n(line 1)")) << Narrow(text);
}

TEST_F(ScriptExecutionTest, AFailedCheckShowsTheComErrorAndNeverCountsAsCorrect)
{
    // The simulated interpreter refuses a null script with an error object.
    EXPECT_EQ(0, controller.commands.scriptRunner().execScript(nullptr, nullptr, "n", true, Hold(controller)));
    EXPECT_EQ(0, controller.commands.scriptRunner().execScript(nullptr, nullptr, "n", false, Hold(controller)));
    EXPECT_FALSE(TranscriptHas("script run requested"));
    ASSERT_EQ(2u, boxes.boxes.size()) << Describe(boxes.boxes);
    EXPECT_EQ(L"COM Error", boxes.boxes[0].caption);
    EXPECT_EQ(L"m_pIDgnSSvcInterpreter->CheckScript failed (HRESULT 0x80070057)\n\"CheckScript: no script\"",
              boxes.boxes[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONHAND), boxes.boxes[0].type);
    EXPECT_EQ(nullptr, boxes.boxes[0].owner);
}

TEST_F(ScriptExecutionTest, EachRunHasTheNextCookieAndEndsWithItsOwnResult)
{
    QuitGuard guard(later);
    const std::vector<const char*> abXyz = {"ab", "xyz", nullptr};
    const std::vector<const char*> justA = {"a", nullptr};
    const std::vector<const char*> none = {nullptr};
    const struct {
        const char* script;
        const char* const* values;
        int result;
        const char* request; // what follows the cookie in the run request
        const char* log;     // the packed values' line
        const char* end;     // what follows "script N" at the end
    } cases[] = {
        {"TTSPlayString \"hi\"", nullptr, 1, "", "", " done"},
        {"SendKeys _arg2 + _arg1", abXyz.data(), 1, ", 16 value units",
         "97|98|0|120|121|122|0|0|0|0|0|0|0|0|0|0|\n", " done"},
        {"TTSPlayString _arg2", justA.data(), 0, ", 4 value units", "97|0|0|0|\n", " error 6 line 1"},
        {"Beep", none.data(), 1, ", 0 value units", "\n", " done"},
    };
    for (const auto& c : cases) {
        ClearLog();
        const DWORD cookie = scriptSerial + 1;
        EXPECT_EQ(c.result, controller.commands.scriptRunner().execScript(c.script, c.values, c.script, false,
                                                                        Hold(controller))) << c.script;
        EXPECT_EQ(cookie, scriptSerial);
        const std::vector<std::string> transcript = engine.Transcript();
        EXPECT_NE(transcript.end(), std::find(transcript.begin(), transcript.end(), RunRequest(cookie) + c.request))
            << c.script;
        EXPECT_TRUE(TranscriptHas("script " + std::to_string(cookie) + c.end)) << c.script;
        EXPECT_EQ(c.log, SettledLog()) << c.script;
    }
    EXPECT_TRUE(TranscriptHas("script " + std::to_string(scriptSerial - 2) + " values [\"ab\", \"xyz\"]"));
    EXPECT_FALSE(guard.fired());
    EXPECT_TRUE(boxes.boxes.empty()) << Describe(boxes.boxes);
}

TEST_F(ScriptExecutionTest, NestedExecutionsEndWithTheirOwnResultsWhicheverEndArrivesFirst)
{
    QuitGuard guard(later);
    // The outer script fails at run time after its wait, the inner one succeeds. The inner
    // one starts while the outer one waits; its own wait decides whose end comes first.
    const struct {
        const char* inner;
        bool innerEndsFirst;
    } cases[] = {{"Beep", true}, {"Wait 900\nBeep", false}};
    for (const auto& c : cases) {
        const DWORD outerCookie = scriptSerial + 1;
        std::vector<std::string> returns;
        int innerResult = -1;
        later.post([&] {
            innerResult = controller.commands.scriptRunner().execScript(c.inner, nullptr, "inner", false,
                                                                      Hold(controller));
            returns.push_back("inner");
        }, 100);
        const int outerResult = controller.commands.scriptRunner().execScript("Wait 400\nTTSPlayString _arg1", nullptr,
                                                                            "outer", false, Hold(controller));
        returns.push_back("outer");
        EXPECT_EQ(0, outerResult) << c.inner;
        EXPECT_EQ(1, innerResult) << c.inner;
        EXPECT_EQ((std::vector<std::string>{"inner", "outer"}), returns) << c.inner;
        const int outerEnd = TranscriptLine("script " + std::to_string(outerCookie) + " error");
        const int innerEnd = TranscriptLine("script " + std::to_string(outerCookie + 1) + " done");
        ASSERT_GE(outerEnd, 0);
        ASSERT_GE(innerEnd, 0);
        EXPECT_EQ(c.innerEndsFirst, innerEnd < outerEnd) << c.inner;
        EXPECT_FALSE(controller.commands.scriptRunner().waiting());
    }
    EXPECT_FALSE(guard.fired());
}

TEST_F(ScriptExecutionTest, AQuitMessageEndsTheWaitAndStaysForTheLoopsAroundIt)
{
    later.post([] { PostQuitMessage(5); }, 100);
    const DWORD cookie = scriptSerial + 1;
    EXPECT_EQ(1, controller.commands.scriptRunner().execScript("Wait 1500", nullptr, "n", false, Hold(controller)));
    MSG quit;
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(5u, quit.wParam);
    EXPECT_FALSE(controller.commands.scriptRunner().waiting());
    // The script still ends in the interpreter, for nobody.
    EXPECT_TRUE(PumpUntil([&] { return TranscriptHas("script " + std::to_string(cookie) + " done"); }));
}

TEST_F(ScriptExecutionTest, AnEndTakenOffTheQueueByAnotherLoopStillEndsItsWait)
{
    QuitGuard guard(later);
    const DWORD cookie = scriptSerial + 1;
    // A loop inside the wait, as a dialog's or a box's, that knows nothing of script ends.
    later.post([&] {
        PumpUntil([&] { return TranscriptHas("script " + std::to_string(cookie) + " error"); });
        PumpUntil([] { return false; }, 100);
    }, 20);
    EXPECT_EQ(0, controller.commands.scriptRunner().execScript("Wait 200\nTTSPlayString _arg1", nullptr, "n", false,
                                                             Hold(controller)));
    EXPECT_FALSE(guard.fired());
}

TEST_F(ScriptExecutionTest, ARefusedRunAndADisconnectWhileWaitingEndWithoutAWait)
{
    QuitGuard guard(later);
    // A run refused by the interpreter never ends: it is a failure and nothing waits.
    // (A value buffer the interpreter cannot read is refused by the simulated one.)
    struct RefusingInterpreter : IDgnSSvcInterpreter {
        IDgnSSvcInterpreter* real;
        STDMETHODIMP QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
        STDMETHODIMP_(ULONG) AddRef() override { return 2; }
        STDMETHODIMP_(ULONG) Release() override { return 1; }
        STDMETHODIMP Register(IDgnSSvcActionNotifySink*) override { return S_OK; }
        STDMETHODIMP CheckScript(BSTR script, DWORD* number, DWORD* line) override
        {
            return real->CheckScript(script, number, line);
        }
        STDMETHODIMP RunScript(BSTR, DWORD*, DWORD*, BSTR, DWORD) override { return E_FAIL; }
        STDMETHODIMP RunScriptWithValues(BSTR, DWORD, WCHAR*, DWORD*, DWORD*, BSTR, DWORD) override
        {
            return E_FAIL;
        }
    } refusing;
    const Microsoft::WRL::ComPtr<IDgnSSvcInterpreter> real = controller.commands.scriptRunner().interpreter();
    refusing.real = real.Get();
    controller.commands.scriptRunner().setInterpreter(&refusing);
    const std::vector<const char*> values = {"a", nullptr};
    EXPECT_EQ(0, controller.commands.scriptRunner().execScript("Beep", nullptr, "n", false, Hold(controller)));
    EXPECT_EQ(0, controller.commands.scriptRunner().execScript("Beep", values.data(), "n", false, Hold(controller)));
    controller.commands.scriptRunner().setInterpreter(real);
    EXPECT_FALSE(controller.commands.scriptRunner().waiting());

    // Once disconnected, no script end can come: the wait ends as a failure.
    later.post([&] { controller.disconnectDragon(Hold(controller)); }, 100);
    EXPECT_EQ(0, controller.commands.scriptRunner().execScript("Wait 3000", nullptr, "n", false, Hold(controller)));
    EXPECT_FALSE(controller.commands.scriptRunner().waiting());
    EXPECT_FALSE(guard.fired());
}

TEST_F(ScriptExecutionTest, AMessageTheActiveDialogHandlesIsNotedButCompletesAtTheNextDispatch)
{
    QuitGuard guard(later);
    HWND active = CreateWindowExW(0, L"#32770", L"Active dialog", WS_POPUP | WS_VISIBLE | WS_CAPTION, 10, 10, 200,
                                  100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    // A button, which has no timers of its own (a focused edit's caret would).
    HWND button = CreateWindowExW(0, L"BUTTON", L"1", WS_CHILD | WS_VISIBLE, 5, 5, 40, 20, active, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    // The windows settle first (the display may move the activation meanwhile); then the
    // dialog is made active, and nothing else is left to be dispatched.
    PumpUntil([] { return false; }, 300);
    ASSERT_TRUE(PumpUntil([&] {
        if (GetActiveWindow() != active) {
            SetForegroundWindow(active);
            SetActiveWindow(active);
        }
        return GetActiveWindow() == active && !GetQueueStatus(QS_ALLINPUT);
    }));

    // IsDialogMessageW takes (and dispatches itself) any message for the dialog's windows.
    const UINT awaited = WM_APP + 5;
    bool laterMessageDispatched = false;
    PostMessageW(button, awaited, 7, 0x1234);
    later.post([&] { laterMessageDispatched = true; }, 300);
    EXPECT_EQ(0x1234, controller.commands.scriptRunner().waitForMessage(awaited, 7, Hold(controller)));
    EXPECT_TRUE(laterMessageDispatched);
    EXPECT_FALSE(controller.commands.scriptRunner().waiting());
    EXPECT_FALSE(guard.fired());
    DestroyWindow(active);
}

} // namespace
