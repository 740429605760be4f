#include "files/tree_copy.h"

#include <cstdio>
#include <vector>

#include "files/file_operations.h"
#include "files/paths.h"
#include "files/text.h"

namespace orx {

namespace {

// Every entry, files and sub-directories, hidden and system ones included.
constexpr unsigned kWholeTreeMask = 63;
constexpr const char kEveryName[] = "*.*";
// Length of the stamp DatedName appends.
constexpr std::string::size_type kStampLength = 25;

bool IsSubDirectory(const DirectoryEntry& entry) {
  return (entry.attributes & kAttributeDirectory) != 0;
}

bool IsDotEntry(const DirectoryEntry& entry) {
  return entry.name == "." || entry.name == "..";
}

}  // namespace

bool CopyTree(const std::string& source, const std::string& target, const std::string& skipPrefix) {
  if (target.empty()) {
    return true;
  }
  const std::string from = WithTrailingBackslash(source);
  const std::string to = WithTrailingBackslash(target);

  bool result = true;
  int copiedSubDirectories = 0;
  for (const DirectoryEntry& entry : EnumerateDirectory(from + kEveryName, kWholeTreeMask)) {
    if (!IsSubDirectory(entry) || IsDotEntry(entry)) {
      continue;
    }
    if (!skipPrefix.empty() && IsBackupFolderName(skipPrefix, entry.name)) {
      continue;
    }
    if (!CopyTree(from + entry.name, to + entry.name, skipPrefix)) {
      result = false;
      break;
    }
    ++copiedSubDirectories;
  }

  // A copied sub-directory has already created the whole target path above it.
  if (result && copiedSubDirectories == 0) {
    result = MakeDirectoryPath(to);
  }

  if (result) {
    // The names are gathered before the first copy, from a listing of its own: the sub-directory
    // pass may have changed the source (a backup folder made inside the tree it copies).
    std::vector<std::string> files;
    for (DirectoryEntry& entry : EnumerateDirectory(from + kEveryName, kWholeTreeMask)) {
      if (!IsSubDirectory(entry)) {
        files.push_back(std::move(entry.name));
      }
    }
    for (const std::string& name : files) {
      if (!CopyFileA(from + name, to + name, false)) {
        result = false;
        break;
      }
    }
  }
  return result;
}

bool TreeHasFiles(const std::string& dir) {
  if (dir.empty()) {
    return false;
  }
  const std::string root = WithTrailingBackslash(dir);
  // One listing serves both questions: a file at this level answers without walking deeper.
  const std::vector<DirectoryEntry> entries = EnumerateDirectory(root + kEveryName, kWholeTreeMask);
  for (const DirectoryEntry& entry : entries) {
    if (!IsSubDirectory(entry)) {
      return true;
    }
  }
  for (const DirectoryEntry& entry : entries) {
    if (IsSubDirectory(entry) && !IsDotEntry(entry) && TreeHasFiles(root + entry.name)) {
      return true;
    }
  }
  return false;
}

bool BackupDirectory(const std::string& source, const std::string& parent) {
  const std::string into = WithTrailingBackslash(parent);
  if (into.empty()) {
    return false;
  }
  const std::string backupFolder = into + WithTrailingBackslash(DatedName(kBackupFolderPrefix));
  return CopyTree(source, backupFolder, kBackupFolderPrefix);
}

std::string DatedName(const std::string& prefix) {
  return DatedName(prefix, LocalNow());
}

std::string DatedName(const std::string& prefix, const LocalTime& time) {
  // Fixed digits and punctuation, never the locale's separators: the name is the same everywhere.
  char stamp[96];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d [%02d-%02d-%02d-%03d]", time.year, time.month,
                time.day, time.hour, time.minute, time.second, time.millisecond);
  return prefix + stamp;
}

bool IsBackupFolderName(const std::string& prefix, const std::string& path) {
  const std::string lowerPrefix = LowerCase(prefix);
  const std::string name = LowerCase(FileNameOf(path));
  if (lowerPrefix.empty() || lowerPrefix.size() >= name.size()) {
    return false;
  }
  if (name.compare(0, lowerPrefix.size(), lowerPrefix) != 0) {
    return false;
  }
  const std::string rest = name.substr(lowerPrefix.size());
  if (rest.size() < kStampLength) {
    return false;
  }
  // Positions counted from 1, as in the stamp's layout.
  const auto at = [&rest](std::string::size_type position) { return rest[position - 1]; };
  return at(5) == '-' && at(8) == '-' && at(12) == '[' && at(15) == '-' && at(18) == '-' &&
         at(21) == '-' && at(25) == ']';
}

}  // namespace orx
