// The diagnostic listing of every table, written line by line with Log.
#include "GramParser.h"

#include "BoundedText.h"

#include <cstdio>

namespace {
// "   name id" (with a colon for a rule definition); a long name is shortened, never the ID.
std::string NameLine(const std::string& name, int32_t id, const char* suffix)
{
    char after[32];
    std::snprintf(after, sizeof after, " %i%s", static_cast<int>(id), suffix);
    return FitMessage("   ", name, after);
}
} // namespace

void GramParser::Dump()
{
    Log("Dumping GramParser Object ...");
    const struct {
        const char* title;
        const std::vector<NameEntry>& table;
    } tables[] = {
        { "Known Rules:", knownRules },
        { "Known Lists:", knownLists },
        { "Known Words:", knownWords },
        { "Export Rules:", exportRules },
        { "Import Rules:", importRules },
    };
    for (const auto& t : tables) {
        if (t.table.empty())
            continue;
        Log(t.title);
        for (const NameEntry& entry : t.table)
            Log(NameLine(entry.name, entry.id, "").c_str());
    }
    if (ruleDefines.empty())
        return;
    Log("Rule Defines:");
    for (const RuleDefine& define : ruleDefines) {
        Log(NameLine(define.name, RuleId(define.name), ":").c_str());
        for (const Element& element : define.elements) {
            char line[32];
            std::snprintf(line, sizeof line, "      %i %i", static_cast<int>(element.type),
                          static_cast<int>(element.value));
            Log(line);
        }
    }
}
