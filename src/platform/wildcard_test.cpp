#include "platform/wildcard.h"

#include <gtest/gtest.h>

#include <string>

namespace orx {
namespace {

TEST(Wildcard, StarsQuestionMarksAndAFinalDotStarWithoutRegardToCase) {
  struct Row {
    std::string pattern;
    std::string name;
    bool matches;
  };
  const Row rows[] = {
      {"*.*", "a.txt", true},
      {"*.*", "NoDot", true},
      {"*.*", ".hidden", true},
      {"data.*", "Data", true},
      {"data.*", "database", false},
      {"\?\?\?\?-\?\?.txt", "2024-01.txt", true},
      {"\?\?\?\?-\?\?.txt", "2024-02.TXT", true},
      {"\?\?\?\?-\?\?.txt", "2024-1.txt", false},
      {"\?\?\?\?-\?\?.txt", "12024-01.txt", false},
      {"*.txt", "2024-01.txtx", false},  // no short-name match, unlike Windows
      {"nodot", "NoDot", true},
      {"*.ini", "ORX.INI", true},
      {"*.ini", "orx.ini.bak", false},
      {"a*b*c", "aXbYbZc", true},
      {"a*b*c", "aXbYc!", false},
      {"\xC9*", "\xE9t\xE9", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.pattern + " ~ " + row.name);
    EXPECT_EQ(MatchesWildcard(row.pattern, row.name), row.matches);
  }
}

}  // namespace
}  // namespace orx
