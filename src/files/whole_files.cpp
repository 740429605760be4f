#include "files/whole_files.h"

#include "base/raised_failure.h"
#include "files/sharing_waits.h"
#include "platform/disk_changes.h"
#include "platform/platform.h"

namespace orx {

namespace {

[[noreturn]] void RaiseCannotCreate(const std::string& path) {
  RaiseFailure(kFileCreateError, MessageWithName("Cannot create file %s", path));
}

// Writes all bytes, flushed to disk when flush is set, and closes the file; true when every step
// succeeded. A failed write raises the write error once the file is closed.
bool WriteAndClose(WritableFile* file, const std::string& path, const std::string& bytes,
                   bool flush) {
  const bool written = DiskChangeAllowed("WriteToFile", path) && WriteToFile(*file, bytes);
  const bool flushed =
      written && (!flush || (DiskChangeAllowed("FlushFile", path) && FlushFile(*file)));
  const bool closed = CloseFile(file);
  return written && flushed && closed;
}

// True when a look finds no entry of that name; a look that fails tells nothing.
bool IsGone(const std::string& path) {
  unsigned attributes = 0;
  return ReadAttributes(path, &attributes) == Found::kNotThere;
}

bool RemoveWaiting(const std::string& path) {
  return WaitingOutSharing(path, [&] { return RemoveFile(path); });
}

bool RenameWaiting(const std::string& from, const std::string& to) {
  return WaitingOutSharing(to, [&] { return RenameFile(from, to, false); });
}

// Whether the file still holds exactly the bytes expected; a file that cannot be read does not.
bool StillHolds(const std::string& path, const std::string& expected) {
  std::string bytes;
  try {
    ReadFileBytesWaiting(path, &bytes);
  } catch (const RaisedFailure&) {
    return false;
  }
  return bytes == expected;
}

// After a replace that failed, whatever it left of the three names: the target (old, or new once
// the replacement has moved), the replacement (new) and the backup (old). A target gone missing
// gets the old file back where the backup holds it, else the new one. The other names are removed
// only once the target is whole under its name. True when the target holds the new bytes.
bool PutBackAfterReplace(const std::string& path, const std::string& replacement,
                         const std::string& backup) {
  bool fresh = false;
  if (IsGone(path)) {
    fresh = !(!IsGone(backup) && RenameWaiting(backup, path)) && RenameWaiting(replacement, path);
  } else {
    fresh = IsGone(replacement);
  }
  unsigned attributes = 0;
  if (ReadAttributes(path, &attributes) == Found::kThere) {
    RemoveWaiting(replacement);
    RemoveWaiting(backup);
  }
  return fresh;
}

// Writes the bytes beside path and puts them in its place: replacing the file that exists (only
// one holding expected bytes when they are given), or taking a free name without replacing when
// expected says the file is absent.
void Replace(const std::string& path, const std::string& bytes,
             const std::optional<std::string>* expected) {
  unsigned attributes = 0;
  const Found found = ReadAttributes(path, &attributes);
  const bool exists = found == Found::kThere;
  const bool mustBeAbsent = expected != nullptr && !expected->has_value();
  // Without knowing whether a file is there, the save could only guess how to put its own there.
  if (found == Found::kUnknown ||
      (exists &&
       (mustBeAbsent || (attributes & (kAttributeDirectory | kAttributeReadOnly)) != 0)) ||
      (!exists && expected != nullptr && !mustBeAbsent)) {
    RaiseCannotCreate(path);
  }
  std::string temporary;
  WritableFile file;
  NewFileResult made = NewFileResult::kNameTaken;
  for (int attempt = 0; attempt < 64 && made == NewFileResult::kNameTaken; ++attempt) {
    temporary = TemporaryNameBeside(path);
    made = DiskChangeAllowed("CreateFileForWriting", temporary)
               ? CreateFileForWriting(temporary, true, &file)
               : NewFileResult::kFailed;
  }
  if (made != NewFileResult::kMade) {
    RaiseCannotCreate(path);
  }
  if (!WriteAndClose(&file, temporary, bytes, true)) {
    RemoveWaiting(temporary);
    RaiseFailure(kWriteError, "Stream write error");
  }
  if (exists && expected != nullptr && !StillHolds(path, **expected)) {
    RemoveWaiting(temporary);
    RaiseCannotCreate(path);
  }
  if (!exists) {
    const bool placed = DiskChangeAllowed("ReplaceWithFile", path) && WaitingOutSharing(path, [&] {
                          return RenameFile(temporary, path, expected == nullptr);
                        });
    if (!placed) {
      RemoveWaiting(temporary);
      RaiseCannotCreate(path);
    }
    return;
  }
  std::string backup = TemporaryNameBeside(path);
  for (int attempt = 0; attempt < 64 && !IsGone(backup); ++attempt) {
    backup = TemporaryNameBeside(path);
  }
  ReplacementNamesAre(temporary, backup);
  if (DiskChangeAllowed("ReplaceWithFile", path) &&
      WaitingOutSharing(path, [&] { return ReplaceWithFile(path, temporary, backup); })) {
    RemoveWaiting(backup);
    return;
  }
  if (!PutBackAfterReplace(path, temporary, backup)) {
    RaiseCannotCreate(path);
  }
}

}  // namespace

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  WritableFile file;
  if (!DiskChangeAllowed("CreateFileForWriting", path) ||
      CreateFileForWriting(path, false, &file) != NewFileResult::kMade) {
    RaiseCannotCreate(path);
  }
  if (!WriteAndClose(&file, path, bytes, false)) {
    RaiseFailure(kWriteError, "Stream write error");
  }
}

void ReplaceFileBytes(const std::string& path, const std::string& bytes) {
  Replace(path, bytes, nullptr);
}

void ReplaceKnownFileBytes(const std::string& path, const std::string& bytes,
                           const std::optional<std::string>& expected) {
  Replace(path, bytes, &expected);
}

}  // namespace orx
