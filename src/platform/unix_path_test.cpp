#include "platform/unix_path.h"

#include <gtest/gtest.h>

#include <string>

namespace orx {
namespace {

TEST(UnixPath, ADrivePrefixStandsForTheRootAndBackslashesBecomeSlashes) {
  struct Row {
    std::string path;
    std::string onUnix;
  };
  const Row rows[] = {
      {"c:", "/"},
      {"C:\\", "/"},
      {"c:\\tmp\\a", "/tmp/a"},
      {"z:rel", "/rel"},
      {"\\\\server\\share\\x", "//server/share/x"},
      {"rel\\a\\", "rel/a/"},
      {"1:\\x", "1:/x"},
      {"", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(UnixPathOf(row.path), row.onUnix);
  }
}

TEST(UnixPath, ServersAndSharesAreToldFromPathsBelowThem) {
  struct Row {
    std::string path;
    bool serverOrShare;
  };
  const Row rows[] = {
      {"\\\\srv", true},
      {"\\\\srv\\share", true},
      {"\\\\srv\\share\\", true},
      {"//srv/share", true},
      {"\\\\srv\\share\\d", false},
      {"\\\\", false},
      {"c:\\a", false},
      {"\\a\\b", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(IsServerOrShare(row.path), row.serverOrShare);
  }
}

}  // namespace
}  // namespace orx
