#include "files/file_operations.h"

#include <vector>

#include "base/paths.h"
#include "base/raised_failure.h"
#include "platform/disk_changes.h"
#include "platform/platform.h"

namespace orx {

namespace {

// Every entry, files and sub-directories, hidden and system ones included.
constexpr unsigned kEveryEntry = 63;

bool HasAllFiles(const std::string& dir, std::initializer_list<const char*> names) {
  const std::string base = WithTrailingBackslash(dir);
  for (const char* name : names) {
    if (!IsFile(base + name)) {
      return false;
    }
  }
  return true;
}

// What a copy does about an entry already at its target.
enum class Verdict { kCopy, kDone, kRefused };

Verdict VerdictOn(unsigned attributes, ExistingFile existing) {
  if ((attributes & kAttributeDirectory) != 0) {
    return Verdict::kRefused;
  }
  if (existing == ExistingFile::kKeep) {
    return Verdict::kDone;
  }
  // Windows refuses to copy over a read-only file; a rename would not.
  return (attributes & kAttributeReadOnly) != 0 ? Verdict::kRefused : Verdict::kCopy;
}

}  // namespace

bool HasInstallationMarker(const std::string& dir) {
  return HasAllFiles(dir, {kInstallationMarker});
}

bool HasSharedFileSet(const std::string& dir) {
  return HasAllFiles(dir, {"orx.ini", "Data\\ClientProject.txt", "Data\\CategoryActivity.txt"});
}

bool EnsureDataDirectory(const std::string& dir) {
  if (dir.empty()) {
    return true;
  }
  const std::string data = DataDirectoryOf(dir);
  if (IsDirectory(dir) && IsDirectory(data)) {
    return true;
  }
  try {
    return MakeDirectoryPath(data);
  } catch (const RaisedFailure&) {
    return false;
  }
}

OwnEntry FindOwnEntry(const std::string& path, unsigned* attributes) {
  // A name with no wildcard lists the one entry it reaches, also through a short alias.
  std::vector<DirectoryEntry> entries;
  if (ListDirectory(WithoutTrailingBackslash(path), kEveryEntry, &entries) ==
      ListingResult::kFailed) {
    return OwnEntry::kOther;
  }
  const std::string name = FileNameOf(WithoutTrailingBackslash(path));
  for (const DirectoryEntry& entry : entries) {
    if (EqualIgnoringCase(entry.name, name)) {
      *attributes = entry.attributes;
      return OwnEntry::kFound;
    }
  }
  return entries.empty() ? OwnEntry::kNone : OwnEntry::kOther;
}

bool CopyFileWhole(const std::string& source, const std::string& target, ExistingFile existing) {
  unsigned attributes = 0;
  const OwnEntry entry = FindOwnEntry(target, &attributes);
  return entry != OwnEntry::kOther &&
         CopyFileWhole(
             source, target, existing,
             entry == OwnEntry::kFound ? std::optional<unsigned>(attributes) : std::nullopt);
}

bool CopyFileWhole(const std::string& source, const std::string& target, ExistingFile existing,
                   std::optional<unsigned> found) {
  Verdict verdict = found ? VerdictOn(*found, existing) : Verdict::kCopy;
  if (verdict != Verdict::kCopy) {
    return verdict == Verdict::kDone;
  }
  OpenCopy copy;
  NewFileResult made = NewFileResult::kNameTaken;
  for (int attempt = 0; attempt < 64 && made == NewFileResult::kNameTaken; ++attempt) {
    const std::string temporary = TemporaryNameBeside(target);
    made = DiskChangeAllowed("CopyToNewFile", temporary) ? CopyToNewFile(source, temporary, &copy)
                                                         : NewFileResult::kFailed;
  }
  if (made != NewFileResult::kMade) {
    return false;
  }
  if (DiskChangeAllowed("RenameFile", target)) {
    // Where nothing was found the name is taken without replacing: an entry that has appeared
    // since (placed by another process, or a name that differs only in letter case) is judged
    // first, like one that was found; another file reached through its short alias is refused.
    if (PlaceCopy(&copy, target, found.has_value())) {
      return true;
    }
    unsigned attributes = 0;
    verdict = !found && FindOwnEntry(target, &attributes) == OwnEntry::kFound
                  ? VerdictOn(attributes, existing)
                  : Verdict::kRefused;
    if (verdict == Verdict::kCopy && PlaceCopy(&copy, target, true)) {
      return true;
    }
  }
  DropCopy(&copy);
  // Placed by another process meanwhile: its copy is as whole as this one.
  return verdict == Verdict::kDone;
}

bool CopyOneFile(const std::string& source, const std::string& target, ExistingFile existing) {
  const std::string directory = ParentDirectoryOf(target);
  if (!IsDirectory(directory)) {
    MakeDirectoryPath(directory);
  }
  return CopyFileWhole(source, target, existing);
}

bool MakeDirectoryPath(const std::string& path) {
  if (path.empty()) {
    RaiseFailure(kInOutError, "Unable to create directory");
  }
  const std::string directory = WithoutTrailingBackslash(path);
  if (directory.size() < 3 || IsDirectory(directory)) {
    return true;
  }
  const std::string parent = ParentPathOf(directory);
  if (parent == directory) {
    return true;
  }
  // A relative name of one level has nothing above it to create: the current directory is there.
  if (!parent.empty() && !MakeDirectoryPath(parent)) {
    return false;
  }
  // Another process may have made it since the test above.
  return (DiskChangeAllowed("CreateDirectoryA", directory) && CreateDirectoryA(directory)) ||
         IsDirectory(directory);
}

}  // namespace orx
