// The module's message log: control 201 of its test-driver dialog, found by the title
// prefix "Quillmoor New Testing - Grammar Object Test Driver". Besides reading it now,
// the host keeps every text the log has held, so that lines written just before the
// dialog closed (or before the log was cleared) can still be checked.
#pragma once

#include <windows.h>
#include <mutex>
#include <string>
#include <vector>

namespace qmhost {

// The module's test-driver dialog (null if none).
HWND FindModuleDialog();
// Text of the log now, without carriage returns.
std::string ReadModuleLog();

// Watches the log through a hook on the dialog's thread that sees every EM_REPLACESEL and
// WM_SETTEXT the control handles; polling could miss a text written and destroyed at once.
// One instance per process.
class LogHistory {
public:
    LogHistory();
    ~LogHistory();
    LogHistory(const LogHistory&) = delete;
    LogHistory& operator=(const LogHistory&) = delete;

    // Starts following the module's dialog when it is there and not followed yet (a new
    // dialog is followed instead of the old one); takes its current text.
    void Follow();
    // Some text the log has held contains text.
    bool Contains(const std::string& text) const;
    // The texts held, each the longest one before the log was cleared or replaced.
    std::vector<std::string> Texts() const;

private:
    static LRESULT CALLBACK AfterMessage(int code, WPARAM wParam, LPARAM lParam);
    void Keep(const std::string& text);
    void Unhook();

    mutable std::mutex lock_;
    std::vector<std::string> texts_;
    HWND dialog_ = nullptr;
    HWND log_ = nullptr;
    HHOOK hook_ = nullptr;
};

} // namespace qmhost
