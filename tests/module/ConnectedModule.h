// A controller connected to the simulated recogniser, with its test-driver window, on the
// test's thread as on Dragon's; and the means to make things happen from inside the
// module's own message loops (script waits, the command editor, the Open dialog).
#pragma once

#include "../support/PumpUntil.h"
#include "Hold.h"
#include "BoxRecorder.h"
#include "DialogLog.h"
#include "ModuleController.h"
#include "PredefinedLists.h"
#include "SimEngine.h"
#include "../../ui/resource.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

inline std::wstring WindowTextOf(HWND window)
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, &text[0], static_cast<int>(text.size()))));
    return text;
}

// Runs work after a delay from whichever loop of this thread is dispatching then.
class LaterRunner {
public:
    LaterRunner()
    {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"QmTestLaterRunner";
        RegisterClassW(&windowClass);
        m_window = CreateWindowW(L"QmTestLaterRunner", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 windowClass.hInstance, nullptr);
        SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~LaterRunner() { DestroyWindow(m_window); }
    LaterRunner(const LaterRunner&) = delete;
    LaterRunner& operator=(const LaterRunner&) = delete;

    UINT_PTR post(std::function<void()> work, UINT delayMs)
    {
        const UINT_PTR id = m_nextId++;
        m_work[id] = std::move(work);
        SetTimer(m_window, id, delayMs, nullptr);
        return id;
    }

    void cancel(UINT_PTR id)
    {
        KillTimer(m_window, id);
        m_work.erase(id);
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message != WM_TIMER)
            return DefWindowProcW(window, message, wParam, lParam);
        KillTimer(window, wParam);
        auto* self = reinterpret_cast<LaterRunner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        auto found = self->m_work.find(wParam);
        if (found != self->m_work.end()) {
            std::function<void()> work = std::move(found->second);
            self->m_work.erase(found);
            work();
        }
        return 0;
    }

    HWND m_window = nullptr;
    UINT_PTR m_nextId = 1;
    std::map<UINT_PTR, std::function<void()>> m_work;
};

// Ends a wait that would otherwise never end: after the time limit the thread gets a quit
// message. fired() tells whether that was needed; a quit left over is taken away.
class QuitGuard {
public:
    explicit QuitGuard(LaterRunner& runner, UINT limitMs = 15000) : m_runner(runner)
    {
        m_timer = runner.post([this] {
            m_fired = true;
            PostQuitMessage(99);
        }, limitMs);
    }
    ~QuitGuard()
    {
        m_runner.cancel(m_timer);
        MSG message;
        PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
    QuitGuard(const QuitGuard&) = delete;
    QuitGuard& operator=(const QuitGuard&) = delete;
    bool fired() const { return m_fired; }

private:
    LaterRunner& m_runner;
    UINT_PTR m_timer = 0;
    bool m_fired = false;
};

class ConnectedModuleTest : public testing::Test {
protected:
    static constexpr const wchar_t* kDragonPath = L"C:\\Program Files\\Nuance\\NaturallySpeaking15\\Program\\natspeak.exe";

    void SetUp() override
    {
        engine.Options().windowModulePath = kDragonPath;
        ASSERT_EQ(S_OK, engine.CreateSite(site.GetAddressOf()));
        ASSERT_TRUE(controller.connectDragon(site.Get(), Hold(controller)));
        dialog = controller.dialogWindow();
        ASSERT_NE(nullptr, dialog);
        ASSERT_TRUE(WaitForDialogLog(dialog, "\"Tools - Shut Down\""));
        ClearLog();
    }

    void TearDown() override
    {
        controller.disconnectDragon(Hold(controller));
        engine.ReleaseSinks();
        for (HWND window : windows)
            DestroyWindow(window);
    }

    void ClearLog() { SetDlgItemTextW(dialog, IDC_MESSAGE_LOG, L""); }
    std::string Log() const { return DialogLogText(dialog); }

    // The log once a marker written after everything before it has arrived.
    std::string SettledLog()
    {
        controller.grammarOwner.log("<settled>");
        EXPECT_TRUE(WaitForDialogLog(dialog, "<settled>"));
        std::string log = Log();
        return log.substr(0, log.rfind("<settled>"));
    }

    bool TranscriptHas(const std::string& text) const
    {
        for (const std::string& line : engine.Transcript())
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }

    // Index of the first transcript line containing text, or -1.
    int TranscriptLine(const std::string& text) const
    {
        const std::vector<std::string> lines = engine.Transcript();
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].find(text) != std::string::npos)
                return static_cast<int>(i);
        return -1;
    }

    void Menu(WORD id) { SendMessageW(controller.commands.controllerWindow(), WM_COMMAND, id, 0); }

    std::wstring DriverBox(int id) const
    {
        wchar_t text[512] = {};
        GetDlgItemTextW(dialog, id, text, 512);
        return text;
    }

    // A top-level window of this process (so of "natspeak") with that title, in front.
    HWND Foreground(const wchar_t* title)
    {
        HWND window = CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 200, 100,
                                      nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        windows.push_back(window);
        SetForegroundWindow(window);
        EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == window; }, 3000));
        return window;
    }

    BoxRecorder boxes;
    qmsim::Engine engine;
    Microsoft::WRL::ComPtr<IServiceProvider> site;
    ModuleController controller;
    HWND dialog = nullptr;
    std::vector<HWND> windows;
    LaterRunner later;
};
