#include "console/command_line.h"

#include "base/characters.h"
#include "base/name_escapes.h"

namespace orx {

namespace {

bool EscapeStartsAt(const std::string& text, std::size_t at) {
  char16_t unit = 0;
  return ReadEscape(text, at, &unit);
}

// A blank is a byte from 1 to 32, but not the start of an escape (a character the code page
// cannot spell), which is made of such bytes and belongs to its token whole.
bool IsBlankAt(const std::string& text, std::size_t at) {
  const unsigned char code = static_cast<unsigned char>(text[at]);
  return code >= 1 && code <= 32 && !EscapeStartsAt(text, at);
}

// Appends the character at text[*at], a whole escape or a whole character, unless the token is
// too full for it; false then.
bool TakeCharacter(const std::string& text, std::size_t* at, std::string* token) {
  const std::size_t length = EscapeStartsAt(text, *at) ? kEscapeLength : CharacterLength(text, *at);
  if (token->size() + length > kMaximumArgumentLength) {
    return false;
  }
  token->append(text, *at, length);
  *at += length;
  return true;
}

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
  // The platform's text ends at its first zero character.
  const std::string text = commandLine.substr(0, commandLine.find('\0'));
  const std::size_t size = text.size();
  std::vector<std::string> arguments;
  std::size_t at = 0;
  // A quoted stretch cut at the length limit goes on, still quoted, in the next token.
  bool quoted = false;
  bool first = true;
  for (;;) {
    if (!quoted) {
      for (;;) {
        if (at < size && IsBlankAt(text, at)) {
          ++at;
        } else if (at + 1 < size && text[at] == '"' && text[at + 1] == '"') {
          at += 2;
        } else {
          break;
        }
      }
    }
    std::string token;
    while (at < size || quoted) {
      if (quoted) {
        while (at < size && text[at] != '"' && TakeCharacter(text, &at, &token)) {
        }
        if (at < size && text[at] != '"') {
          break;  // the token is full; the stretch continues in the next one
        }
        if (at < size) {
          ++at;  // the closing quote
        }
        quoted = false;
        continue;
      }
      if (IsBlankAt(text, at)) {
        break;
      }
      if (text[at] == '"') {
        if (token.size() >= kMaximumArgumentLength) {
          break;
        }
        ++at;
        quoted = true;
      } else if (!TakeCharacter(text, &at, &token)) {
        break;
      }
    }
    if (first) {
      first = false;
      if (token.empty() && at >= size) {
        return arguments;
      }
      continue;
    }
    if (token.empty()) {
      return arguments;
    }
    arguments.push_back(token);
  }
}

}  // namespace orx
