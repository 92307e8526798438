// What the module writes to the test-driver window, seen from the code that writes it: log
// lines, and the dialog whose text boxes show the statistics. The window, while there is
// one, is the only implementation; DriverOutput stands for it when there is none.
#pragma once

#include <windows.h>

class DriverWindowOutput {
public:
    // Appends a narrow text (ANSI code page; "\n" ends a line) to the message log, in dark
    // red when highlight is non-zero. Returns at once; the caller keeps its text.
    virtual void appendLog(const char* text, int highlight) = 0;
    // The dialog, or null before it exists and after it has gone.
    virtual HWND currentDialog() const = 0;

protected:
    ~DriverWindowOutput() = default;
};

// The test-driver window the module writes to, or nothing while there is none.
class DriverOutput {
public:
    void attach(DriverWindowOutput* window) { m_window = window; }

    void appendLog(const char* text, int highlight = 0)
    {
        if (m_window && text)
            m_window->appendLog(text, highlight);
    }
    HWND currentDialog() const { return m_window ? m_window->currentDialog() : nullptr; }

private:
    DriverWindowOutput* m_window = nullptr;
};
