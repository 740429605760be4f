#include "base/name_escapes.h"

namespace orx {

namespace {

constexpr char kEscapeLead = '\x01';
// A digit d of the unit is the byte 16 + d.
constexpr unsigned char kDigitBase = 0x10;

}  // namespace

void AppendEscape(std::string* text, char16_t unit) {
  text->push_back(kEscapeLead);
  for (int shift = 12; shift >= 0; shift -= 4) {
    text->push_back(static_cast<char>(kDigitBase + ((unit >> shift) & 0xF)));
  }
}

bool ReadEscape(const std::string& text, std::size_t at, char16_t* unit) {
  if (at + kEscapeLength > text.size() || text[at] != kEscapeLead) {
    return false;
  }
  unsigned value = 0;
  for (std::size_t i = 1; i < kEscapeLength; ++i) {
    const unsigned char digit = static_cast<unsigned char>(text[at + i]);
    if (digit < kDigitBase || digit > kDigitBase + 0xF) {
      return false;
    }
    value = (value << 4) | (digit - kDigitBase);
  }
  *unit = static_cast<char16_t>(value);
  return true;
}

std::string WithEscapesShown(const std::string& text) {
  std::string shown;
  shown.reserve(text.size());
  ForEachEscapeRun(
      text, [&](std::size_t begin, std::size_t end) { shown.append(text, begin, end - begin); },
      [&](char16_t) { shown.push_back('?'); });
  return shown;
}

bool HasEscape(const std::string& text) {
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte >= 1 && byte <= 31) {
      return true;
    }
  }
  return false;
}

bool HoldsEscape(const std::string& text) {
  char16_t unit = 0;
  for (std::size_t at = text.find(kEscapeLead); at != std::string::npos;
       at = text.find(kEscapeLead, at + 1)) {
    if (ReadEscape(text, at, &unit)) {
      return true;
    }
  }
  return false;
}

}  // namespace orx
