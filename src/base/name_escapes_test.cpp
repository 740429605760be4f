#include "base/name_escapes.h"

#include <gtest/gtest.h>

#include <string>

namespace orx {
namespace {

TEST(NameEscapes, EveryUnitComesBackAndIsMadeOfBytesNoNameHolds) {
  for (const char16_t unit :
       {u'\0', u'\x7F', u'\xE9', u'\x0416', u'\x62A5', u'\xD83D', u'\xDE00', u'\xFFFF'}) {
    SCOPED_TRACE(static_cast<unsigned>(unit));
    std::string text = "a";
    AppendEscape(&text, unit);
    ASSERT_EQ(text.size(), 1 + kEscapeLength);
    for (std::size_t i = 1; i < text.size(); ++i) {
      EXPECT_GE(static_cast<unsigned char>(text[i]), 1u);
      EXPECT_LE(static_cast<unsigned char>(text[i]), 31u);
    }
    char16_t back = 0;
    EXPECT_TRUE(ReadEscape(text, 1, &back));
    EXPECT_EQ(back, unit);
    EXPECT_TRUE(HasEscape(text));
  }
}

TEST(NameEscapes, OnlyWellFormedEscapesAreRead) {
  struct Row {
    const char* what;
    std::string text;
  };
  const Row rows[] = {
      {"cut short", std::string("\x01\x10\x14\x11", 4)},
      {"digit byte out of range", std::string("\x01\x10\x14\x20\x16", 5)},
      {"no lead byte", std::string("\x02\x10\x14\x11\x16", 5)},
      {"plain text", "abcde"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    char16_t unit = 0;
    EXPECT_FALSE(ReadEscape(row.text, 0, &unit));
  }
  EXPECT_FALSE(HasEscape("Dvor\xE1k s.r.o \x80\xFF"));
}

TEST(NameEscapes, ShownAsTheCodePagesMarkForWhatItCannotSpell) {
  std::string text = "a";
  AppendEscape(&text, u'\x0416');
  EXPECT_EQ(WithEscapesShown(text + "\r\n\x01\x10"), "a?\r\n\x01\x10");
}

}  // namespace
}  // namespace orx
