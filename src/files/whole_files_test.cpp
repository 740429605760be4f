#include "files/whole_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "failure_of.h"
#include "test_files.h"

namespace orx {
namespace {

using testing::FailureOf;
using testing::NativePath;
using testing::ReadTree;
using testing::ScopedTempDir;
using testing::ScopedUnopenableFile;
using testing::SetReadOnly;
using testing::Tree;
using testing::WriteFile;

// A rewrite with the bytes the file is known to hold writes nothing: the file keeps its time and
// nothing is left beside it. It fails as the replace does where the file is not as known, or
// could not be written.
TEST(WholeFiles, ARewriteThatChangesNothingWritesNothingAndFailsWhereAWriteWould) {
  enum class Obstacle { kNone, kReadOnly, kHeld };
  const struct {
    const char* onDisk;
    Obstacle obstacle;
    bool fails;
  } rows[] = {{"[A]\r\n", Obstacle::kNone, false},
              {"[B]\r\n", Obstacle::kNone, true},
              {"[A]\r\n", Obstacle::kReadOnly, true},
              {"[A]\r\n", Obstacle::kHeld, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.onDisk) + " " + std::to_string(static_cast<int>(row.obstacle)));
    ScopedTempDir dir;
    const std::string file = dir / "orx.ini";
    WriteFile(file, row.onDisk);
    // The POSIX stand-in for a holder puts the file back anew: its time tells nothing there.
    const auto time = std::filesystem::last_write_time(NativePath(file)) - std::chrono::hours(48);
    std::filesystem::last_write_time(NativePath(file), time);
    SetReadOnly(file, row.obstacle == Obstacle::kReadOnly);
    {
      std::optional<ScopedUnopenableFile> held;
      if (row.obstacle == Obstacle::kHeld) {
        held.emplace(file);
      }
      EXPECT_EQ(FailureOf([&] { ReplaceKnownFileBytes(file, "[A]\r\n", std::string("[A]\r\n")); }),
                row.fails ? "EFCreateError Cannot create file " + file : "");
    }
    SetReadOnly(file, false);
    EXPECT_EQ(ReadTree(dir.path()), (Tree{{"orx.ini", row.onDisk}}));
    if (row.obstacle != Obstacle::kHeld) {
      EXPECT_EQ(std::filesystem::last_write_time(NativePath(file)), time);
    }
  }
}

}  // namespace
}  // namespace orx
