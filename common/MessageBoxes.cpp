#include "MessageBoxes.h"

#include "TextConversion.h"

namespace {
MessageBoxHandler g_handler = nullptr;
} // namespace

void SetMessageBoxHandler(MessageBoxHandler handler)
{
    g_handler = handler;
}

int ShowMessageBoxW(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type)
{
    if (g_handler)
        return g_handler(owner, text, caption, type);
    return MessageBoxW(owner, text, caption, type);
}

int ShowMessageBoxA(HWND owner, const char* text, const char* caption, UINT type)
{
    if (g_handler)
        return g_handler(owner, WidenText(text, CP_ACP).c_str(), WidenText(caption, CP_ACP).c_str(), type);
    return MessageBoxA(owner, text, caption, type);
}
