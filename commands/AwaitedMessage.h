// An entry of the controller's list of messages that a nested wait is looking for.
#pragma once

#include <windows.h>

struct AwaitedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool received;
    AwaitedMessage* next;
};
