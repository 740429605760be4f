#include "files/text.h"

#include <gtest/gtest.h>

#include <string>

#include "base/raised_failure.h"
#include "failure_of.h"
#include "test_files.h"

namespace orx {
namespace {
using testing::FailureOf;

TEST(Text, LowerCaseChangesOnlyAsciiCapitals) {
  EXPECT_EQ(LowerCase("ServerPath AZ@[`az{"), "serverpath az@[`az{");
  EXPECT_EQ(LowerCase("\xC9\xD6\x8A"), "\xC9\xD6\x8A") << "letters with accents stay";
}

TEST(Text, TrimRemovesControlsAndBlanksAtBothEnds) {
  struct Row {
    std::string text;
    std::string trimmed;
  };
  const Row rows[] = {
      {"  a b  ", "a b"},
      {"\t\r\n\x01x\x1F", "x"},
      {" \t \r\n", ""},
      {"", ""},
      {"\xA0x\xA0", "\xA0x\xA0"},  // a no-break space is a character like any other
      {std::string("\0a\0", 3), "a"},
      {" \x01\x16\x1E\x15\x15x\x01\x16\x1E\x15\x15\t",
       "\x01\x16\x1E\x15\x15x\x01\x16\x1E\x15\x15"},  // escapes
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(Trim(row.text), row.trimmed);
  }
}

TEST(TextLines, SplitFollowsTheLineBreakRules) {
  struct Row {
    const char* what;
    std::string bytes;
    TextLines lines;
  };
  const Row rows[] = {
      {"CR LF", "a\r\nb\r\n", {"a", "b"}},
      {"lone CR", "a\rb\r", {"a", "b"}},
      {"lone LF", "a\nb", {"a", "b"}},
      {"LF CR is two breaks", "a\n\rb", {"a", "", "b"}},
      {"CR CR LF", "a\r\r\nb", {"a", "", "b"}},
      {"final line without break", "a\r\nlast", {"a", "last"}},
      {"break at the end adds nothing", "a\r\n", {"a"}},
      {"only a break", "\r\n", {""}},
      {"empty", "", {}},
      {"zero byte in the third line",
       std::string("one\r\ntwo\r\nth\0ree\r\nfour", 22),
       {"one", "two", "th"}},
      {"zero byte at a line start", std::string("one\r\n\0two", 9), {"one"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(SplitTextLines(row.bytes), row.lines);
  }
}

TEST(TextLines, JoinEndsEveryLineWithCrLf) {
  EXPECT_EQ(JoinTextLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
  EXPECT_EQ(JoinTextLines({}), "");
}

TEST(TextLines, FilesRoundTripAndLoneCrFilesReadLikeCrLfFiles) {
  testing::ScopedTempDir dir;
  WriteTextLines(dir / "t.txt", {"[Setup]", "Redirect=c:\\r\\", ""});
  EXPECT_EQ(testing::ReadFile(dir / "t.txt"), "[Setup]\r\nRedirect=c:\\r\\\r\n\r\n");
  EXPECT_EQ(ReadTextLines(dir / "t.txt"), (TextLines{"[Setup]", "Redirect=c:\\r\\", ""}));
  testing::WriteFile(dir / "cr.txt", "[Setup]\rRedirect=c:\\r\\\r\r");
  EXPECT_EQ(ReadTextLines(dir / "cr.txt"), ReadTextLines(dir / "t.txt"));
}

TEST(TextLines, AMissingFileRaisesCannotOpen) {
  testing::ScopedTempDir dir;
  const std::string name = dir / "missing.ini";
  EXPECT_EQ(FailureOf([&] { ReadTextLines(name); }), "EFOpenError Cannot open file " + name);
}

TEST(TextLines, FindLineGivesTheFirstMatchWithoutRegardToCase) {
  const TextLines lines = {"alpha", "[Server]", "ServerPath=x", "[SERVER]"};
  struct Row {
    std::string text;
    int index;
  };
  const Row rows[] = {
      {"[server]", 1}, {"ALPHA", 0}, {"serverpath=X", 2}, {"serverpath", -1}, {"", -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(FindLine(lines, row.text), row.index);
  }
  EXPECT_EQ(FindLine({}, "x"), -1);
  EXPECT_EQ(FindLine({"a", ""}, ""), 1);
}

}  // namespace
}  // namespace orx
