#include "files/file_operations.h"

#include <vector>

#include "base/characters.h"
#include "base/paths.h"
#include "base/raised_failure.h"
#include "files/sharing_waits.h"
#include "platform/disk_changes.h"
#include "platform/platform.h"

namespace orx {

namespace {

// Every entry, files and sub-directories, hidden and system ones included.
constexpr unsigned kEveryEntry = 63;

bool HasAllFiles(const std::string& dir, std::initializer_list<const char*> names) {
  const std::string base = WithTrailingBackslash(dir);
  for (const char* name : names) {
    const Found found = IsFile(base + name);
    // Taken for "not there", a look that failed could change which way the data go.
    if (found == Found::kUnknown) {
      RaiseFailure(kFileOpenError, MessageWithName("Cannot open file %s", base + name));
    }
    if (found == Found::kNotThere) {
      return false;
    }
  }
  return true;
}

// What a copy does about an entry already at its target.
enum class Verdict { kCopy, kDone, kRefused };

// Why a copy refuses an entry at its target, for the record of the failed step.
const char* WhyRefused(unsigned attributes) {
  return (attributes & kAttributeDirectory) != 0 ? "a folder stands where the file goes"
                                                 : "the file there is read-only";
}

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
  // A Data folder that is there answers for its parent too, so it is looked at first.
  const Found dataFound = IsDirectory(DataDirectoryOf(dir));
  if (dataFound != Found::kNotThere) {
    // One that cannot be looked at counts as not prepared: the report names it.
    return dataFound == Found::kThere;
  }
  try {
    return MakeDirectoryPath(DataDirectoryOf(dir));
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
  if (verdict == Verdict::kRefused) {
    RecordRefusal(target, WhyRefused(*found));
  }
  if (verdict != Verdict::kCopy) {
    return verdict == Verdict::kDone;
  }
  OpenCopy copy;
  NewFileResult made = NewFileResult::kNameTaken;
  for (int attempt = 0; attempt < 64 && made == NewFileResult::kNameTaken; ++attempt) {
    const std::string temporary = TemporaryNameBeside(target);
    // A source held for a moment (a scanner reading it) is waited for: its failure names it.
    WaitingOutSharing(source, [&] {
      made = DiskChangeAllowed("CopyToNewFile", temporary) ? CopyToNewFile(source, temporary, &copy)
                                                           : NewFileResult::kFailed;
      return made != NewFileResult::kFailed;
    });
  }
  if (made != NewFileResult::kMade) {
    return false;
  }
  // Where nothing was found the name is taken without replacing: an entry that has appeared
  // since (placed by another process, or a name that differs only in letter case) is judged
  // first, like one that was found; another file reached through its short alias is refused.
  const auto place = [&](bool replace) {
    return WaitingOutSharing(target, [&] {
      return DiskChangeAllowed("RenameFile", target) && PlaceCopy(&copy, target, replace);
    });
  };
  if (place(found.has_value())) {
    return true;
  }
  unsigned attributes = 0;
  const bool appeared = !found && FindOwnEntry(target, &attributes) == OwnEntry::kFound;
  verdict = appeared ? VerdictOn(attributes, existing) : Verdict::kRefused;
  if (verdict == Verdict::kCopy && place(true)) {
    return true;
  }
  if (appeared && verdict == Verdict::kRefused) {
    RecordRefusal(target, WhyRefused(attributes));
  }
  DropCopy(&copy);
  // Placed by another process meanwhile: its copy is as whole as this one.
  return verdict == Verdict::kDone;
}

bool CopyOneFile(const std::string& source, const std::string& target, ExistingFile existing) {
  const std::string directory = ParentDirectoryOf(target);
  const Found found = IsDirectory(directory);
  if (found == Found::kNotThere) {
    MakeDirectoryPath(directory);
  }
  return found != Found::kUnknown && CopyFileWhole(source, target, existing);
}

bool MakeDirectoryPath(const std::string& path) {
  if (path.empty()) {
    RaiseFailure(kInOutError, "Unable to create directory");
  }
  const std::string directory = WithoutTrailingBackslash(path);
  // A drive ("c:", "c:\") or less: counted by characters, so that a name of two double-byte
  // characters is made like any other.
  const Found found = CharacterCount(directory) < 3 ? Found::kThere : IsDirectory(directory);
  if (found != Found::kNotThere) {
    return found == Found::kThere;
  }
  const std::string parent = ParentPathOf(directory);
  if (parent == directory) {
    return true;
  }
  // A relative name of one level has nothing above it to create: the current directory is there.
  if (!parent.empty() && !MakeDirectoryPath(parent)) {
    return false;
  }
  // Another process may have made it since the test above: then its making failed as expected.
  const SystemFailure before = LastSystemFailure();
  if (DiskChangeAllowed("CreateDirectoryA", directory) && CreateDirectoryA(directory)) {
    return true;
  }
  if (IsDirectory(directory) != Found::kThere) {
    return false;
  }
  SetSystemFailure(before);
  return true;
}

}  // namespace orx
