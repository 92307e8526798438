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

void ForwardCompilerLog(const char* text)
{
    if (g_logHandler)
        g_logHandler(text);
}
