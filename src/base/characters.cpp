#include "base/characters.h"

#include <bitset>
#include <cstring>

namespace orx {

namespace {

struct LeadBytes {
  std::bitset<256> lead;
  bool any = false;
};

LeadBytes& Table() {
  static LeadBytes table;
  return table;
}

unsigned char Byte(char c) {
  return static_cast<unsigned char>(c);
}

// Calls visit(at, length) for each character of the text, in order.
template <typename Visit>
void ForEachCharacter(const std::string& text, Visit visit) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = CharacterLength(text, at);
    visit(at, length);
    at += length;
  }
}

}  // namespace

void UseLeadBytes(const std::vector<LeadByteRange>& ranges) {
  LeadBytes& table = Table();
  table.lead.reset();
  for (const LeadByteRange& range : ranges) {
    for (unsigned byte = range.first; byte <= range.last; ++byte) {
      table.lead.set(byte);
    }
  }
  table.any = table.lead.any();
}

bool IsLeadByte(char byte) {
  return Table().lead.test(Byte(byte));
}

std::size_t CharacterLength(const std::string& text, std::size_t at) {
  constexpr unsigned char kLowestTrailByte = 0x40;
  return IsLeadByte(text[at]) && at + 1 < text.size() && Byte(text[at + 1]) >= kLowestTrailByte ? 2
                                                                                                : 1;
}

std::size_t FindCharacter(const std::string& text, char c) {
  if (!Table().any) {
    return text.find(c);
  }
  for (std::size_t at = 0; at < text.size(); at += CharacterLength(text, at)) {
    if (text[at] == c && CharacterLength(text, at) == 1) {
      return at;
    }
  }
  return std::string::npos;
}

std::size_t CharacterCount(const std::string& text) {
  std::size_t count = 0;
  ForEachCharacter(text, [&count](std::size_t, std::size_t) { ++count; });
  return count;
}

std::size_t FindLastCharacterOf(const std::string& text, const char* bytes) {
  if (!Table().any) {
    return text.find_last_of(bytes);
  }
  std::size_t found = std::string::npos;
  ForEachCharacter(text, [&](std::size_t at, std::size_t length) {
    if (length == 1 && text[at] != '\0' && std::strchr(bytes, text[at]) != nullptr) {
      found = at;
    }
  });
  return found;
}

bool EndsWithCharacter(const std::string& text, char c) {
  if (text.empty() || text.back() != c) {
    return false;
  }
  if (!Table().any) {
    return true;
  }
  std::size_t last = 0;
  ForEachCharacter(text, [&last](std::size_t at, std::size_t) { last = at; });
  return last == text.size() - 1;
}

std::string LowerCase(const std::string& text) {
  std::string result(text);
  ForEachCharacter(result, [&result](std::size_t at, std::size_t length) {
    char& c = result[at];
    if (length == 1 && c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  });
  return result;
}

}  // namespace orx
