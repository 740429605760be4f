#include "platform/what_if.h"

#include <gtest/gtest.h>

#include <functional>
#include <numeric>
#include <set>

#include "test_files.h"

namespace orx {
namespace {

using testing::ReadTree;
using testing::ScopedTempDir;
using testing::Tree;

// What the platform's looks show under a name: "(none)", "(folder)" or the file's bytes.
std::string Seen(const std::string& path) {
  unsigned attributes = 0;
  const Found found = ReadAttributes(path, &attributes);
  if (found != Found::kThere) {
    return found == Found::kNotThere && IsFile(path) == Found::kNotThere ? "(none)" : "(unknown)";
  }
  return (attributes & kAttributeDirectory) != 0 ? "(folder)" : ReadFileBytes(path);
}

// The names a listing of the folder shows, folders included, in byte order, each followed by a
// blank.
std::string Listed(const std::string& folder) {
  std::set<std::string> sorted;
  for (const DirectoryEntry& entry : EnumerateDirectory(folder + "*.*", kAttributeDirectory)) {
    sorted.insert(entry.name == "." || entry.name == ".." ? "" : entry.name + " ");
  }
  return std::accumulate(sorted.begin(), sorted.end(), std::string());
}

// Writes the bytes anew under a temporary name beside path and replaces path with them.
bool Rewritten(const std::string& path, const std::string& bytes) {
  const std::string temporary = TemporaryNameBeside(path);
  WritableFile file;
  return CreateFileForWriting(temporary, true, &file) == NewFileResult::kMade &&
         WriteToFile(file, bytes) && CloseFile(&file) &&
         ReplaceWithFile(path, temporary, TemporaryNameBeside(path));
}

TEST(WhatIf, ChangesAreSeenButNeverMade) {
  ScopedTempDir dir;
  const std::string root = dir.path();
  const Tree disk = {{"a.txt", "A"}, {"ro.txt", "R"}, {"sub\\b.txt", "B"}};
  testing::WriteTree(root, disk);
  testing::SetReadOnly(root + "ro.txt", true);
  const struct {
    const char* rule;
    std::function<bool()> changes;  // true when each call answered as the disk's own would
    Tree seen;                      // name → Seen
    std::string listed;             // the root's listing
    bool altersDisk;
  } rows[] = {
      {"a folder made is there, under any letter case",
       [&] { return CreateDirectoryA(root + "New") && !CreateDirectoryA(root + "NEW\\"); },
       {{"new\\", "(folder)"}, {"NEW\\x", "(none)"}},
       "New a.txt ro.txt sub ",
       true},
      {"a copy reads as its source; a taken name or a missing folder refuses it",
       [&] {
         return CopyToNewFile(root + "a.txt", root + "sub\\c.txt") == NewFileResult::kMade &&
                CopyToNewFile(root + "A.TXT", root + "SUB\\C.txt") == NewFileResult::kNameTaken &&
                CopyToNewFile(root + "a.txt", root + "no\\c.txt") == NewFileResult::kFailed;
       },
       {{"sub\\C.TXT", "A"}},
       "a.txt ro.txt sub ",
       true},
      {"a rename moves the file, a removal leaves nothing, a read-only file is not written over",
       [&] {
         WritableFile file;
         return !RenameFile(root + "a.txt", root + "sub\\b.txt", false) &&
                !RenameFile(root + "a.txt", root + "ro.txt", true) &&
                RenameFile(root + "a.txt", root + "d.txt", false) &&
                CreateFileForWriting(root + "ro.txt", false, &file) == NewFileResult::kFailed &&
                RemoveFile(root + "sub\\B.TXT") && !RemoveFile(root + "sub\\b.txt");
       },
       {{"a.txt", "(none)"}, {"d.txt", "A"}, {"sub\\b.txt", "(none)"}, {"ro.txt", "R"}},
       "d.txt ro.txt sub ",
       true},
      {"a replaced file reads as its new bytes, its temporary name gone",
       [&] { return Rewritten(root + "a.txt", "N"); },
       {{"a.txt", "N"}},
       "a.txt ro.txt sub ",
       true},
      {"the same bytes written anew, and a file made and removed again, change nothing",
       [&] {
         WritableFile file;
         return Rewritten(root + "a.txt", "A") &&
                CreateFileForWriting(root + "t.txt", true, &file) == NewFileResult::kMade &&
                CloseFile(&file) && Listed(root) == "a.txt ro.txt sub t.txt " &&
                RemoveFile(root + "t.txt");
       },
       {{"a.txt", "A"}, {"t.txt", "(none)"}},
       "a.txt ro.txt sub ",
       false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.rule);
    what_if::Start();
    EXPECT_TRUE(row.changes());
    for (const auto& [name, seen] : row.seen) {
      EXPECT_EQ(Seen(root + name), seen) << name;
    }
    EXPECT_EQ(Listed(root), row.listed);
    EXPECT_EQ(what_if::ChangesDisk(), row.altersDisk);
    what_if::Stop();
    EXPECT_EQ(ReadTree(root), testing::WithDirectories(disk));
  }
  testing::SetReadOnly(root + "ro.txt", false);
}

}  // namespace
}  // namespace orx
