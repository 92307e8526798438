// The values of RunScriptWithValues: valuesSize UTF-16 units holding the strings one
// after the other, each with its terminating 0, followed by zero units of padding.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qmsim {

// Never reads past valuesSize units. Once every remaining unit is 0, the rest is
// padding: an empty value is therefore kept between other values, but empty values
// at the end cannot be told from padding and are not reported. A last value without
// its terminating 0 is refused, and so is a null buffer with a non-zero size.
bool UnpackScriptValues(const char16_t* buffer, size_t valuesSize, std::vector<std::string>& values,
                        std::string& error);

} // namespace qmsim
