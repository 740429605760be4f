#include "files/whole_files.h"

#include "base/raised_failure.h"
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
  unsigned attributes = 0;
  const Found found = ReadAttributes(path, &attributes);
  const bool exists = found == Found::kThere;
  // Without knowing whether a file is there, the save could only guess how to put its own there.
  if (found == Found::kUnknown ||
      (exists && (attributes & (kAttributeDirectory | kAttributeReadOnly)) != 0)) {
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
    RemoveFile(temporary);
    RaiseFailure(kWriteError, "Stream write error");
  }
  const bool replaced =
      DiskChangeAllowed("ReplaceWithFile", path) &&
      (exists ? ReplaceWithFile(path, temporary) : RenameFile(temporary, path, true));
  if (!replaced) {
    RemoveFile(temporary);
    RaiseCannotCreate(path);
  }
}

}  // namespace orx
