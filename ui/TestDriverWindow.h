// The "Grammar Object Test Driver" dialog, run by a UI thread of its own so that it stays
// responsive whatever Dragon's thread does. Dragon's thread writes the log by posting
// texts to it; the dialog forwards its menu commands to the controller window.
#pragma once

#include "../common/DriverWindowOutput.h"

#include <windows.h>

#include <atomic>

struct DriverThreadLink;

class TestDriverWindow final : public DriverWindowOutput {
public:
    // Written by the UI thread (dialog) and by Dragon's thread (controllerWindow) and read
    // by the other one, hence atomic; both convert to HWND wherever a handle is expected.
    std::atomic<HWND> dialog{nullptr};            // 0 before the dialog exists and after stop
    std::atomic<HWND> controllerWindow{nullptr};  // where menu commands go; 0 drops them
    HANDLE thread = nullptr;
    HANDLE readyEvent = nullptr;                  // only during the start

    // Starts the UI thread and waits up to a second for the dialog.
    TestDriverWindow();
    // Stops the thread if that has not been done. The thread may outlive the object (stop
    // waits at most a second): what it uses lives until the thread ends.
    ~TestDriverWindow();
    TestDriverWindow(const TestDriverWindow&) = delete;
    TestDriverWindow& operator=(const TestDriverWindow&) = delete;

    // Closes the dialog and waits up to a second for the UI thread to end.
    void stop();

    void appendLog(const char* text, int highlight) override;
    HWND currentDialog() const override { return dialog.load(); }

private:
    DriverThreadLink* link = nullptr;
};
