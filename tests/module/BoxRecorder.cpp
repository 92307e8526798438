#include "BoxRecorder.h"

#include "CompilerMessageRoute.h"

namespace {
BoxRecorder* g_recorder = nullptr;

int Record(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type)
{
    if (!g_recorder)
        return IDOK;
    RecordedBox box{owner, text ? text : L"", caption ? caption : L"", type};
    g_recorder->boxes.push_back(box);
    if (g_recorder->whileOpen)
        g_recorder->whileOpen(box);
    return g_recorder->answer;
}
} // namespace

BoxRecorder::BoxRecorder()
{
    g_recorder = this;
    RouteCompilerMessages();
    SetMessageBoxHandler(&Record);
}

BoxRecorder::~BoxRecorder()
{
    SetMessageBoxHandler(nullptr);
    g_recorder = nullptr;
}

std::string Narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

std::string Describe(const std::vector<RecordedBox>& boxes)
{
    std::string text;
    for (const RecordedBox& box : boxes)
        text += "[" + Narrow(box.caption) + "] " + Narrow(box.text) + "\n";
    return text;
}
