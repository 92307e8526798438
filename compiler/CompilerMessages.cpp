#include "CompilerMessages.h"

#include "EscapedText.h"

#ifdef _WIN32
#include <windows.h>
static_assert(kBoxOk == MB_OK && kBoxOkCancel == MB_OKCANCEL, "box types");
static_assert(kAnswerOk == IDOK && kAnswerCancel == IDCANCEL, "box answers");
#else
#include <cstdio>
#endif

namespace {
CompilerBoxHandler g_boxHandler = nullptr;
CompilerLogHandler g_logHandler = nullptr;
} // namespace

void SetCompilerBoxHandler(CompilerBoxHandler handler)
{
    g_boxHandler = handler;
}

int ShowCompilerBox(const char* text, const char* caption, unsigned type)
{
    if (g_boxHandler)
        return g_boxHandler(text, caption, type);
#ifdef _WIN32
    return MessageBoxA(GetForegroundWindow(), text, caption, type);
#else
    std::fprintf(stderr, "[%s] %s\n", EscapeControlBytes(caption).c_str(),
                 EscapeControlBytes(text).c_str());
    return kAnswerOk;
#endif
}

void SetCompilerLogHandler(CompilerLogHandler handler)
{
    g_logHandler = handler;
}

void WriteCompilerLog(void* editControl, const char* text)
{
#ifdef _WIN32
    if (HWND edit = static_cast<HWND>(editControl)) {
        const char* parts[] = { text, "\n" };
        for (const char* part : parts) {
            WPARAM end = static_cast<WPARAM>(GetWindowTextLengthW(edit));
            SendMessageA(edit, EM_SETSEL, end, static_cast<LPARAM>(end));
            SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(part));
        }
    }
#endif
    if (g_logHandler)
        g_logHandler(text);
}
