// Fixture for compiler tests: records every message box and log line and answers
// "Syntax Error" boxes with a chosen button (others with OK).
#pragma once

#include "CompilerMessages.h"
#include "GramParser.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

struct RecordedBox {
    std::string text;
    std::string caption;
    unsigned type;
};

inline bool operator==(const Element& a, const Element& b)
{
    return a.type == b.type && a.value == b.value;
}

inline void PrintTo(const Element& e, std::ostream* os)
{
    *os << "(" << e.type << "," << e.value << ")";
}

// The closing part of every syntax-error box.
inline const char kSyntaxTail[] =
    "\n\nPress OK to skip the line and continue the parse.\n(But the grammar will likely be incomplete.)"
    "\n\nPress Cancel to break the parse and edit and the grammar.";

class CompilerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        boxes.clear();
        logLines.clear();
        answer = kAnswerOk;
        SetCompilerBoxHandler([](const char* text, const char* caption, unsigned type) {
            boxes.push_back({ text, caption, type });
            return std::strcmp(caption, "Syntax Error") == 0 ? answer : kAnswerOk;
        });
        SetCompilerLogHandler([](const char* text) { logLines.push_back(text); });
    }

    void TearDown() override
    {
        SetCompilerBoxHandler(nullptr);
        SetCompilerLogHandler(nullptr);
    }

    // Compiles "<r> = BODY" and returns the elements of rule r; the compilation must
    // succeed without a box.
    std::vector<Element> BodyElements(const std::string& body)
    {
        bool compiled = parser.Compile("<r> = " + body + "\n", false);
        EXPECT_TRUE(compiled) << body;
        EXPECT_TRUE(boxes.empty()) << body << " showed " << (boxes.empty() ? "" : boxes[0].text);
        return compiled && !parser.ruleDefines.empty() ? parser.ruleDefines[0].elements : std::vector<Element>();
    }

    std::vector<std::string> BoxTexts() const
    {
        std::vector<std::string> texts;
        for (const RecordedBox& box : boxes)
            texts.push_back(box.text);
        return texts;
    }

    static inline std::vector<RecordedBox> boxes;
    static inline std::vector<std::string> logLines;
    static inline int answer = kAnswerOk;

    GramParser parser;
};
