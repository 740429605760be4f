#include "base/characters.h"

#include <gtest/gtest.h>

#include "base/paths.h"

namespace orx {
namespace {

TEST(Characters, OnADoubleByteCodePageALeadAndItsTrailByteAreOneCharacter) {
  // A code page's lead bytes, and its characters whose trail byte is the backslash and a letter.
  struct Row {
    const char* page;
    std::vector<LeadByteRange> leads;
    std::string slash, letter;
  };
  const Row rows[] = {{"932", {{0x81, 0x9F}, {0xE0, 0xFC}}, "\x95\x5C", "\x83\x41"},  // 表 ア
                      {"936", {{0x81, 0xFE}}, "\x81\x5C", "\x81\x41"},                // 乗 丄
                      {"949", {{0x81, 0xFE}}, "", "\x81\x41"},                        // - 갂
                      {"950", {{0x81, 0xFE}}, "\xA4\x5C", "\xA4\x42"},                // 么 丁
                      {"1252", {}, "\x95\x5C", "\x83\x41"}};  // 932's bytes, here •\ ƒA
  for (const Row& row : rows) {
    SCOPED_TRACE(row.page);
    UseLeadBytes(row.leads);
    const bool whole = !row.leads.empty();
    const std::string dir = "C:\\" + row.letter + "X" + row.slash;
    const std::string lowerLetter = whole ? row.letter : row.letter.substr(0, 1) + "a";
    EXPECT_EQ(LowerCase(dir), "c:\\" + lowerLetter + "x" + row.slash);
    EXPECT_EQ(WithTrailingBackslash(dir), whole ? dir + "\\" : dir);
    EXPECT_EQ(FileNameOf(dir + "\\a" + row.slash + ".txt"),
              whole ? "a" + row.slash + ".txt" : ".txt");
    EXPECT_EQ(ParentDirectoryOf(dir + "\\a.txt"), whole ? dir : dir + "\\");
    // A lead byte before an escape (bytes 1 to 31, no trail byte) stands alone.
    EXPECT_EQ(CharacterLength("\x83\x01", 0), 1u);
  }
  UseLeadBytes({});
}

}  // namespace
}  // namespace orx
