// Fuzz target for the settings store: load -> save -> load -> save must reach a fixed point with
// the same sections, and ParseInteger must agree with a plain reference of its rules on every
// value.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/integer.h"
#include "settings/installation_settings.h"
#include "settings/settings_document.h"

namespace {

void Require(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "settings_fuzz: %s\n", what);
    std::abort();
  }
}

int ReferenceDigit(char c, int base) {
  const std::string digits = "0123456789abcdef";
  const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  const std::string::size_type at = digits.find(lower);
  return at != std::string::npos && static_cast<int>(at) < base ? static_cast<int>(at) : -1;
}

// The integer rule restated plainly, by magnitude in 64 bits instead of the 32-bit limit checks.
bool ReferenceParseInteger(const std::string& text, std::int64_t* value) {
  std::string::size_type at = 0;
  while (at < text.size() && text[at] == ' ') {
    ++at;
  }
  std::string rest = text.substr(at);
  int base = 10;
  bool negative = false;
  if (!rest.empty() && (rest[0] == '-' || rest[0] == '+')) {
    negative = rest[0] == '-';
    rest.erase(0, 1);
  } else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
    base = 16;
    rest.erase(0, 2);
  } else if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) {
    base = 16;
    rest.erase(0, 1);
  }
  if (rest.empty()) {
    return false;
  }
  for (char c : rest) {
    if (ReferenceDigit(c, base) < 0) {
      return false;
    }
  }
  rest.erase(0, rest.find_first_not_of('0') == std::string::npos ? rest.size() - 1
                                                                 : rest.find_first_not_of('0'));
  if (rest.size() > 11) {
    return false;
  }
  std::int64_t magnitude = 0;
  for (char c : rest) {
    magnitude = magnitude * base + ReferenceDigit(c, base);
  }
  if (base == 16) {
    if (magnitude > 0xFFFFFFFFll) {
      return false;
    }
    *value = magnitude >= 0x80000000ll ? magnitude - 0x100000000ll : magnitude;
    return true;
  }
  if (magnitude > (negative ? 2147483648ll : 2147483647ll)) {
    return false;
  }
  *value = negative ? -magnitude : magnitude;
  return true;
}

void CheckParseInteger(const std::string& text) {
  std::int32_t value = 77;
  std::int64_t expected = 0;
  const bool accepted = orx::ParseInteger(text, &value);
  const bool expectedAccepted = ReferenceParseInteger(text, &expected);
  Require(accepted == expectedAccepted, "ParseInteger accepts differently from the reference");
  Require(accepted ? value == expected : value == 77, "ParseInteger value differs");
}

bool SameSections(const orx::SettingsDocument& a, const orx::SettingsDocument& b) {
  if (a.sections().size() != b.sections().size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.sections().size(); ++i) {
    if (a.sections()[i].name != b.sections()[i].name ||
        a.sections()[i].lines != b.sections()[i].lines) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  if (size <= 32) {
    CheckParseInteger(bytes);
  }

  const orx::SettingsDocument first = orx::SettingsDocumentFromText("orx.ini", bytes);
  const std::string saved = first.Text();
  const orx::SettingsDocument second = orx::SettingsDocumentFromText("orx.ini", saved);
  Require(SameSections(first, second), "a reload of the saved text has other sections");
  Require(second.Text() == saved, "the second save differs from the first");

  for (const orx::SettingsSection& section : first.sections()) {
    for (const std::string& line : section.lines) {
      Require(!line.empty() && line[0] != ';', "an empty line or a comment was stored");
      const std::string::size_type equals = line.find('=');
      if (equals != std::string::npos) {
        CheckParseInteger(line.substr(equals + 1));
      }
    }
  }

  // The edits the program makes keep the document a fixed point of load and save.
  orx::SettingsDocument edited = second;
  edited.WriteText(orx::kSetupSection, orx::kRedirectKey, "s:\\shared");
  Require(edited.ReadText("setup", "REDIRECT", "") == "s:\\shared", "WriteText not read back");
  edited.WriteNumber(orx::kServerSection, orx::kServerAdminKey, -2);
  Require(edited.ReadNumber("Server", "ServerAdmin", 0) == -2, "WriteNumber not read back");
  orx::RemoveKeyAndPrune(edited, orx::kServerSection, orx::kServerPathKey);
  const std::string editedText = edited.Text();
  Require(orx::SettingsDocumentFromText("orx.ini", editedText).Text() == editedText,
          "an edited document does not survive a round trip");
  return 0;
}
