#include "platform/case_fold.h"

#include <gtest/gtest.h>

#include <string>

namespace orx {
namespace {

TEST(CaseFold, PairsAsciiAndWindows1252LettersAndNothingElse) {
  struct Row {
    std::string a;
    std::string b;
    bool equal;
  };
  const Row rows[] = {
      {"", "", true},
      {"SERVERPATH", "serverpatH", true},
      {"\xC9t\xC9", "\xE9t\xE9", true},  // E acute
      {"\xD6l", "\xF6L", true},          // O diaeresis
      {"\xDE", "\xFE", true},            // thorn
      {"\x8A\x8C\x8E", "\x9A\x9C\x9E", true},
      {"\x9F", "\xFF", true},
      {"\xC9", "E", false},     // accents count
      {"\xD7", "\xF7", false},  // multiplication and division signs are no letters
      {"co-op", "coop", false},
      {"abc", "abcd", false},
      {"a b", "ab", false},
      {"[x]", "{x}", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.a + " / " + row.b);
    EXPECT_EQ(EqualCaseFolded(row.a, row.b), row.equal);
    EXPECT_EQ(EqualCaseFolded(row.b, row.a), row.equal);
    EXPECT_EQ(CaseFolded(row.a) == CaseFolded(row.b), row.equal);
  }
}

TEST(CaseFold, FoldsTowardsTheSmallLetters) {
  // Listings sort by the folded names, so the direction decides where "_" falls among letters.
  EXPECT_EQ(CaseFolded("Orx_INI \xC0\x8A\x9F"), "orx_ini \xE0\x9A\xFF");
}

}  // namespace
}  // namespace orx
