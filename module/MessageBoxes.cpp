#include "MessageBoxes.h"

#include <string>

namespace {
MessageBoxHandler g_handler = nullptr;

std::wstring Widen(const char* text)
{
    if (!text)
        return std::wstring();
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length - 1));
    return wide;
}
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
        return g_handler(owner, Widen(text).c_str(), Widen(caption).c_str(), type);
    return MessageBoxA(owner, text, caption, type);
}
