#include "files/tree_copy.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <unordered_map>
#include <vector>

#include "base/characters.h"
#include "base/name_escapes.h"
#include "base/paths.h"
#include "files/file_operations.h"
#include "files/sharing_waits.h"
#include "files/text.h"
#include "platform/disk_changes.h"

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

// Whether the source's entries hold a name, without regard to letter case.
bool HoldsName(const std::vector<DirectoryEntry>& entries, const std::string& name) {
  const std::string key = LowerCase(name);
  for (const DirectoryEntry& entry : entries) {
    if (LowerCase(entry.name) == key) {
      return true;
    }
  }
  return false;
}

// Removes the files of the target's listing that have exactly the form of the program's temporary
// names and that the source does not hold: what a copy that was stopped by force left behind.
bool RemoveLeftovers(const std::vector<DirectoryEntry>& sourceEntries, const std::string& target,
                     const std::vector<DirectoryEntry>& targetEntries) {
  for (const DirectoryEntry& entry : targetEntries) {
    if (!IsSubDirectory(entry) && IsTemporaryName(entry.name) &&
        !HoldsName(sourceEntries, entry.name)) {
      const std::string path = target + entry.name;
      if (!WaitingOutSharing(
              path, [&] { return DiskChangeAllowed("RemoveFile", path) && RemoveFile(path); })) {
        return false;
      }
    }
  }
  return true;
}

// A folder the walk copies into: made by the walk itself, so that nothing can be in its way, or
// there before, with the attribute flags of its entries by lower-cased name.
struct TargetFolder {
  bool made = false;
  std::unordered_map<std::string, unsigned> entries;

  std::optional<unsigned> Find(const std::string& name) const {
    const auto found = entries.find(LowerCase(name));
    return found == entries.end() ? std::nullopt : std::optional<unsigned>(found->second);
  }
};

// A folder of the source as it was listed before the copy began, sub-folders included: a target
// inside the source then gets what the source held, never the copy's own output again.
struct SourceFolder {
  std::string name;
  std::vector<DirectoryEntry> entries;  // without "." and ".."
  std::vector<SourceFolder> folders;    // those the copy takes, in the order of entries
};

// Whether a name has the form of a short (8.3) alias: a "~" with characters after it before the
// extension, as in "LONGFI~1.TXT". Found by characters: 0x7E is a trail byte in 932, 936 and 950.
bool HasAliasForm(const std::string& name) {
  const std::string::size_type tilde = FindCharacter(name, '~');
  const std::string::size_type dot = FindLastCharacterOf(name, ".");
  return tilde != std::string::npos && tilde + 1 < (dot == std::string::npos ? name.size() : dot);
}

// Lists the tree under from into folder, the names of alias form first: copied before the long
// names, they keep their own names and Windows gives each long name another alias. A folder that
// cannot be listed is a failure; only a missing root (top) means "nothing".
bool ListSource(const std::string& from, const std::string& skipPrefix, bool top,
                SourceFolder* folder) {
  const ListingResult listed = ListDirectory(from + kEveryName, kWholeTreeMask, &folder->entries);
  if (listed == ListingResult::kFailed || (listed == ListingResult::kNoDirectory && !top)) {
    return false;
  }
  std::vector<DirectoryEntry>& entries = folder->entries;
  entries.erase(std::remove_if(entries.begin(), entries.end(), IsDotEntry), entries.end());
  std::stable_partition(entries.begin(), entries.end(),
                        [](const DirectoryEntry& entry) { return HasAliasForm(entry.name); });
  for (const DirectoryEntry& entry : entries) {
    if (IsSubDirectory(entry) &&
        (skipPrefix.empty() || !IsBackupFolderName(skipPrefix, entry.name))) {
      folder->folders.push_back(SourceFolder{entry.name, {}, {}});
      if (!ListSource(from + entry.name + "\\", skipPrefix, false, &folder->folders.back())) {
        return false;
      }
    }
  }
  return true;
}

// Whether a folder that the walk could not make is there under its own name: so in the listing of
// its parent, or, for a name in another letter case, in a look of its own.
bool IsOwnFolder(const std::string& to, const TargetFolder& parent) {
  const std::optional<unsigned> listed = parent.Find(FileNameOf(WithoutTrailingBackslash(to)));
  unsigned attributes = listed.value_or(0);
  return (listed || FindOwnEntry(to, &attributes) == OwnEntry::kFound) &&
         (attributes & kAttributeDirectory) != 0;
}

// Makes the target folder, or lists the one that is there, clearing what stopped copies left in
// it. The top of the walk may need its parents made too; a folder below it that is there already
// must be one the parent's listing shows under its own name, not another reached through its short
// alias. False when it can be neither made nor listed, or a leftover cannot be removed.
bool OpenTargetFolder(const std::string& to, const TargetFolder* parent,
                      const std::vector<DirectoryEntry>& sourceEntries, TargetFolder* folder) {
  const bool top = parent == nullptr;
  const Found found = top ? IsDirectory(to) : Found::kNotThere;
  if (found == Found::kUnknown) {
    return false;
  }
  const SystemFailure before = LastSystemFailure();
  folder->made = top ? found == Found::kNotThere && MakeDirectoryPath(to)
                     : DiskChangeAllowed("CreateDirectoryA", to) && CreateDirectoryA(to);
  if (folder->made) {
    return true;
  }
  if (parent != nullptr) {
    if (!IsOwnFolder(to, *parent)) {
      return false;
    }
    // A folder that is there already: its making failed as expected.
    SetSystemFailure(before);
  }
  std::vector<DirectoryEntry> listed;
  if (ListDirectory(to + kEveryName, kWholeTreeMask, &listed) != ListingResult::kListed ||
      !RemoveLeftovers(sourceEntries, to, listed)) {
    return false;
  }
  for (const DirectoryEntry& entry : listed) {
    folder->entries.emplace(LowerCase(entry.name), entry.attributes);
  }
  return true;
}

// The walk of CopyTree over the listed source; parent is the target folder above, none at the top.
bool CopyListedTree(const std::string& source, const std::string& target,
                    const SourceFolder& listed, const TargetFolder* parent) {
  const std::string from = WithTrailingBackslash(source);
  const std::string to = WithTrailingBackslash(target);
  // Made top-down, so that a folder the walk has made is known to be empty below it.
  TargetFolder folder;
  if (!OpenTargetFolder(to, parent, listed.entries, &folder)) {
    return false;
  }
  for (const SourceFolder& sub : listed.folders) {
    if (!CopyListedTree(from + sub.name, to + sub.name, sub, &folder)) {
      return false;
    }
  }
  for (const DirectoryEntry& entry : listed.entries) {
    if (!IsSubDirectory(entry) &&
        !CopyFileWhole(from + entry.name, to + entry.name, ExistingFile::kReplace,
                       folder.made ? std::nullopt : folder.Find(entry.name))) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool CopyTree(const std::string& source, const std::string& target, const std::string& skipPrefix) {
  if (target.empty()) {
    return true;
  }
  SourceFolder listed;
  return ListSource(WithTrailingBackslash(source), skipPrefix, true, &listed) &&
         CopyListedTree(source, target, listed, nullptr);
}

bool RemoveLeftoverTemporaries(const std::string& source, const std::string& target) {
  std::vector<DirectoryEntry> sourceEntries;
  std::vector<DirectoryEntry> targetEntries;
  const std::string to = WithTrailingBackslash(target);
  return ListDirectory(WithTrailingBackslash(source) + kEveryName, kWholeTreeMask,
                       &sourceEntries) != ListingResult::kFailed &&
         ListDirectory(to + kEveryName, kWholeTreeMask, &targetEntries) == ListingResult::kListed &&
         RemoveLeftovers(sourceEntries, to, targetEntries);
}

Found TreeHasFiles(const std::string& dir, std::string* unread) {
  if (dir.empty()) {
    return Found::kNotThere;
  }
  const std::string root = WithTrailingBackslash(dir);
  // One listing serves both questions: a file at this level answers without walking deeper.
  std::vector<DirectoryEntry> entries;
  if (ListDirectory(root + kEveryName, kWholeTreeMask, &entries) == ListingResult::kFailed) {
    *unread = root;
    return Found::kUnknown;
  }
  for (const DirectoryEntry& entry : entries) {
    if (!IsSubDirectory(entry)) {
      return Found::kThere;
    }
  }
  for (const DirectoryEntry& entry : entries) {
    if (IsSubDirectory(entry) && !IsDotEntry(entry)) {
      const Found found = TreeHasFiles(root + entry.name, unread);
      if (found != Found::kNotThere) {
        return found;
      }
    }
  }
  return Found::kNotThere;
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
  if (lowerPrefix.empty() || lowerPrefix.size() >= name.size() || HasEscape(name)) {
    return false;
  }
  if (name.compare(0, lowerPrefix.size(), lowerPrefix) != 0) {
    return false;
  }
  const std::string rest = name.substr(lowerPrefix.size());
  // A double-byte character's trail byte may look like the stamp's brackets: the stamp has none.
  if (rest.size() < kStampLength ||
      std::any_of(rest.begin(), rest.begin() + kStampLength, IsLeadByte)) {
    return false;
  }
  // Positions counted from 1, as in the stamp's layout.
  const auto at = [&rest](std::string::size_type position) { return rest[position - 1]; };
  return at(5) == '-' && at(8) == '-' && at(12) == '[' && at(15) == '-' && at(18) == '-' &&
         at(21) == '-' && at(25) == ']';
}

}  // namespace orx
