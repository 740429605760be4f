#include "files/file_operations.h"

#include <gtest/gtest.h>

#include <string>

#include "base/paths.h"
#include "base/raised_failure.h"
#include "failure_of.h"
#include "test_files.h"

namespace orx {
namespace {

using testing::FailureOf;
using testing::ReadTree;
using testing::Replaced;
using testing::ScopedTempDir;
using testing::Tree;
using testing::WriteTree;

TEST(FileSets, AllNamesMustExistAsFiles) {
  struct Row {
    const char* what;
    Tree tree;
    bool marker;
    bool shared;
  };
  const Row rows[] = {
      {"empty", {}, false, false},
      {"marker only", {{"orx.inf", ""}}, true, false},
      {"marker is a directory", {{"orx.inf\\", ""}}, false, false},
      {"settings and one data file",
       {{"orx.ini", ""}, {"Data\\ClientProject.txt", ""}},
       false,
       false},
      {"whole shared set",
       {{"orx.ini", ""}, {"Data\\ClientProject.txt", ""}, {"Data\\CategoryActivity.txt", ""}},
       false,
       true},
      {"shared set in another letter case",
       {{"ORX.INI", ""}, {"DATA\\clientproject.txt", ""}, {"DATA\\CATEGORYACTIVITY.TXT", ""}},
       false,
       true},
      {"a data file is a directory",
       {{"orx.ini", ""}, {"Data\\ClientProject.txt\\", ""}, {"Data\\CategoryActivity.txt", ""}},
       false,
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ScopedTempDir dir;
    WriteTree(dir.path(), row.tree);
    EXPECT_EQ(HasInstallationMarker(dir.path()), row.marker);
    EXPECT_EQ(HasSharedFileSet(dir.path()), row.shared);
    // The directory may come without its final backslash.
    EXPECT_EQ(HasSharedFileSet(WithoutTrailingBackslash(dir.path())), row.shared);
  }
}

TEST(MakeDirectoryPath, CreatesEveryMissingLevel) {
  ScopedTempDir dir;
  WriteTree(dir.path(), {{"file.txt", "f"}, {"have\\", ""}});
  struct Row {
    std::string path;
    bool result;
  };
  const Row rows[] = {
      {dir / "have", true},
      {dir / "a\\b\\c\\", true},
      {dir / "a\\b\\d", true},
      {dir / "file.txt\\sub", false},
      {dir / "file.txt\\sub\\deeper\\", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(MakeDirectoryPath(row.path), row.result);
  }
  EXPECT_EQ(ReadTree(dir.path()), (Tree{{"file.txt", "f"},
                                        {"have\\", ""},
                                        {"a\\", ""},
                                        {"a\\b\\", ""},
                                        {"a\\b\\c\\", ""},
                                        {"a\\b\\d\\", ""}}));
}

TEST(MakeDirectoryPath, ShortPathsAndRootsNeedNothing) {
  for (const char* path : {"c:", "c:\\", "ab", "\\"}) {
    SCOPED_TRACE(path);
    EXPECT_TRUE(MakeDirectoryPath(path));
  }
}

TEST(MakeDirectoryPath, RaisesForTheEmptyPath) {
  EXPECT_EQ(FailureOf([] { MakeDirectoryPath(""); }), "EInOutError Unable to create directory");
}

TEST(EnsureDataDirectory, MakesTheDataDirectoryWhereItCan) {
  ScopedTempDir dir;
  WriteTree(dir.path(), {{"file.txt", "f"}, {"ready\\Data\\", ""}, {"bare\\", ""}});
  struct Row {
    std::string dir;
    bool result;
  };
  const Row rows[] = {
      {"", true},
      {dir / "ready\\", true},
      {dir / "bare", true},
      {dir / "new\\deeper\\", true},
      {dir / "file.txt\\", false},
      {dir / "file.txt\\below", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.dir);
    EXPECT_EQ(EnsureDataDirectory(row.dir), row.result);
  }
  EXPECT_EQ(ReadTree(dir.path()), (Tree{{"file.txt", "f"},
                                        {"ready\\", ""},
                                        {"ready\\Data\\", ""},
                                        {"bare\\", ""},
                                        {"bare\\Data\\", ""},
                                        {"new\\", ""},
                                        {"new\\deeper\\", ""},
                                        {"new\\deeper\\Data\\", ""}}));
}

TEST(EnsureDataDirectory, FailsWithoutRaisingOnAShareThatDoesNotExist) {
  EXPECT_FALSE(EnsureDataDirectory("\\\\orx-no-server\\no-share\\orx\\"));
}

TEST(CopyOneFile, CreatesTheTargetDirectoryAndReplacesTheTarget) {
  ScopedTempDir dir;
  WriteTree(dir.path(), {{"orx.ini", "new"}, {"old\\orx.ini", "old"}, {"file.txt", "f"}});
  EXPECT_TRUE(CopyOneFile(dir / "orx.ini", dir / "old\\orx.ini"));
  EXPECT_TRUE(CopyOneFile(dir / "orx.ini", dir / "made\\deep\\orx.ini"));
  EXPECT_FALSE(CopyOneFile(dir / "missing.ini", dir / "made\\missing.ini"));
  EXPECT_FALSE(CopyOneFile(dir / "orx.ini", dir / "file.txt\\orx.ini"));
  EXPECT_EQ(ReadTree(dir.path()), (Tree{{"orx.ini", "new"},
                                        {"file.txt", "f"},
                                        {"old\\", ""},
                                        {"old\\orx.ini", "new"},
                                        {"made\\", ""},
                                        {"made\\deep\\", ""},
                                        {"made\\deep\\orx.ini", "new"}}));
}

TEST(CopyFileWhole, ReplacesOrKeepsAndLeavesNoTemporaryFile) {
  const Tree before = {
      {"source.txt", "new\r\ncontent"}, {"target.txt", "old content, longer"}, {"folder\\", ""}};
  struct Row {
    const char* what;
    std::string source;
    std::string target;
    ExistingFile existing;
    bool result;
    Tree after;
    bool saidAbsent = false;  // the caller's listing did not hold the target
  };
  const Row rows[] = {
      {"replaced", "source.txt", "target.txt", ExistingFile::kReplace, true,
       Replaced(before, {{"target.txt", "new\r\ncontent"}})},
      {"kept", "source.txt", "TARGET.TXT", ExistingFile::kKeep, true, before},
      {"placed", "source.txt", "placed.txt", ExistingFile::kKeep, true,
       Replaced(before, {{"placed.txt", "new\r\ncontent"}})},
      {"missing source", "missing.txt", "copy.txt", ExistingFile::kReplace, false, before},
      {"source is a folder", "folder", "copy.txt", ExistingFile::kReplace, false, before},
      {"target is a folder", "source.txt", "folder", ExistingFile::kReplace, false, before},
      {"kept name is a folder", "source.txt", "folder", ExistingFile::kKeep, false, before},
      {"no target folder", "source.txt", "none\\copy.txt", ExistingFile::kReplace, false, before},
      {"replaced, though not listed", "source.txt", "TARGET.txt", ExistingFile::kReplace, true,
       Replaced(before, {{"target.txt", "new\r\ncontent"}}), true},
      {"a folder, though not listed", "source.txt", "folder", ExistingFile::kReplace, false, before,
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ScopedTempDir dir;
    WriteTree(dir.path(), before);
    EXPECT_EQ(row.saidAbsent
                  ? CopyFileWhole(dir / row.source, dir / row.target, row.existing, std::nullopt)
                  : CopyFileWhole(dir / row.source, dir / row.target, row.existing),
              row.result);
    EXPECT_EQ(ReadTree(dir.path()), row.after);
  }
}

TEST(CopyFileWhole, RefusesAReadOnlyTarget) {
  if (!testing::ReadOnlyFilesAreRefused()) {
    GTEST_SKIP() << "Wine run as root replaces a read-only file where Windows refuses";
  }
  ScopedTempDir dir;
  WriteTree(dir.path(), {{"source.txt", "new"}, {"target.txt", "old"}});
  testing::SetReadOnly(dir / "target.txt", true);
  EXPECT_FALSE(CopyFileWhole(dir / "source.txt", dir / "target.txt", ExistingFile::kReplace));
  EXPECT_EQ(ReadTree(dir.path()), (Tree{{"source.txt", "new"}, {"target.txt", "old"}}));
}

}  // namespace
}  // namespace orx
