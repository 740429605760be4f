// Names the user's code page cannot spell, carried in 8-bit text: each such UTF-16 unit becomes an
// escape of bytes 1 to 31, which no Windows file name holds, so the escape is never a real name.
#pragma once

#include <cstddef>
#include <string>

namespace orx {

// Bytes of one escape: the lead byte and four bytes of the unit's hexadecimal digits.
inline constexpr std::size_t kEscapeLength = 5;

// Appends the escape of one UTF-16 unit.
void AppendEscape(std::string* text, char16_t unit);
// The unit of the escape starting at text[at]; false when no well-formed escape starts there.
bool ReadEscape(const std::string& text, std::size_t at, char16_t* unit);
// Walks the text as runs of plain bytes and escapes, in order: plain(begin, end) for each run of
// bytes that holds no well-formed escape, and escaped(unit) for each escape.
template <typename Plain, typename Escaped>
void ForEachEscapeRun(const std::string& text, Plain plain, Escaped escaped) {
  std::size_t run = 0;
  for (std::size_t at = text.find('\x01'); at != std::string::npos; at = text.find('\x01', at)) {
    char16_t unit = 0;
    if (!ReadEscape(text, at, &unit)) {
      ++at;
      continue;
    }
    plain(run, at);
    escaped(unit);
    at += kEscapeLength;
    run = at;
  }
  plain(run, text.size());
}
// The text with each escape as "?", the character Windows gives what the code page cannot spell.
std::string WithEscapesShown(const std::string& text);
// True when the text holds a byte an escape is made of (1 to 31), which no real name holds.
bool HasEscape(const std::string& text);
// True when a well-formed escape starts somewhere in the text. Stricter than HasEscape: a blank
// such as a tab is no escape.
bool HoldsEscape(const std::string& text);

}  // namespace orx
