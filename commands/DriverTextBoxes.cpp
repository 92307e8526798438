#include "DriverTextBoxes.h"

#include <algorithm>

void DriverTextBoxes::show(HWND dialog, int box, const std::wstring& text)
{
    if (!dialog)
        return;
    if (dialog != m_dialog) {
        m_texts.clear();
        m_pending.clear();
        m_dialog = dialog;
    }
    auto known = m_texts.find(box);
    if (known != m_texts.end() && known->second == text)
        return;
    m_texts[box] = text;
    if (m_holds == 0)
        SetDlgItemTextW(dialog, box, text.c_str());
    else if (std::find(m_pending.begin(), m_pending.end(), box) == m_pending.end())
        m_pending.push_back(box);
}

void DriverTextBoxes::endHold(HWND dialog)
{
    if (m_holds > 0)
        --m_holds;
    std::vector<int> boxes;
    boxes.swap(m_pending);
    if (!dialog || dialog != m_dialog)
        return;
    for (int box : boxes) {
        // A copy: a write waits for the dialog's thread, and a message sent meanwhile may
        // show another text in this box.
        auto known = m_texts.find(box);
        if (known == m_texts.end())
            continue;
        const std::wstring text = known->second;
        SetDlgItemTextW(dialog, box, text.c_str());
        if (dialog != m_dialog)
            return;
    }
}
