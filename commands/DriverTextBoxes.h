// The test-driver dialog's statistics and "Utterance Begin" boxes as Dragon's thread writes
// them. Each write is a message sent to the dialog's thread and waits for it, so a box is
// only written when its text changes, and while the engine holds an utterance the writes are
// held back and made once the cookie is back.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

class DriverTextBoxes {
public:
    // Box box of dialog shows text: written now, or at the end of the hold.
    void show(HWND dialog, int box, const std::wstring& text);

    // Between hold and endHold the writes are held back; endHold writes what is pending to
    // dialog, the dialog as it is then (nothing when it is another one or none). Holds may
    // nest (an utterance can begin inside a box's message loop): each end writes what is
    // pending.
    void hold() { ++m_holds; }
    void endHold(HWND dialog);

private:
    HWND m_dialog = nullptr;                // the dialog whose boxes m_texts describes
    std::map<int, std::wstring> m_texts;    // what each box was last set to
    std::vector<int> m_pending;             // boxes whose write is held back
    int m_holds = 0;
};
