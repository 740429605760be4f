#include "base/integer.h"

namespace orx {

namespace {

int DigitValue(char c, bool hexadecimal) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (hexadecimal && c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  if (hexadecimal && c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  return -1;
}

}  // namespace

bool ParseInteger(const std::string& text, std::int32_t* value) {
  std::string::size_type at = text.find_first_not_of(' ');
  if (at == std::string::npos) {
    return false;
  }
  bool negative = false;
  bool hexadecimal = false;
  const char first = text[at];
  if (first == '-' || first == '+') {
    negative = first == '-';
    ++at;
  } else if (first == '$' || first == 'x' || first == 'X') {
    hexadecimal = true;
    ++at;
  } else if (first == '0' && at + 1 < text.size() && (text[at + 1] == 'x' || text[at + 1] == 'X')) {
    hexadecimal = true;
    at += 2;
  }
  if (at == text.size()) {
    return false;
  }
  // The limits are checked before each digit, so the accumulator never wraps.
  const std::uint32_t base = hexadecimal ? 16 : 10;
  const std::uint32_t limit = hexadecimal ? 0x0FFFFFFFu : 214748364u;
  std::uint32_t accumulated = 0;
  for (; at < text.size(); ++at) {
    const int digit = DigitValue(text[at], hexadecimal);
    if (digit < 0 || accumulated > limit) {
      return false;
    }
    accumulated = accumulated * base + static_cast<std::uint32_t>(digit);
  }
  if (hexadecimal) {
    // Values from 80000000 up are the negative numbers of 32-bit two's complement.
    *value = accumulated <= 0x7FFFFFFFu ? static_cast<std::int32_t>(accumulated)
                                        : -static_cast<std::int32_t>(0xFFFFFFFFu - accumulated) - 1;
    return true;
  }
  if (negative) {
    if (accumulated > 2147483648u) {
      return false;
    }
    *value = accumulated == 2147483648u ? INT32_MIN : -static_cast<std::int32_t>(accumulated);
    return true;
  }
  if (accumulated > 2147483647u) {
    return false;
  }
  *value = static_cast<std::int32_t>(accumulated);
  return true;
}

bool IsInteger(const std::string& text) {
  std::int32_t ignored = 0;
  return ParseInteger(text, &ignored);
}

}  // namespace orx
