#include "platform/full_path.h"

#include <gtest/gtest.h>

#include <string>

namespace orx {
namespace {

TEST(FullPath, ResolvesDotsAndRelativePathsWithinTheirRoot) {
  const std::string long259 = "c:\\" + std::string(256, 'a');
  struct Row {
    std::string path;
    std::string current;
    std::string full;
  };
  const Row rows[] = {
      {"", "\\home", ""},
      {"rel", "\\home\\u", "\\home\\u\\rel"},
      {"x\\..\\y", "\\home\\u\\", "\\home\\u\\y"},
      {"rel", "/home/u", "\\home\\u\\rel"},
      {"rel", "/", "\\rel"},
      {"..\\..\\..\\a", "\\home\\u", "\\a"},
      {"rel", "c:\\work", "c:\\work\\rel"},
      {"rel", "", ""},
      {"c:\\a\\.\\b\\..\\c", "\\home", "c:\\a\\c"},
      {"c:\\a\\b\\", "\\home", "c:\\a\\b\\"},
      {"c:\\..\\a", "\\home", "c:\\a"},
      {"c:/a//b", "\\home", "c:\\a\\b"},
      {"c:", "\\home", "c:\\"},
      {"\\a\\b", "c:\\work", "\\a\\b"},
      {"\\\\server\\share\\a\\..\\b", "\\home", "\\\\server\\share\\b"},
      {"\\\\server\\share\\..\\..", "\\home", "\\\\server\\share\\"},
      {long259, "\\home", long259},
      {long259 + "a", "\\home", ""},
      {"b", long259.substr(0, 258), ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path + " from " + row.current);
    EXPECT_EQ(FullPathOf(row.path, row.current), row.full);
  }
}

}  // namespace
}  // namespace orx
