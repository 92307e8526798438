#include "PredefinedLists.h"

const char builtinListText[] =
    "OneToTen;1;2;3;4;5;6;7;8;9;10\nUpDownLeftRight;Up;Down;Left;Right\nOnOff;On;Off;On and Off\n";


PredefinedLists ParsePredefinedLists(const std::string& text)
{
    PredefinedLists lists;
    size_t lineStart = 0;
    while (lineStart < text.size()) {
        size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string::npos)
            lineEnd = text.size();
        if (lineEnd > lineStart) {
            std::vector<std::string> fields;
            size_t fieldStart = lineStart;
            for (;;) {
                size_t fieldEnd = text.find(';', fieldStart);
                if (fieldEnd == std::string::npos || fieldEnd > lineEnd)
                    fieldEnd = lineEnd;
                fields.push_back(text.substr(fieldStart, fieldEnd - fieldStart));
                if (fieldEnd == lineEnd)
                    break;
                fieldStart = fieldEnd + 1;
            }
            lists.push_back(std::move(fields));
        }
        lineStart = lineEnd + 1;
    }
    return lists;
}

int FindPredefinedList(const PredefinedLists& lists, const char* name)
{
    for (size_t i = 0; i < lists.size(); ++i)
        if (!lists[i].empty() && lists[i][0] == name)
            return static_cast<int>(i);
    return -1;
}
