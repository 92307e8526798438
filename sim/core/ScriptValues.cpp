#include "ScriptValues.h"

#include "TextConversion.h"

namespace qmsim {

bool UnpackScriptValues(const char16_t* buffer, size_t valuesSize, std::vector<std::string>& values,
                        std::string& error)
{
    values.clear();
    error.clear();
    if (valuesSize == 0)
        return true;
    if (!buffer) {
        error = "values: the buffer is null but its size is " + std::to_string(valuesSize) + " units";
        return false;
    }
    // The end of the last non-zero unit marks where the padding begins.
    size_t used = valuesSize;
    while (used > 0 && buffer[used - 1] == 0)
        --used;
    if (used == valuesSize) {
        error = "values: the last value is not zero-terminated within " + std::to_string(valuesSize) + " units";
        return false;
    }
    size_t start = 0;
    while (start < used) {
        size_t end = start;
        while (buffer[end] != 0) // stops at or before 'used', which holds a 0
            ++end;
        values.push_back(Utf16ToUtf8(buffer + start, end - start));
        start = end + 1;
    }
    return true;
}

} // namespace qmsim
