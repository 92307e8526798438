#include "ModuleLog.h"
#include "HostText.h"
#include "WindowSearch.h"

namespace qmhost {
namespace {

const wchar_t kModuleDialogTitle[] = L"Quillmoor New Testing - Grammar Object Test Driver";
constexpr int kModuleLogId = 201;

// The hook procedure has no parameter of its own.
LogHistory* g_history = nullptr;

} // namespace

HWND FindModuleDialog() { return FindTopLevel(kModuleDialogTitle, true, true); }

std::string ReadModuleLog() {
    HWND dialog = FindModuleDialog();
    HWND log = dialog ? GetDlgItem(dialog, kModuleLogId) : nullptr;
    return log ? WithoutReturns(qmsim::Narrow(WindowText(log))) : std::string();
}

LogHistory::LogHistory() { g_history = this; }

LogHistory::~LogHistory() {
    Unhook();
    g_history = nullptr;
}

void LogHistory::Unhook() {
    HHOOK hook;
    {
        std::lock_guard<std::mutex> guard(lock_);
        hook = hook_;
        hook_ = nullptr;
        dialog_ = log_ = nullptr;
    }
    if (hook)
        UnhookWindowsHookEx(hook); // fails harmlessly when the thread has ended
}

void LogHistory::Follow() {
    HWND dialog = FindModuleDialog();
    HWND log = dialog ? GetDlgItem(dialog, kModuleLogId) : nullptr;
    if (!log)
        return;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (dialog == dialog_ && hook_)
            return;
    }
    Unhook();
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROCRET, AfterMessage, nullptr, GetWindowThreadProcessId(dialog, nullptr));
    if (!hook)
        return;
    {
        std::lock_guard<std::mutex> guard(lock_);
        hook_ = hook;
        dialog_ = dialog;
        log_ = log;
    }
    Keep(WithoutReturns(qmsim::Narrow(WindowText(log))));
}

LRESULT CALLBACK LogHistory::AfterMessage(int code, WPARAM wParam, LPARAM lParam) {
    // Runs on the dialog's thread, after the control has handled the message.
    const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && sent && (sent->message == EM_REPLACESEL || sent->message == WM_SETTEXT)) {
        LogHistory* history = g_history;
        bool ours = false;
        if (history) {
            std::lock_guard<std::mutex> guard(history->lock_);
            ours = sent->hwnd == history->log_;
        }
        if (ours)
            history->Keep(WithoutReturns(qmsim::Narrow(WindowText(sent->hwnd))));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void LogHistory::Keep(const std::string& text) {
    if (text.empty())
        return;
    std::lock_guard<std::mutex> guard(lock_);
    // A text that continues the last one replaces it: appends keep one growing entry.
    if (!texts_.empty() && text.compare(0, texts_.back().size(), texts_.back()) == 0)
        texts_.back() = text;
    else
        texts_.push_back(text);
}

bool LogHistory::Contains(const std::string& text) const {
    std::lock_guard<std::mutex> guard(lock_);
    for (const std::string& held : texts_)
        if (held.find(text) != std::string::npos)
            return true;
    return false;
}

std::vector<std::string> LogHistory::Texts() const {
    std::lock_guard<std::mutex> guard(lock_);
    return texts_;
}

} // namespace qmhost
