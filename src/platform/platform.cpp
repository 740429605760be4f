// Platform rules that are the same on every port.
#include "platform/platform.h"

#include "base/paths.h"

#include <algorithm>
#include <cstdio>

#include "base/raised_failure.h"
#include "platform/disk_changes.h"
#include "platform/port.h"
#include "platform/what_if.h"

namespace orx {

namespace {

// A look through the door, tried again while it fails otherwise than "not found".
template <typename Look>
Found LookedUp(const char* call, const std::string& path, Look look) {
  if (!DiskLookAllowed(call, path)) {
    port::RecordRefusedLook(path);
    return Found::kUnknown;
  }
  return port::Retried(
      look, [](Found found) { return found == Found::kUnknown; }, PauseFor);
}

}  // namespace

Found IsFile(const std::string& path) {
  return LookedUp("IsFile", path, [&] { return what_if::IsFile(path); });
}

Found IsDirectory(const std::string& path) {
  unsigned attributes = 0;
  const Found found = ReadAttributes(path, &attributes);
  return found == Found::kThere && (attributes & kAttributeDirectory) == 0 ? Found::kNotThere
                                                                           : found;
}

Found ReadAttributes(const std::string& path, unsigned* attributes) {
  return LookedUp("ReadAttributes", path,
                  [&] { return what_if::ReadAttributes(path, attributes); });
}

ListingResult ListDirectory(const std::string& pattern, unsigned attributeMask,
                            std::vector<DirectoryEntry>* entries) {
  if (!DiskLookAllowed("ListDirectory", pattern)) {
    entries->clear();
    port::RecordRefusedLook(pattern);
    return ListingResult::kFailed;
  }
  return port::Retried([&] { return what_if::ListDirectory(pattern, attributeMask, entries); },
                       [](ListingResult listed) { return listed == ListingResult::kFailed; },
                       PauseFor);
}

bool CreateDirectoryA(const std::string& path) {
  return what_if::CreateDirectoryA(path);
}

NewFileResult CopyToNewFile(const std::string& source, const std::string& target, OpenCopy* open) {
  return what_if::CopyToNewFile(source, target, open);
}

bool PlaceCopy(OpenCopy* copy, const std::string& to, bool replaceExisting) {
  return what_if::PlaceCopy(copy, to, replaceExisting);
}

void DropCopy(OpenCopy* copy) {
  what_if::DropCopy(copy);
}

bool RenameFile(const std::string& from, const std::string& to, bool replaceExisting) {
  return what_if::RenameFile(from, to, replaceExisting);
}

bool RemoveFile(const std::string& path) {
  return what_if::RemoveFile(path);
}

NewFileResult CreateFileForWriting(const std::string& path, bool mustBeNew, WritableFile* file) {
  return what_if::CreateFileForWriting(path, mustBeNew, file);
}

bool WriteToFile(const WritableFile& file, const std::string& bytes) {
  return what_if::WriteToFile(file, bytes);
}

bool FlushFile(const WritableFile& file) {
  return what_if::FlushFile(file);
}

bool CloseFile(WritableFile* file) {
  return what_if::CloseFile(file);
}

bool ReplaceWithFile(const std::string& target, const std::string& replacement,
                     const std::string& backup) {
  return what_if::ReplaceWithFile(target, replacement, backup);
}

bool PassesAttributeMask(unsigned attributes, unsigned attributeMask) {
  const unsigned excluding =
      kAttributeHidden | kAttributeSystem | kAttributeVolumeLabel | kAttributeDirectory;
  return (attributes & excluding & ~attributeMask) == 0;
}

std::vector<DirectoryEntry> EnumerateDirectory(const std::string& pattern, unsigned attributeMask) {
  std::vector<DirectoryEntry> entries;
  ListDirectory(pattern, attributeMask, &entries);
  return entries;
}

std::string TemporaryNameBeside(const std::string& path) {
  static unsigned counter = ProcessNumber() * 2654435761u;
  char name[8];
  std::snprintf(name, sizeof(name), "~ox%04X", (++counter) & 0xFFFFu);
  return ParentPathOf(path) + name;
}

bool IsTemporaryName(const std::string& name) {
  const auto isHexDigit = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); };
  return name.size() == 7 && name.compare(0, 3, "~ox") == 0 &&
         std::all_of(name.begin() + 3, name.end(), isHexDigit);
}

void ReadFileBytesInto(const std::string& path, std::string* bytes) {
  port::ReadResult read = port::ReadResult::kNotOpened;
  if (DiskLookAllowed("ReadFileBytes", path)) {
    read = port::Retried([&] { return what_if::ReadFileBytesInto(path, bytes); },
                         [](port::ReadResult result) {
                           return result != port::ReadResult::kRead &&
                                  KindOfFailure(LastSystemFailure().code) != FailureKind::kNotFound;
                         },
                         PauseFor);
  } else {
    port::RecordRefusedLook(path);
  }
  if (read == port::ReadResult::kNotOpened) {
    RaiseFailure(kFileOpenError, MessageWithName("Cannot open file %s", path));
  }
  if (read == port::ReadResult::kShortRead) {
    RaiseFailure(kReadError, "Stream read error");
  }
}

std::string ReadFileBytes(const std::string& path) {
  std::string bytes;
  ReadFileBytesInto(path, &bytes);
  return bytes;
}

}  // namespace orx
