#include "base/paths.h"

#include <gtest/gtest.h>

#include <string>

namespace orx {
namespace {

struct Row {
  std::string path;
  std::string expected;
};

void ExpectEach(const char* operation, std::string (*function)(const std::string&),
                std::initializer_list<Row> rows) {
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(operation) + "(" + row.path + ")");
    EXPECT_EQ(function(row.path), row.expected);
  }
}

TEST(Paths, TrailingBackslashIsAddedOrRemovedOnce) {
  ExpectEach("WithTrailingBackslash", WithTrailingBackslash,
             {{"", ""},
              {"c:\\data", "c:\\data\\"},
              {"c:\\data\\", "c:\\data\\"},
              {"c:", "c:\\"},
              {"c:\\data\\\\", "c:\\data\\\\"},
              {"\\\\server\\share", "\\\\server\\share\\"}});
  ExpectEach("WithoutTrailingBackslash", WithoutTrailingBackslash,
             {{"", ""},
              {"c:\\data", "c:\\data"},
              {"c:\\data\\", "c:\\data"},
              {"c:\\data\\\\", "c:\\data\\"},
              {"\\", ""}});
}

TEST(Paths, DataDirectoryEndsInOneBackslash) {
  ExpectEach("DataDirectoryOf", DataDirectoryOf,
             {{"c:\\x", "c:\\x\\Data\\"},
              {"c:\\x\\", "c:\\x\\Data\\"},
              {"\\\\srv\\share\\", "\\\\srv\\share\\Data\\"}});
}

TEST(Paths, NamesAndExtensionsFollowTheLastBackslashOrColon) {
  ExpectEach("FileNameOf", FileNameOf,
             {{"c:\\a\\b.txt", "b.txt"},
              {"c:b.txt", "b.txt"},
              {"b.txt", "b.txt"},
              {"c:\\a\\", ""},
              {"", ""}});
  ExpectEach("ExtensionOf", ExtensionOf,
             {{"c:\\a\\b.txt", ".txt"},
              {"b.tar.gz", ".gz"},
              {"c:\\a.d\\b", ""},
              {"c:.ini", ".ini"},
              {"name.", "."},
              {"noext", ""},
              {"", ""}});
}

TEST(Paths, ParentDirectoryKeepsRootsAndDropsOtherFinalBackslashes) {
  ExpectEach("ParentDirectoryOf", ParentDirectoryOf,
             {{"c:\\a\\b.txt", "c:\\a"},
              {"c:\\b.txt", "c:\\"},
              {"c:b.txt", "c:"},
              {"c:\\a\\", "c:\\a"},
              {"\\\\server\\share\\x.txt", "\\\\server\\share"},
              {"\\\\server\\share\\dir\\x.txt", "\\\\server\\share\\dir"},
              {"\\\\server", "\\\\"},
              {"\\x.txt", "\\"},
              {"a\\\\b", "a\\\\"},
              {"name", ""},
              {"", ""}});
  ExpectEach(
      "ParentPathOf", ParentPathOf,
      {{"c:\\a\\b.txt", "c:\\a\\"}, {"c:\\a\\", "c:\\a\\"}, {"c:x", "c:"}, {"name", ""}, {"", ""}});
}

TEST(Paths, ADrivePrefixIsALetterAndAColon) {
  for (const char* path : {"c:", "Z:\\x", "a:rel"}) {
    EXPECT_TRUE(HasDrivePrefix(path)) << path;
  }
  for (const char* path : {"", "c", "1:\\x", "\\\\srv\\c:", ":c"}) {
    EXPECT_FALSE(HasDrivePrefix(path)) << path;
  }
}

}  // namespace
}  // namespace orx
