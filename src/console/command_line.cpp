#include "console/command_line.h"

namespace orx {

namespace {

bool IsBlank(char c) {
  const unsigned char code = static_cast<unsigned char>(c);
  return code >= 1 && code <= 32;
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
        if (at < size && IsBlank(text[at])) {
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
        while (at < size && text[at] != '"' && token.size() < kMaximumArgumentLength) {
          token += text[at++];
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
      const char c = text[at];
      if (IsBlank(c) || token.size() >= kMaximumArgumentLength) {
        break;
      }
      ++at;
      if (c == '"') {
        quoted = true;
      } else {
        token += c;
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
