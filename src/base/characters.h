// Characters of the program's 8-bit text. On a double-byte code page (932, 936, 949, 950) a lead
// byte and the byte after it are one character, and that trail byte may be any byte from 0x40 up:
// the backslash, a letter, a bracket. Every rule that looks at a byte as a character asks here.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace orx {

// A run of lead bytes, first and last included, as a code page lists them.
struct LeadByteRange {
  unsigned char first = 0;
  unsigned char last = 0;
};

// Makes the bytes of the ranges the lead bytes of every later character operation. Until then
// there are none: every byte is a character, as on a single-byte code page and in UTF-8 (whose
// characters hold no ASCII byte). The entry sets the code page's own at start-up.
void UseLeadBytes(const std::vector<LeadByteRange>& ranges);
bool IsLeadByte(char byte);
// Bytes of the character at text[at]: 2 for a lead byte followed by a possible trail byte (0x40
// and up), else 1, so that a lone lead byte never takes a separator or an escape with it.
std::size_t CharacterLength(const std::string& text, std::size_t at);
// Where the first character that is the single byte c starts; npos when none is.
std::size_t FindCharacter(const std::string& text, char c);
// How many characters the text holds.
std::size_t CharacterCount(const std::string& text);
// Where the last character that is one of the single bytes of bytes starts; npos when none is.
std::size_t FindLastCharacterOf(const std::string& text, const char* bytes);
// True when the last character of the text is the single byte c.
bool EndsWithCharacter(const std::string& text, char c);
// Changes only the letters A to Z to a to z; the trail byte of a character never changes.
std::string LowerCase(const std::string& text);

}  // namespace orx
