#include "VersionCompare.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace {
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The digit runs of the leading "n.n.n..." of a text, each without leading zeros, so that
// numbers of any length compare without converting them.
std::vector<std::string_view> NumericParts(const char* text)
{
    std::vector<std::string_view> parts;
    if (!text)
        return parts;
    const char* p = text;
    while (IsBlank(*p))
        ++p;
    while (IsDigit(*p)) {
        const char* start = p;
        while (IsDigit(*p))
            ++p;
        const char* significant = start;
        while (significant + 1 < p && *significant == '0')
            ++significant;
        parts.emplace_back(significant, static_cast<size_t>(p - significant));
        if (*p != '.' || !IsDigit(p[1]))
            break;
        ++p;
    }
    return parts;
}

int ComparePart(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    int order = a.compare(b);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}
} // namespace

bool isNewerVersion(const char* installed, const char* published)
{
    std::vector<std::string_view> newer = NumericParts(published);
    if (newer.empty())
        return false;
    std::vector<std::string_view> current = NumericParts(installed);
    const std::string_view zero("0");
    size_t count = newer.size() > current.size() ? newer.size() : current.size();
    for (size_t i = 0; i < count; ++i) {
        int order = ComparePart(i < current.size() ? current[i] : zero, i < newer.size() ? newer[i] : zero);
        if (order != 0)
            return order < 0;
    }
    return false;
}
