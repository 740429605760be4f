#include "files/month_compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "base/paths.h"
#include "base/raised_failure.h"
#include "failure_of.h"
#include "files/text.h"
#include "month_compare_reference.h"
#include "platform/platform.h"
#include "test_files.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace orx {
namespace {

using testing::ReferenceCompareMonthData;
using testing::ScopedTempDir;
using testing::ScopedUnopenableFile;
using testing::Tree;
using testing::WriteTree;

int Swapped(int result) {
  return result == 1 ? 2 : result == 2 ? 1 : result;
}

TEST(IsMonthFileName, AcceptsYearDashMonthTxtByTheIntegerRule) {
  struct Row {
    const char* path;
    bool expected;
  };
  const Row rows[] = {
      {"2024-01.txt", true},        {"c:\\x\\Data\\2024-12.TXT", true},
      {"2024-13.txt", true},        {"x7E8-01.txt", true},
      {"$7e8-$1.Txt", true},        {"  24- 1.txt", true},
      {"0x7E-+1.txt", true},        {"2024-1.txt", false},
      {"2024_01.txt", false},       {"2024-01.doc", false},
      {"2024-0a.txt", false},       {"2024-01.txtx", false},
      {"12024-01.txt", false},      {"20 4-01.txt", false},
      {"2024--1.txt", true},        {"2024-1 .txt", false},
      {"c:\\2024-01.txt\\", false}, {"", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(IsMonthFileName(row.path), row.expected);
  }
}

TEST(CompareMonthData, GivesTheResultCodeOfWhatEachSideLacks) {
  struct Row {
    const char* name;
    Tree first;
    Tree second;
    int expected;
  };
  const Row rows[] = {
      {"no data directories", {}, {}, 0},
      {"empty data directories", {{"Data\\", ""}}, {{"Data\\", ""}}, 0},
      {"same lines in another order and letter case",
       {{"Data\\2024-01.txt", "alpha\r\nBeta\r\ngamma\r\n"}, {"Data\\2024-02.txt", "x\r\n"}},
       {{"Data\\2024-01.txt", "GAMMA\r\nalpha\r\nbeta"}, {"Data\\2024-02.txt", "X\n"}},
       0},
      {"month file on the first side only", {{"Data\\2024-03.txt", "one line"}}, {}, 1},
      {"single empty line on one side only", {{"Data\\2024-03.txt", "\r\n"}}, {}, 1},
      {"empty month file on one side only", {{"Data\\2024-03.txt", ""}}, {{"Data\\", ""}}, 0},
      {"line added on the first side",
       {{"Data\\2024-01.txt", "a\r\nb\r\nc\r\n"}},
       {{"Data\\2024-01.txt", "a\r\nc\r\n"}},
       1},
      {"line added on the second side",
       {{"Data\\2024-01.txt", "a\r\nc\r\n"}},
       {{"Data\\2024-01.txt", "a\r\nb\r\nc\r\n"}},
       2},
      {"one line added on each side",
       {{"Data\\2024-01.txt", "a\r\nb\r\n"}},
       {{"Data\\2024-01.txt", "a\r\nc\r\n"}},
       -1},
      {"line twice on the first side, once on the second",
       {{"Data\\2024-01.txt", "a\r\nb\r\na\r\n"}},
       {{"Data\\2024-01.txt", "b\r\na\r\n"}},
       1},
      {"an extra empty line counts",
       {{"Data\\2024-01.txt", "a\r\n\r\nb\r\n"}},
       {{"Data\\2024-01.txt", "a\r\nb\r\n"}},
       1},
      {"line breaks of any kind",
       {{"Data\\2024-01.txt", "a\rb\nc\r\nd"}},
       {{"Data\\2024-01.txt", "d\r\nc\r\nb\r\na\r\n"}},
       0},
      {"upper-case extension pairs with lower case",
       {{"Data\\2024-01.TXT", "a\r\nb\r\n"}},
       {{"Data\\2024-01.txt", "B\r\nA\r\n"}},
       0},
      {"hexadecimal names pair ignoring case",
       {{"Data\\x7E8-01.txt", "a\r\n"}},
       {{"Data\\X7e8-01.TXT", "a\r\nz\r\n"}},
       2},
      {"files that are not month files are not compared",
       {{"Data\\2024-1.txt", "a"},
        {"Data\\2024_01.txt", "a"},
        {"Data\\2024-01.doc", "a"},
        {"Data\\2024-0a.txt", "a"},
        {"2024-01.txt", "outside Data"}},
       {{"Data\\", ""}},
       0},
      {"a directory named like a month file is ignored",
       {{"Data\\2024-01.txt\\2024-01.txt", "inside"}},
       {{"Data\\", ""}},
       0},
      {"more files on one side than on the other",
       {{"Data\\2024-01.txt", "a"}, {"Data\\2024-02.txt", "b"}, {"Data\\2024-03.txt", "c"}},
       {{"Data\\2024-02.txt", "B"}},
       1},
      {"text after a zero byte is not read",
       {{"Data\\2024-01.txt", std::string("a\r\nb\0c\r\n", 8)}},
       {{"Data\\2024-01.txt", "a\r\nb"}},
       0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScopedTempDir first;
    ScopedTempDir second;
    WriteTree(first.path(), row.first);
    WriteTree(second.path(), row.second);
    EXPECT_EQ(CompareMonthData(first.path(), second.path()), row.expected);
    EXPECT_EQ(CompareMonthData(second.path(), first.path()), Swapped(row.expected));
    // Directories given without their trailing backslash compare the same.
    EXPECT_EQ(CompareMonthData(WithoutTrailingBackslash(first.path()),
                               WithoutTrailingBackslash(second.path())),
              row.expected);
  }
}

TEST(CompareMonthData, ReadsNothingWhenBothTextsNameOneDirectoryAlike) {
  ScopedTempDir dir;
  WriteTree(dir.path(), {{"Data\\2024-01.txt", "a\r\n"}, {"Data\\2024-02.txt", "b\r\n"}});
  const ScopedUnopenableFile held(dir / "Data\\2024-02.txt");
  std::string upper = WithoutTrailingBackslash(dir.path());
  for (char& c : upper) {
    c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  }
  struct Row {
    const char* name;
    std::string second;
    bool reads;
  };
  const Row rows[] = {
      {"the same text", dir.path(), false},
      {"upper case without the trailing backslash", upper, false},
      // Another text for the same directory: only reading can tell.
      {"through a dot segment", dir / ".\\", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (!row.reads) {
      EXPECT_EQ(CompareMonthData(dir.path(), row.second), kMonthDataSame);
      continue;
    }
    try {
      CompareMonthData(dir.path(), row.second);
      ADD_FAILURE() << "the held month file was not read";
    } catch (const RaisedFailure& failure) {
      EXPECT_EQ(failure.kind(), kFileOpenError);
    }
  }
}

TEST(CompareMonthData, ADataFolderThatCannotBeListedRaises) {
  ScopedTempDir dir;
  WriteTree(dir.path(), {{"a\\Data\\2024-01.txt", "x\r\n"}, {"b\\Data\\2024-01.txt", "x\r\n"}});
  const testing::ScopedUnlistableFolder locked(dir / "a\\Data");
  if (!locked.refused()) {
    GTEST_SKIP() << "this user lists every folder (root)";
  }
  EXPECT_EQ(testing::FailureOf([&dir] { CompareMonthData(dir / "b", dir / "a"); }),
            "EInOutError Cannot read directory " + dir / "a\\Data\\");
}

TEST(CompareMonthData, CountsHiddenMonthFiles) {
#ifdef _WIN32
  ScopedTempDir first;
  ScopedTempDir second;
  WriteTree(first.path(), {{"Data\\2024-01.txt", "hidden line"}});
  WriteTree(second.path(), {{"Data\\", ""}});
  const std::string path = first / "Data\\2024-01.txt";
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  EXPECT_EQ(CompareMonthData(first.path(), second.path()), 1);
#else
  GTEST_SKIP() << "the POSIX port marks only dot names hidden, and no month file name has one";
#endif
}

// Month data made of few distinct lines in many spellings, so that pairs, duplicates, case
// variants and empty lines all occur often; a second side is either drawn afresh or made from the
// first by small changes, so that results near 0 occur as often as clear differences.
class MonthDataGenerator {
 public:
  // Month name (without extension) to its lines.
  using MonthSet = std::map<std::string, std::vector<std::string>>;

  explicit MonthDataGenerator(unsigned seed) : random_(seed) {}

  MonthSet Fresh() {
    static const char* const kMonths[] = {"2024-01", "2024-02", "x7E8-03", "2023-12", "$7E8-11"};
    MonthSet set;
    for (const char* month : kMonths) {
      if (Pick(3) != 0) {
        std::vector<std::string>& lines = set[month];
        for (int i = Pick(9); i > 0; --i) {
          lines.push_back(Line());
        }
      }
    }
    return set;
  }

  // The same months and lines, shuffled, one line in caseOneIn lower-cased, with now and then a
  // line added, dropped or changed.
  MonthSet Changed(const MonthSet& set, int caseOneIn) {
    MonthSet changed;
    for (const auto& [month, lines] : set) {
      std::vector<std::string> copy = lines;
      std::shuffle(copy.begin(), copy.end(), random_);
      for (std::string& line : copy) {
        if (Pick(caseOneIn) == 0) {
          line = LowerCase(line);
        }
      }
      if (Pick(4) == 0) {
        copy.push_back(Line());
      }
      if (!copy.empty() && Pick(4) == 0) {
        copy.pop_back();
      }
      if (!copy.empty() && Pick(6) == 0) {
        copy.front() = Line();
      }
      if (Pick(10) != 0) {
        changed[month] = copy;
      }
    }
    return changed;
  }

  // The Data directory of one side, names and line breaks spelt at random.
  Tree Render(const MonthSet& set) {
    static const char* const kExtensions[] = {".txt", ".TXT", ".Txt"};
    static const char* const kBreaks[] = {"\r\n", "\n", "\r", "\n\r"};
    Tree tree = {{"Data\\", ""}};
    for (const auto& [month, lines] : set) {
      std::string name = month;
      if (Pick(2) == 0) {
        for (char& c : name) {
          c = c == 'x' ? 'X' : c == 'E' ? 'e' : c;
        }
      }
      std::string text;
      for (std::size_t i = 0; i < lines.size(); ++i) {
        text += lines[i];
        // A break after the last line is optional, except after an empty one, which would
        // otherwise vanish.
        if (i + 1 < lines.size() || lines[i].empty() || Pick(2) == 0) {
          const char* lineBreak = kBreaks[Pick(4)];
          // LF CR is two breaks: it may stand only where an empty line follows.
          if (std::string(lineBreak) == "\n\r" &&
              (i + 1 == lines.size() || !lines[i + 1].empty())) {
            lineBreak = "\n";
          }
          text += lineBreak;
          if (std::string(lineBreak) == "\n\r") {
            ++i;  // the empty line that follows has been written
          }
        }
      }
      if (Pick(20) == 0) {
        text += std::string(1, '\0') + "after zero\r\n";
      }
      tree["Data\\" + name + kExtensions[Pick(3)]] = text;
    }
    return tree;
  }

 private:
  std::string Line() {
    static const char* const kLines[] = {"",         "a",        "A",   "b;1;2", "B;1;2",
                                         "\xC4rger", "\xE4RGER", "x y", "X Y",   "zeta 12.50"};
    return kLines[Pick(10)];
  }

  int Pick(int below) { return std::uniform_int_distribution<int>(0, below - 1)(random_); }

  std::mt19937 random_;
};

TEST(CompareMonthData, AgreesWithTheLinearSearchWalkOnRandomData) {
  MonthDataGenerator generate(20240302);
  int seen[4] = {0, 0, 0, 0};
  for (int round = 0; round < 150; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    ScopedTempDir first;
    ScopedTempDir second;
    const MonthDataGenerator::MonthSet firstSet = generate.Fresh();
    WriteTree(first.path(), generate.Render(firstSet));
    // Fresh data, data in other letter case, and data whose lines mostly match byte for byte.
    WriteTree(second.path(), generate.Render(round % 3 == 0   ? generate.Fresh()
                                             : round % 3 == 1 ? generate.Changed(firstSet, 2)
                                                              : generate.Changed(firstSet, 8)));
    const int expected = ReferenceCompareMonthData(first.path(), second.path());
    ASSERT_EQ(CompareMonthData(first.path(), second.path()), expected);
    ASSERT_EQ(CompareMonthData(second.path(), first.path()),
              ReferenceCompareMonthData(second.path(), first.path()));
    ++seen[expected + 1];
  }
  // The data must have exercised every result code for the agreement to mean something.
  for (int count : seen) {
    EXPECT_GT(count, 0);
  }
}

}  // namespace
}  // namespace orx
