// The integer rule that settings values and month-file names share.
#pragma once

#include <cstdint>
#include <string>

namespace orx {

// Leading blanks, then decimal with an optional sign, or hexadecimal after "$", "x", "X" or
// "0x"/"0X" (up to FFFFFFFF, read as 32-bit two's complement), nothing after. True and *value set
// on success; false and *value untouched otherwise.
bool ParseInteger(const std::string& text, std::int32_t* value);
// True exactly when ParseInteger accepts text.
bool IsInteger(const std::string& text);

}  // namespace orx
