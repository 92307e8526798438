// Records every message box the module (and the compiler, routed through it) would show,
// and answers it, so that tests run without a person.
#pragma once

#include "MessageBoxes.h"

#include <functional>
#include <string>
#include <vector>

struct RecordedBox {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT type;
};

class BoxRecorder {
public:
    BoxRecorder();
    ~BoxRecorder();
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    std::vector<RecordedBox> boxes;
    int answer = IDOK;
    // Runs while the box is "open", as a box's message loop would run other work.
    std::function<void(const RecordedBox&)> whileOpen;
};

// ASCII view of a wide text for failure messages.
std::string Narrow(const std::wstring& text);

// Caption and text of every recorded box, for failure messages.
std::string Describe(const std::vector<RecordedBox>& boxes);
