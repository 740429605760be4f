#include "files/tree_copy.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/paths.h"
#include "platform/platform.h"
#include "test_files.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace orx {
namespace {

using testing::DirectoryExists;
using testing::FileExists;
using testing::MakeDirectories;
using testing::ReadTree;
using testing::Replaced;
using testing::ScopedTempDir;
using testing::Tree;
using testing::WithDirectories;
using testing::WriteTree;

// The names a directory lists, in the platform's order, without "." and "..".
std::vector<std::string> ListedNames(const std::string& dir, bool directories) {
  std::vector<std::string> names;
  for (const DirectoryEntry& entry : EnumerateDirectory(dir + "*.*", 63)) {
    const bool isDirectory = (entry.attributes & kAttributeDirectory) != 0;
    if (isDirectory == directories && entry.name != "." && entry.name != "..") {
      names.push_back(entry.name);
    }
  }
  return names;
}

// Marks an entry hidden and system where the platform keeps such flags; the POSIX port knows
// hidden only as a leading dot, which the trees below also use.
void MarkHiddenAndSystem([[maybe_unused]] const std::string& path) {
#ifdef _WIN32
  const DWORD attributes = GetFileAttributesA(path.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << path;
  ASSERT_TRUE(
      SetFileAttributesA(path.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
#endif
}

TEST(CopyTree, EmptyTargetSucceedsAndCreatesNothing) {
  ScopedTempDir root;
  WriteTree(root.path(), {{"src\\a.txt", "a"}, {"src\\sub\\b.txt", "b"}});
  const Tree before = ReadTree(root.path());
  EXPECT_TRUE(CopyTree(root / "src", "", ""));
  EXPECT_TRUE(CopyTree(root / "missing", "", kBackupFolderPrefix));
  EXPECT_EQ(ReadTree(root.path()), before);
}

TEST(CopyTree, MissingSourceCreatesTargetWithItsParents) {
  ScopedTempDir root;
  EXPECT_TRUE(CopyTree(root / "missing", root / "x\\y\\target", ""));
  EXPECT_EQ(ReadTree(root.path()), (Tree{{"x\\", ""}, {"x\\y\\", ""}, {"x\\y\\target\\", ""}}));
}

TEST(CopyTree, CopiesTreeOfEmptyDirectoriesAsSuch) {
  ScopedTempDir root;
  const Tree tree = {{"a\\", ""}, {"a\\b\\", ""}, {"a\\b\\c\\", ""}, {"d\\", ""}};
  WriteTree(root / "src\\", tree);
  EXPECT_TRUE(CopyTree(root / "src\\", root / "dst", ""));
  EXPECT_EQ(ReadTree(root / "dst\\"), tree);
}

TEST(CopyTree, CopiesHiddenAndSystemEntriesReplacesTargetsKeepsTargetOnlyFilesButLeftovers) {
  ScopedTempDir root;
  const Tree source = {
      {".hidden", "h"},
      {"marked.dat", "m"},
      {".hiddendir\\inner.txt", "i"},
      {"markeddir\\deep\\file.txt", "f"},
      {"same.txt", "new content"},
      {"sub\\same.txt", "new sub content"},
      {"no dot", "n"},
      {"sub\\~ox0C0D", "the user's own"},
  };
  WriteTree(root / "src\\", source);
  MarkHiddenAndSystem(root / "src\\marked.dat");
  MarkHiddenAndSystem(root / "src\\markeddir");
  const Tree targetOnly = {{"only.txt", "kept"},
                           {"onlydir\\x.txt", "kept too"},
                           {"~ox1a2c", "not the program's form"},
                           {"sub\\~oxABCD.tmp", "nor this"}};
  WriteTree(root / "dst\\", Replaced(targetOnly, {{"same.txt", "old"},
                                                  {"sub\\same.txt", "old sub"},
                                                  {"~ox1A2B", "left by a stopped copy"},
                                                  {"sub\\~ox2B3C", "left too"}}));

  ASSERT_TRUE(CopyTree(root / "src", root / "dst\\", ""));

  EXPECT_EQ(ReadTree(root / "dst\\"), WithDirectories(Replaced(source, targetOnly)));
}

TEST(CopyTree, SkipsBackupFoldersAtAnyDepthInAnyLetterCase) {
  ScopedTempDir root;
  const Tree kept = {
      {"ORX Backup old\\f.txt", "short rest: not a backup"},
      {"a\\keep.txt", "k"},
      {"a\\b\\", ""},
      {"ORX Backup 2020-01-01 [00-00-00-000].txt", "a file, never skipped"},
  };
  const Tree skipped = {
      {"orx backup 2020-01-01 [00-00-00-000]\\f.txt", "top"},
      {"a\\ORX BACKUP 2021-02-03 [04-05-06-007] more\\f.txt", "depth 1"},
      {"a\\b\\Orx Backup 2020-01-01 [00-00-00-000]\\", ""},
  };
  WriteTree(root / "src\\", kept);
  WriteTree(root / "src\\", skipped);

  ASSERT_TRUE(CopyTree(root / "src", root / "skipping", kBackupFolderPrefix));
  EXPECT_EQ(ReadTree(root / "skipping\\"), WithDirectories(kept));

  // With no skip prefix the backup folders are copied like any other directory.
  ASSERT_TRUE(CopyTree(root / "src", root / "all", ""));
  EXPECT_EQ(ReadTree(root / "all\\"), ReadTree(root / "src\\"));
}

TEST(CopyTree, FailedFileCopyStopsTheWholeWalkKeepingWhatWasCopied) {
  // The target path of one source file is an existing directory, so that file's copy fails on
  // every platform. Which entries come before it depends on the platform's listing order.
  struct Row {
    const char* blocked;  // relative path of the source file whose copy fails
  };
  const Row rows[] = {{"b\\b2.txt"}, {"b\\inner\\i1.txt"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.blocked);
    ScopedTempDir root;
    const std::string src = root / "src\\";
    const std::string dst = root / "dst\\";
    WriteTree(src, {{"a\\a1.txt", "a1"},
                    {"b\\b1.txt", "b1"},
                    {"b\\b2.txt", "b2"},
                    {"b\\b3.txt", "b3"},
                    {"b\\inner\\i1.txt", "i1"},
                    {"c\\c1.txt", "c1"},
                    {"t1.txt", "t1"},
                    {"t2.txt", "t2"}});
    const std::string blocked = row.blocked;
    MakeDirectories(dst + blocked);

    EXPECT_FALSE(CopyTree(src, dst, ""));

    // Root sub-directories listed before b were copied whole, later ones not at all; no root file.
    Tree expected = {{"b\\", ""}, {"b\\inner\\", ""}, {blocked + "\\", ""}};
    for (const std::string& dir : ListedNames(src, true)) {
      if (dir == "b") {
        break;
      }
      expected[dir + "\\"] = "";
      expected[dir + "\\" + dir + "1.txt"] = dir + "1";
    }
    if (blocked == "b\\b2.txt") {
      // inner was copied before b's own files; of those, the ones listed before b2.txt.
      expected["b\\inner\\i1.txt"] = "i1";
      for (const std::string& file : ListedNames(src + "b\\", false)) {
        if (file == "b2.txt") {
          break;
        }
        expected["b\\" + file] = file.substr(0, 2);
      }
    }
    EXPECT_EQ(ReadTree(dst), expected);
  }
}

TEST(CopyTree, AFolderThatCannotBeListedFailsTheCopyAndMayHoldFiles) {
  ScopedTempDir root;
  WriteTree(root / "src\\", {{"a.txt", "a"}, {"locked\\inside.txt", "i"}, {"open\\", ""}});
  bool copied = false;
  Found holdsFiles = Found::kNotThere;
  std::string unread;
  {
    const testing::ScopedUnlistableFolder locked(root / "src\\locked");
    if (!locked.refused()) {
      GTEST_SKIP() << "this user lists every folder (root)";
    }
    copied = CopyTree(root / "src\\", root / "dst\\", "");
    holdsFiles = TreeHasFiles(root / "src\\open\\..\\locked", &unread);
  }
  EXPECT_FALSE(copied) << "the locked folder would have arrived empty";
  EXPECT_EQ(holdsFiles, Found::kUnknown) << "it may hold anything";
  EXPECT_EQ(unread, root / "src\\open\\..\\locked\\");
  EXPECT_FALSE(FileExists(root / "dst\\a.txt")) << "the walk stops at the folder";
}

#ifdef _WIN32
TEST(CopyTree, AFileNamedLikeAnotherFilesShortAliasNeverReplacesIt) {
  ScopedTempDir root;
  // The alias the system gives the long name; the file of that name is made first, so that the
  // long name gets another one.
  WriteTree(root / "probe\\", {{"longfilename.txt", ""}});
  const std::u16string probe = UnitsOfText(root / "probe\\longfilename.txt");
  wchar_t alias[MAX_PATH];
  const DWORD length =
      GetShortPathNameW(reinterpret_cast<const wchar_t*>(probe.c_str()), alias, MAX_PATH);
  ASSERT_TRUE(length > 0 && length < MAX_PATH);
  const std::string aliasName = FileNameOf(TextOfUnits(std::u16string(alias, alias + length)));
  ASSERT_NE(aliasName, "longfilename.txt");
  WriteTree(root / "src\\", {{aliasName, "named like the alias"}});
  WriteTree(root / "src\\", {{"longfilename.txt", "the long name's"}});
  const Tree source = ReadTree(root / "src\\");
  ASSERT_EQ(source.size(), 2u);

  // Into a new folder, and again over both.
  EXPECT_TRUE(CopyTree(root / "src", root / "new", ""));
  EXPECT_TRUE(CopyTree(root / "src", root / "new", ""));
  EXPECT_EQ(ReadTree(root / "new\\"), source);
  // Where only the long name is there, its alias cannot be given to the other file.
  const Tree older = {{"longfilename.txt", "older"}};
  WriteTree(root / "old\\", older);
  EXPECT_FALSE(CopyTree(root / "src", root / "old", ""));
  EXPECT_EQ(ReadTree(root / "old\\"), older);
}
#endif

TEST(BackupDirectory, BacksUpIntoItselfLeavingOutEarlierBackups) {
  ScopedTempDir root;
  const std::string dir = root / "data\\";
  const Tree content = {
      {"orx.ini", "[Setup]"}, {"Data\\2024-01.txt", "line"}, {"Data\\empty\\", ""}};
  WriteTree(dir, content);
  const std::string earlier = "ORX Backup 2001-01-01 [00-00-00-000]";
  WriteTree(dir, {{earlier + "\\old.txt", "old"}});

  ASSERT_TRUE(BackupDirectory(dir, dir));

  std::vector<std::string> made;
  for (const std::string& name : ListedNames(dir, true)) {
    if (name != earlier && IsBackupFolderName(kBackupFolderPrefix, name)) {
      made.push_back(name);
    }
  }
  ASSERT_EQ(made.size(), 1u);
  EXPECT_EQ(made[0].size(), 36u);
  EXPECT_EQ(ReadTree(dir + made[0] + "\\"), WithDirectories(content));
  EXPECT_EQ(ReadTree(dir + earlier + "\\"), (Tree{{"old.txt", "old"}}));
}

TEST(BackupDirectory, EmptyParentFailsAndCreatesNothing) {
  ScopedTempDir root;
  WriteTree(root.path(), {{"src\\a.txt", "a"}});
  const Tree before = ReadTree(root.path());
  EXPECT_FALSE(BackupDirectory(root / "src", ""));
  EXPECT_EQ(ReadTree(root.path()), before);
}

TEST(TreeHasFiles, FindsAnyFileAtAnyDepthAndNothingInEmptyTrees) {
  struct Row {
    const char* name;
    Tree tree;
    bool expected;
  };
  const Row rows[] = {
      {"hidden file three levels down", {{"a\\b\\c\\.hidden", "h"}, {"d\\", ""}}, true},
      {"file at the top", {{"f.txt", ""}}, true},
      {"only inside a backup folder", {{"ORX Backup 2020-01-01 [00-00-00-000]\\f", "x"}}, true},
      {"empty directories only", {{"a\\b\\c\\", ""}, {"d\\", ""}}, false},
      {"empty directory", {}, false},
  };
  std::string unread;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScopedTempDir root;
    WriteTree(root.path(), row.tree);
    EXPECT_EQ(TreeHasFiles(root.path(), &unread), row.expected ? Found::kThere : Found::kNotThere);
  }
  ScopedTempDir root;
  EXPECT_EQ(TreeHasFiles("", &unread), Found::kNotThere);
  EXPECT_EQ(TreeHasFiles(root / "missing", &unread), Found::kNotThere);
}

LocalTime MakeTime(int year, int month, int day, int hour, int minute, int second, int ms) {
  LocalTime time;
  time.year = year;
  time.month = month;
  time.day = day;
  time.hour = hour;
  time.minute = minute;
  time.second = second;
  time.millisecond = ms;
  return time;
}

TEST(DatedName, AppendsZeroPaddedStampOnTheTwentyFourHourClock) {
  struct Row {
    LocalTime time;
    const char* expected;
  };
  const Row rows[] = {
      {MakeTime(2024, 3, 2, 9, 5, 3, 7), "ORX Backup 2024-03-02 [09-05-03-007]"},
      {MakeTime(2024, 3, 2, 23, 59, 59, 999), "ORX Backup 2024-03-02 [23-59-59-999]"},
      {MakeTime(987, 12, 31, 0, 0, 0, 0), "ORX Backup 0987-12-31 [00-00-00-000]"},
      {MakeTime(2030, 10, 10, 12, 30, 45, 120), "ORX Backup 2030-10-10 [12-30-45-120]"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expected);
    EXPECT_EQ(DatedName(kBackupFolderPrefix, row.time), row.expected);
  }
  EXPECT_EQ(DatedName("", MakeTime(2024, 3, 2, 9, 5, 3, 7)), "2024-03-02 [09-05-03-007]");
}

TEST(DatedName, StampsTheCurrentLocalTime) {
  // The stamp orders like the time it shows, so the name lies between two readings of the clock.
  const std::string before = DatedName(kBackupFolderPrefix, LocalNow());
  const std::string name = DatedName(kBackupFolderPrefix);
  const std::string after = DatedName(kBackupFolderPrefix, LocalNow());
  EXPECT_LE(before, name);
  EXPECT_LE(name, after);
  EXPECT_EQ(name.size(), 36u);
  EXPECT_TRUE(IsBackupFolderName(kBackupFolderPrefix, name));
}

TEST(IsBackupFolderName, TestsPrefixAndStampPunctuationOnly) {
  struct Row {
    const char* prefix;
    const char* path;
    bool expected;
  };
  const Row rows[] = {
      {"ORX Backup ", "ORX Backup 2024-03-02 [09-05-03-007]", true},
      {"ORX Backup ", "c:\\data\\orx backup 2024-03-02 [09-05-03-007]", true},
      {"orx backup ", "c:\\data\\ORX BACKUP 2024-03-02 [09-05-03-007]\\", false},
      {"ORX Backup ", "c:ORX Backup 2024-03-02 [09-05-03-007]", true},
      {"ORX Backup ", "ORX Backup 2024-03-02 [09-05-03-007] copy", true},
      {"ORX Backup ", "ORX Backup abcd-ef-gh#[ij-kl-mn-opq]", true},
      {"ORX Backup ", "ORX Backup 2024-03-02 [09-05-03-00]", false},
      {"ORX Backup ", "ORX Backup old", false},
      {"ORX Backup ", "ORX Backup 2024-03-02 (09-05-03-007)", false},
      {"ORX Backup ", "ORX Backup 2024/03/02 [09-05-03-007]", false},
      {"ORX Backup ", "ORX Backup 2024-03-02 [09:05:03.007]", false},
      {"ORX Backup ", "ORXBackup 2024-03-02 [09-05-03-007]", false},
      {"ORX Backup ", "My ORX Backup 2024-03-02 [09-05-03-007]", false},
      {"ORX Backup ", "ORX Backup ", false},
      {"ORX Backup ", "", false},
      {"", "2024-03-02 [09-05-03-007]", false},
      {"", "ORX Backup 2024-03-02 [09-05-03-007]", false},
      {"B", "b2024-03-02 [09-05-03-007]", true},
      // A character the code page cannot spell (here escaped U+0416) makes no backup name.
      {"ORX Backup ", "ORX Backup 2024-03-02 [09-05-03-007] \x01\x10\x14\x11\x16", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.prefix) + " | " + row.path);
    EXPECT_EQ(IsBackupFolderName(row.prefix, row.path), row.expected);
  }
}

}  // namespace
}  // namespace orx
