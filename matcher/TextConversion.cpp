#include "TextConversion.h"

namespace qmsim {

namespace {

const char32_t Replacement = 0xFFFD;

char FoldedAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// Windows-1252 bytes 0x80-0x9F; the rest of the upper half is Latin-1.
const char16_t Cp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

std::string Utf16ToUtf8(const char16_t* text, size_t units)
{
    std::string out;
    out.reserve(units);
    for (size_t i = 0; i < units; ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = Replacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::string Utf16ToUtf8(const std::u16string& text)
{
    return Utf16ToUtf8(text.data(), text.size());
}

std::u16string Utf8ToUtf16(const std::string& text)
{
    std::u16string out;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        unsigned char b = s[i];
        char32_t c = Replacement;
        size_t length = 1;
        if (b < 0x80) {
            c = b;
        } else if (b >= 0xC2 && b <= 0xF4) {
            size_t need = b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
            char32_t value = b & (0x3F >> need);
            size_t k = 1;
            for (; k <= need && i + k < n && (s[i + k] & 0xC0) == 0x80; ++k)
                value = (value << 6) | (s[i + k] & 0x3F);
            const char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
            if (k == need + 1 && value >= minimum[need] && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF)) {
                c = value;
                length = need + 1;
            } else {
                length = k; // skip the broken sequence as one replacement
            }
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += char16_t(0xD800 + (c >> 10));
            out += char16_t(0xDC00 + (c & 0x3FF));
        } else {
            out += char16_t(c);
        }
        i += length;
    }
    return out;
}

std::string Cp1252ToUtf8(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        unsigned char b = static_cast<unsigned char>(ch);
        if (b >= 0x80 && b < 0xA0)
            AppendUtf8(out, Cp1252High[b - 0x80]);
        else
            AppendUtf8(out, b);
    }
    return out;
}

std::string Utf8ToCp1252(const std::string& text)
{
    const std::u16string wide = Utf8ToUtf16(text);
    std::string out;
    out.reserve(wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        const char16_t c = wide[i];
        char byte = '?';
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            byte = static_cast<char>(c);
        } else if (c != Replacement) {
            for (size_t k = 0; k < 32; ++k)
                if (Cp1252High[k] == c)
                    byte = static_cast<char>(0x80 + k);
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size())
            ++i; // a pair is one character
        out += byte;
    }
    return out;
}

bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldedAscii(a[i]) != FoldedAscii(b[i]))
            return false;
    return true;
}

std::string FoldedAsciiCase(std::string text)
{
    for (char& c : text)
        c = FoldedAscii(c);
    return text;
}

std::vector<std::string> SplitWords(const std::string& text)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsSpace(text[i]))
            ++i;
        size_t start = i;
        while (i < text.size() && !IsSpace(text[i]))
            ++i;
        if (i > start)
            words.push_back(text.substr(start, i - start));
    }
    return words;
}

} // namespace qmsim
