// Fuzz target for the command line: SplitCommandLine must agree with a plain reference of its
// rules, never yield an argument longer than the limit, and ParseOptions must take any arguments,
// refusing at most a directory name with an escape.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/raised_failure.h"
#include "console/command_line.h"
#include "console/options.h"

namespace {

void Require(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "command_line_fuzz: %s\n", what);
    std::abort();
  }
}

constexpr std::size_t kLimit = 4096;

bool ReferenceBlank(int c) {
  return c >= 1 && c <= 32;
}

// The rules one character at a time; past the end of the text every character reads as zero.
std::vector<std::string> ReferenceSplit(const std::string& line) {
  std::string text;
  for (char c : line) {
    if (c == '\0') {
      break;
    }
    text += c;
  }
  const auto at = [&text](std::size_t i) {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
  };
  // An escape (byte 1, then four bytes 16 to 31) is one character of five bytes, never a blank.
  const auto length = [&at](std::size_t i) -> std::size_t {
    if (at(i) != 1) {
      return 1;
    }
    for (std::size_t k = 1; k <= 4; ++k) {
      if (at(i + k) < 16 || at(i + k) > 31) {
        return 1;
      }
    }
    return 5;
  };
  std::vector<std::string> arguments;
  std::size_t i = 0;
  bool quoted = false;
  bool programName = true;
  for (;;) {
    if (!quoted) {
      // Blanks and empty quoted pairs before a token.
      for (;;) {
        if (ReferenceBlank(at(i)) && length(i) == 1) {
          i += 1;
        } else if (at(i) == '"' && at(i + 1) == '"') {
          i += 2;
        } else {
          break;
        }
      }
    }
    std::string token;
    for (;;) {
      const int c = at(i);
      if (quoted) {
        if (c == 0) {
          quoted = false;
          break;
        }
        if (c == '"') {
          quoted = false;
          i += 1;
          continue;
        }
        if (token.size() + length(i) > kLimit) {
          break;  // full: the stretch goes on, still quoted, in the next token
        }
        token += text.substr(i, length(i));
        i += length(i);
        continue;
      }
      if (c == 0 || (ReferenceBlank(c) && length(i) == 1)) {
        break;
      }
      if (c == '"') {
        if (token.size() == kLimit) {
          break;
        }
        quoted = true;
        i += 1;
        continue;
      }
      if (token.size() + length(i) > kLimit) {
        break;
      }
      token += text.substr(i, length(i));
      i += length(i);
    }
    if (programName) {
      programName = false;
      continue;
    }
    if (token.empty()) {
      return arguments;
    }
    arguments.push_back(token);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> arguments = orx::SplitCommandLine(line);
  for (const std::string& argument : arguments) {
    Require(!argument.empty(), "an empty argument");
    Require(argument.size() <= kLimit, "an argument longer than the limit");
  }
  Require(arguments == ReferenceSplit(line), "the splitting differs from the reference");
  Require(orx::SplitCommandLine(line) == arguments, "the splitting is not a function of the text");

  orx::AsksForHelp(arguments);
  orx::Options options;
  try {
    options = orx::ParseOptions(arguments);
  } catch (const orx::RaisedFailure& failure) {
    // Only a directory name with an escape is refused.
    Require(failure.kind() == std::string(orx::kConvertError), "a failure other than the refusal");
    return 0;
  }
  Require(options.serverDirectory.size() <= kLimit, "a server directory longer than an argument");
  Require(options.redirectionDirectory.size() <= kLimit,
          "a redirection directory longer than an argument");
  return 0;
}
