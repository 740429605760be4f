#include "platform/what_if.h"

#include <algorithm>
#include <memory>
#include <unordered_map>

#include "base/characters.h"
#include "base/paths.h"
#include "platform/case_fold.h"
#include "platform/full_path.h"
#include "platform/wildcard.h"

namespace orx::what_if {

namespace {

enum class Kind { kGone, kFile, kFolder };

// What the check has recorded under one name.
struct Entry {
  Kind kind = Kind::kGone;
  std::string path;  // the full name, as the last change spelt it, without a final backslash
  unsigned attributes = 0;
  // A file's bytes: held here when written in the check, else those of the real file source (the
  // file itself, or the one it was copied from), read only when the file is.
  bool held = false;
  std::string bytes;
  std::string source;
};

// The flags a change of which counts as a change of the file.
constexpr unsigned kKeptFlags = kAttributeReadOnly | kAttributeHidden | kAttributeSystem;

struct Check {
  std::unordered_map<std::string, Entry> entries;  // by the key of the name (KeyOf)
  // The keys recorded in each folder (by its key), in the order first recorded.
  std::unordered_map<std::string, std::vector<std::string>> inFolder;
  std::vector<std::string> writing;  // the key of each file opened for writing, by handle
};

std::unique_ptr<Check> check;

// The text with letter case folded as Windows matches names; the second byte of a double-byte
// character never changes.
std::string Folded(const std::string& text) {
  if (std::none_of(text.begin(), text.end(), IsLeadByte)) {
    return CaseFolded(text);
  }
  std::string folded;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = CharacterLength(text, at);
    folded += length == 1 ? CaseFolded(text.substr(at, 1)) : text.substr(at, length);
    at += length;
  }
  return folded;
}

// The full name of a path, without a final backslash but after a drive's colon.
std::string FullNameOf(const std::string& path) {
  // A full path is worked out from its text, without asking for the current directory.
  std::string full = FullPathOf(path, std::string());
  if (full.empty()) {
    full = ExpandPath(path);
  }
  if (full.empty()) {
    full = path;  // too long to expand: taken as it is given
  }
  while (full.size() > 1 && EndsWithCharacter(full, '\\') &&
         !EndsWithCharacter(full.substr(0, full.size() - 1), ':')) {
    full.pop_back();
  }
  return full;
}

std::string KeyOf(const std::string& fullName) {
  return Folded(fullName);
}

// The folder a full name is in (a drive's root with its backslash).
std::string FolderOf(const std::string& fullName) {
  const std::size_t slash = FindLastCharacterOf(fullName, "\\");
  if (slash == std::string::npos) {
    return fullName;
  }
  std::string folder = fullName.substr(0, slash);
  if (folder.empty() || EndsWithCharacter(folder, ':')) {
    folder += '\\';
  }
  return folder;
}

const Entry* Recorded(const std::string& path) {
  const auto found = check->entries.find(KeyOf(FullNameOf(path)));
  return found == check->entries.end() ? nullptr : &found->second;
}

void Record(const std::string& path, Entry entry) {
  entry.path = FullNameOf(path);
  const std::string key = KeyOf(entry.path);
  const auto [at, added] = check->entries.insert_or_assign(key, std::move(entry));
  if (added) {
    check->inFolder[KeyOf(FolderOf(at->second.path))].push_back(key);
  }
}

void RecordGone(const std::string& path) {
  Record(path, Entry{});
}

// What a name holds in the check's view: what is recorded under it, else what the disk holds.
Found Look(const std::string& path, unsigned* attributes) {
  const std::string full = FullNameOf(path);
  const auto recorded = check->entries.find(KeyOf(full));
  if (recorded == check->entries.end()) {
    // A folder the check made holds nothing on the disk.
    const auto folder = check->entries.find(KeyOf(FolderOf(full)));
    if (folder == check->entries.end() || folder->second.kind != Kind::kFolder) {
      return port::ReadAttributes(path, attributes);
    }
    port::RecordRefusal(path, port::Refusal::kNotFound);
    return Found::kNotThere;
  }
  const Entry* entry = &recorded->second;
  if (entry->kind == Kind::kGone) {
    port::RecordRefusal(path, port::Refusal::kNotFound);
    return Found::kNotThere;
  }
  *attributes = entry->attributes;
  return Found::kThere;
}

bool IsFolder(const std::string& path) {
  unsigned attributes = 0;
  return Look(path, &attributes) == Found::kThere && (attributes & kAttributeDirectory) != 0;
}

// The file a name holds, as a change takes it along: recorded, or the disk's by reference.
Entry FileAt(const std::string& path, unsigned attributes) {
  if (const Entry* entry = Recorded(path)) {
    return *entry;
  }
  Entry file;
  file.kind = Kind::kFile;
  file.attributes = attributes;
  file.source = FullNameOf(path);
  return file;
}

// Whether a new entry may take the name: kMade when it is free in a folder that is there;
// otherwise the refusal is recorded on the name.
NewFileResult Vacancy(const std::string& path) {
  unsigned attributes = 0;
  const Found found = Look(path, &attributes);
  if (found == Found::kThere) {
    port::RecordRefusal(path, port::Refusal::kNameTaken);
    return NewFileResult::kNameTaken;
  }
  if (found == Found::kUnknown) {
    return NewFileResult::kFailed;
  }
  if (!IsFolder(FolderOf(FullNameOf(path)))) {
    port::RecordRefusal(path, port::Refusal::kNotFound);
    return NewFileResult::kFailed;
  }
  return NewFileResult::kMade;
}

// Whether an existing entry may be written over or removed: a file that is not read-only.
bool Replaceable(const std::string& path, unsigned attributes) {
  if ((attributes & (kAttributeDirectory | kAttributeReadOnly)) != 0) {
    port::RecordRefusal(path, port::Refusal::kDenied);
    return false;
  }
  return true;
}

// Whether the bytes of a recorded file differ from those the disk holds under its name; a file
// that cannot be read counts as different.
bool BytesDiffer(const Entry& entry, std::string* recorded, std::string* real) {
  if (!entry.held && KeyOf(entry.source) == KeyOf(entry.path)) {
    return false;
  }
  if (port::ReadFileBytesInto(entry.path, real) != port::ReadResult::kRead) {
    return true;
  }
  if (entry.held) {
    return entry.bytes != *real;
  }
  return port::ReadFileBytesInto(entry.source, recorded) != port::ReadResult::kRead ||
         *recorded != *real;
}

// Adds what is recorded in a listed folder to its listing: entries recorded there replace the
// listed ones of their name, or are removed with them when gone, and new ones join in order of
// their folded names, after "." and "..".
void MergeRecorded(const std::string& folderKey, const std::string& mask, unsigned attributeMask,
                   std::vector<DirectoryEntry>* entries) {
  const auto recorded = check->inFolder.find(folderKey);
  if (recorded == check->inFolder.end()) {
    return;
  }
  std::unordered_map<std::string, std::size_t> listed;
  for (std::size_t i = 0; i < entries->size(); ++i) {
    listed.emplace(Folded((*entries)[i].name), i);
  }
  std::vector<bool> dropped(entries->size(), false);
  std::vector<std::pair<std::string, DirectoryEntry>> added;
  for (const std::string& key : recorded->second) {
    const Entry& entry = check->entries.at(key);
    const DirectoryEntry shown{FileNameOf(entry.path), entry.attributes};
    const bool visible = entry.kind != Kind::kGone &&
                         PassesAttributeMask(entry.attributes, attributeMask) &&
                         MatchesWildcard(mask, shown.name);
    const auto at = listed.find(Folded(shown.name));
    if (at != listed.end()) {
      (*entries)[at->second] = shown;
      dropped[at->second] = !visible;
    } else if (visible) {
      added.emplace_back(Folded(shown.name), shown);
    }
  }
  std::sort(added.begin(), added.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<DirectoryEntry> merged;
  auto next = added.begin();
  for (std::size_t i = 0; i < entries->size(); ++i) {
    const DirectoryEntry& entry = (*entries)[i];
    const bool dots = entry.name == "." || entry.name == "..";
    for (; !dots && next != added.end() && next->first < Folded(entry.name); ++next) {
      merged.push_back(next->second);
    }
    if (!dropped[i]) {
      merged.push_back(entry);
    }
  }
  for (; next != added.end(); ++next) {
    merged.push_back(next->second);
  }
  entries->swap(merged);
}

}  // namespace

void Start() {
  check = std::make_unique<Check>();
}

void Stop() {
  check.reset();
}

bool ChangesDisk() {
  if (check == nullptr) {
    return false;
  }
  // Names first, so that bytes are compared only where nothing else tells.
  std::vector<const Entry*> sameNames;
  for (const auto& [key, entry] : check->entries) {
    unsigned attributes = 0;
    const Found found = port::ReadAttributes(entry.path, &attributes);
    const bool folder = (attributes & kAttributeDirectory) != 0;
    if (found == Found::kUnknown || (entry.kind == Kind::kGone && found != Found::kNotThere) ||
        (entry.kind == Kind::kFolder && (found != Found::kThere || !folder)) ||
        (entry.kind == Kind::kFile && (found != Found::kThere || folder ||
                                       ((attributes ^ entry.attributes) & kKeptFlags) != 0))) {
      return true;
    }
    if (entry.kind == Kind::kFile) {
      sameNames.push_back(&entry);
    }
  }
  std::string recorded;
  std::string real;
  return std::any_of(sameNames.begin(), sameNames.end(),
                     [&](const Entry* entry) { return BytesDiffer(*entry, &recorded, &real); });
}

// ---- Looks -------------------------------------------------------------------------------------

Found IsFile(const std::string& path) {
  if (check == nullptr) {
    return port::IsFile(path);
  }
  unsigned attributes = 0;
  const Found found = Look(path, &attributes);
  return found == Found::kThere && (attributes & kAttributeDirectory) != 0 ? Found::kNotThere
                                                                           : found;
}

Found ReadAttributes(const std::string& path, unsigned* attributes) {
  return check == nullptr ? port::ReadAttributes(path, attributes) : Look(path, attributes);
}

ListingResult ListDirectory(const std::string& pattern, unsigned attributeMask,
                            std::vector<DirectoryEntry>* entries) {
  if (check == nullptr) {
    return port::ListDirectory(pattern, attributeMask, entries);
  }
  const std::size_t slash = FindLastCharacterOf(pattern, "\\");
  const std::string folder = slash == std::string::npos ? "." : pattern.substr(0, slash + 1);
  const std::string mask = pattern.substr(slash == std::string::npos ? 0 : slash + 1);
  const Entry* made = Recorded(folder);
  if (made != nullptr && made->kind != Kind::kFolder) {
    entries->clear();
    port::RecordRefusal(pattern, port::Refusal::kNotFound);
    return ListingResult::kNoDirectory;
  }
  if (made == nullptr) {
    const ListingResult listed = port::ListDirectory(pattern, attributeMask, entries);
    if (listed != ListingResult::kListed) {
      return listed;
    }
  } else {
    // A folder the check made: what the disk's own new folder lists.
    entries->clear();
    for (const char* dots : {".", ".."}) {
      if (PassesAttributeMask(kAttributeDirectory, attributeMask) && MatchesWildcard(mask, dots)) {
        entries->push_back(DirectoryEntry{dots, kAttributeDirectory});
      }
    }
  }
  MergeRecorded(KeyOf(FullNameOf(folder)), mask, attributeMask, entries);
  return ListingResult::kListed;
}

port::ReadResult ReadFileBytesInto(const std::string& path, std::string* bytes) {
  const Entry* entry = check == nullptr ? nullptr : Recorded(path);
  if (entry == nullptr) {
    return port::ReadFileBytesInto(path, bytes);
  }
  if (entry->kind != Kind::kFile) {
    port::RecordRefusal(
        path, entry->kind == Kind::kGone ? port::Refusal::kNotFound : port::Refusal::kDenied);
    return port::ReadResult::kNotOpened;
  }
  if (!entry->held) {
    return port::ReadFileBytesInto(entry->source, bytes);
  }
  *bytes = entry->bytes;
  return port::ReadResult::kRead;
}

// ---- Changes -----------------------------------------------------------------------------------

bool CreateDirectoryA(const std::string& path) {
  if (check == nullptr) {
    return port::CreateDirectoryA(path);
  }
  if (Vacancy(path) != NewFileResult::kMade) {
    return false;
  }
  Entry folder;
  folder.kind = Kind::kFolder;
  folder.attributes = kAttributeDirectory;
  Record(path, folder);
  return true;
}

NewFileResult CopyToNewFile(const std::string& source, const std::string& target, OpenCopy* open) {
  if (check == nullptr) {
    return port::CopyToNewFile(source, target, open);
  }
  unsigned attributes = 0;
  const Found found = Look(source, &attributes);
  if (found != Found::kThere || (attributes & kAttributeDirectory) != 0) {
    if (found == Found::kThere) {
      port::RecordRefusal(source, port::Refusal::kDenied);
    }
    return NewFileResult::kFailed;
  }
  const NewFileResult vacancy = Vacancy(target);
  if (vacancy != NewFileResult::kMade) {
    return vacancy;
  }
  Entry copy = FileAt(source, attributes);
  // The copy carries the source's flags, as the ports' copies do.
  copy.attributes &= kKeptFlags | kAttributeArchive;
  Record(target, copy);
  if (open != nullptr) {
    open->path = target;
    open->handle = -1;
  }
  return NewFileResult::kMade;
}

bool PlaceCopy(OpenCopy* copy, const std::string& to, bool replaceExisting) {
  return check == nullptr ? port::PlaceCopy(copy, to, replaceExisting)
                          : RenameFile(copy->path, to, replaceExisting);
}

void DropCopy(OpenCopy* copy) {
  if (check == nullptr) {
    port::DropCopy(copy);
  } else {
    RemoveFile(copy->path);
  }
}

bool RenameFile(const std::string& from, const std::string& to, bool replaceExisting) {
  if (check == nullptr) {
    return port::RenameFile(from, to, replaceExisting);
  }
  unsigned attributes = 0;
  const Found found = Look(from, &attributes);
  if (found != Found::kThere) {
    return false;
  }
  // The program renames files only: a folder would take what is under it along.
  if ((attributes & kAttributeDirectory) != 0) {
    port::RecordRefusal(to, port::Refusal::kDenied);
    return false;
  }
  const bool sameName = KeyOf(FullNameOf(from)) == KeyOf(FullNameOf(to));
  if (!sameName) {
    unsigned existing = 0;
    const Found taken = Look(to, &existing);
    if (taken == Found::kThere && !replaceExisting) {
      port::RecordRefusal(to, port::Refusal::kNameTaken);
      return false;
    }
    if (taken == Found::kThere ? !Replaceable(to, existing) : Vacancy(to) != NewFileResult::kMade) {
      return false;
    }
  }
  Entry moved = FileAt(from, attributes);
  if (!sameName) {
    RecordGone(from);
  }
  Record(to, std::move(moved));
  return true;
}

bool RemoveFile(const std::string& path) {
  if (check == nullptr) {
    return port::RemoveFile(path);
  }
  unsigned attributes = 0;
  const Found found = Look(path, &attributes);
  // A read-only file is removed too.
  if (found != Found::kThere || !Replaceable(path, attributes & ~kAttributeReadOnly)) {
    return false;
  }
  RecordGone(path);
  return true;
}

NewFileResult CreateFileForWriting(const std::string& path, bool mustBeNew, WritableFile* file) {
  if (check == nullptr) {
    return port::CreateFileForWriting(path, mustBeNew, file);
  }
  unsigned attributes = kAttributeArchive;
  const Found found = Look(path, &attributes);
  if (found == Found::kUnknown) {
    return NewFileResult::kFailed;
  }
  if (found == Found::kThere && mustBeNew) {
    port::RecordRefusal(path, port::Refusal::kNameTaken);
    return NewFileResult::kNameTaken;
  }
  if (found == Found::kThere ? !Replaceable(path, attributes)
                             : Vacancy(path) != NewFileResult::kMade) {
    return NewFileResult::kFailed;
  }
  Entry written;
  written.kind = Kind::kFile;
  written.attributes = found == Found::kThere ? attributes | kAttributeArchive : kAttributeArchive;
  written.held = true;
  Record(path, written);
  file->handle = static_cast<std::intptr_t>(check->writing.size());
  check->writing.push_back(KeyOf(FullNameOf(path)));
  return NewFileResult::kMade;
}

bool WriteToFile(const WritableFile& file, const std::string& bytes) {
  if (check == nullptr) {
    return port::WriteToFile(file, bytes);
  }
  check->entries.at(check->writing.at(static_cast<std::size_t>(file.handle))).bytes += bytes;
  return true;
}

bool FlushFile(const WritableFile& file) {
  return check == nullptr ? port::FlushFile(file) : true;
}

bool CloseFile(WritableFile* file) {
  if (check == nullptr) {
    return port::CloseFile(file);
  }
  file->handle = -1;
  return true;
}

bool ReplaceWithFile(const std::string& target, const std::string& replacement,
                     const std::string& backup) {
  if (check == nullptr) {
    return port::ReplaceWithFile(target, replacement, backup);
  }
  // The old file needs no backup here: it is never touched.
  unsigned kept = 0;
  unsigned attributes = 0;
  if (Look(target, &kept) != Found::kThere || Look(replacement, &attributes) != Found::kThere ||
      !Replaceable(target, kept & ~kAttributeReadOnly) || !Replaceable(replacement, attributes)) {
    return false;
  }
  Entry replaced = FileAt(replacement, attributes);
  replaced.attributes = kept;
  RecordGone(replacement);
  Record(target, std::move(replaced));
  return true;
}

FileComparison CompareFileForWriting(const std::string& path, const std::string& bytes) {
  if (check == nullptr || Recorded(path) == nullptr) {
    return port::CompareFileForWriting(path, bytes);
  }
  unsigned attributes = 0;
  std::string held;
  if (Look(path, &attributes) != Found::kThere || !Replaceable(path, attributes) ||
      ReadFileBytesInto(path, &held) != port::ReadResult::kRead) {
    return FileComparison::kFailed;
  }
  return held == bytes ? FileComparison::kEqual : FileComparison::kDiffers;
}

}  // namespace orx::what_if

namespace orx {

void CheckOnlyFromNow() {
  what_if::Start();
}

bool CheckedChangesAlterDisk() {
  return what_if::ChangesDisk();
}

}  // namespace orx
