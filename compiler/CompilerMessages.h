// The compiler's only ways out: message boxes and log lines. Both go through
// replaceable handlers so that tests and tools can see and answer them.
#pragma once

// Box types and answers, with the values of MB_OK, MB_OKCANCEL, IDOK and IDCANCEL.
constexpr unsigned kBoxOk = 0x0;
constexpr unsigned kBoxOkCancel = 0x1;
constexpr int kAnswerOk = 1;
constexpr int kAnswerCancel = 2;

using CompilerBoxHandler = int (*)(const char* text, const char* caption, unsigned type);
using CompilerLogHandler = void (*)(const char* text);

// nullptr restores the default: on Windows a MessageBoxA owned by the foreground
// window; elsewhere one line on stderr, answered with OK.
void SetCompilerBoxHandler(CompilerBoxHandler handler);
int ShowCompilerBox(const char* text, const char* caption, unsigned type);

// Receives every line that GramParser::Log writes, in addition to its edit control.
// nullptr (the default) drops them.
void SetCompilerLogHandler(CompilerLogHandler handler);

// One log line: appended with a line break to the end of editControl (a window handle, on
// Windows; none when null), by sent messages, then handed to the log handler.
void WriteCompilerLog(void* editControl, const char* text);
