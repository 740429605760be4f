#include "platform/case_fold.h"

namespace orx {

namespace {

struct FoldTable {
  unsigned char lower[256];
  FoldTable() {
    for (int c = 0; c < 256; ++c) {
      lower[c] = static_cast<unsigned char>(c);
    }
    for (int c = 'A'; c <= 'Z'; ++c) {
      lower[c] = static_cast<unsigned char>(c + 32);
    }
    for (int c = 0xC0; c <= 0xDE; ++c) {
      if (c != 0xD7) {
        lower[c] = static_cast<unsigned char>(c + 32);
      }
    }
    lower[0x8A] = 0x9A;
    lower[0x8C] = 0x9C;
    lower[0x8E] = 0x9E;
    lower[0x9F] = 0xFF;
  }
  unsigned char operator()(char c) const { return lower[static_cast<unsigned char>(c)]; }
};

const FoldTable& Folds() {
  static const FoldTable table;
  return table;
}

}  // namespace

std::string CaseFolded(const std::string& text) {
  const FoldTable& fold = Folds();
  std::string result(text);
  for (char& c : result) {
    c = static_cast<char>(fold(c));
  }
  return result;
}

bool EqualCaseFolded(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) {
    return false;
  }
  const FoldTable& fold = Folds();
  for (std::string::size_type i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) {
      return false;
    }
  }
  return true;
}

}  // namespace orx
