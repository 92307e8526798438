#include "BoundedText.h"

#ifdef _WIN32
#include <windows.h>
#endif

std::size_t CharacterBoundary(const std::string& text, std::size_t limit)
{
    if (text.size() <= limit)
        return text.size();
#ifdef _WIN32
    // Double-byte code pages: only a walk from the start tells lead from trail bytes.
    std::size_t boundary = 0;
    while (boundary < limit) {
        std::size_t width = IsDBCSLeadByte(static_cast<BYTE>(text[boundary])) ? 2 : 1;
        if (boundary + width > limit)
            break;
        boundary += width;
    }
    return boundary;
#else
    std::size_t boundary = limit;
    for (int back = 0; back < 3 && boundary > 0; ++back) {
        if ((static_cast<unsigned char>(text[boundary]) & 0xC0) != 0x80)
            break;
        --boundary;
    }
    // A byte at the boundary that still continues a sequence means the text is not
    // UTF-8 there; any cut is then as good as another.
    if ((static_cast<unsigned char>(text[boundary]) & 0xC0) == 0x80)
        boundary = limit;
    return boundary;
#endif
}

std::string FitMessage(const std::string& before, const std::string& variable,
                       const std::string& after, std::size_t limit)
{
    static const std::string ellipsis = "...";
    std::size_t fixed = before.size() + after.size();
    if (fixed + variable.size() <= limit)
        return before + variable + after;
    if (fixed + ellipsis.size() <= limit) {
        std::string shown = variable.substr(0, CharacterBoundary(variable, limit - fixed - ellipsis.size()));
        return before + shown + ellipsis + after;
    }
    std::string whole = before + variable + after;
    return whole.substr(0, CharacterBoundary(whole, limit));
}
