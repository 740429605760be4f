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

bool IsThere(const std::string& path) {
  unsigned attributes = 0;
  return ReadAttributes(path, &attributes) == Found::kThere;
}

bool RemoveWaiting(const std::string& path) {
  return WaitingOutSharing(path, [&] { return RemoveFile(path); });
}

bool RenameWaiting(const std::string& from, const std::string& to, bool replaceExisting = false) {
  return WaitingOutSharing(to, [&] { return RenameFile(from, to, replaceExisting); });
}

// The file's bytes; nullopt when it cannot be read.
std::optional<std::string> BytesOf(const std::string& path) {
  std::string bytes;
  try {
    ReadFileBytesWaiting(path, &bytes);
  } catch (const RaisedFailure&) {
    return std::nullopt;
  }
  return bytes;
}

// Whether the file still holds exactly the bytes expected; a file that cannot be read does not.
bool StillHolds(const std::string& path, const std::string& expected) {
  return BytesOf(path) == expected;
}

// A name beside path that a look has just found free; false when 64 looks found none.
bool FreeNameBeside(const std::string& path, std::string* name) {
  for (int attempt = 0; attempt < 64; ++attempt) {
    *name = TemporaryNameBeside(path);
    if (IsGone(*name)) {
      return true;
    }
  }
  return false;
}

// After a swap that put bytes under path and the file it took out under backup: when that file was
// not the one expected, another writer has written it since the compare, and its bytes go back
// under the name, as long as the name still holds the swap's own. True when the backup held what
// was expected (or is not there to tell: a port that keeps no backup).
bool TookOutWhatWasExpected(const std::string& path, const std::string& bytes,
                            const std::string& backup, const std::string& expected) {
  const std::optional<std::string> tookOut = BytesOf(backup);
  if (tookOut == expected || (!tookOut.has_value() && IsGone(backup))) {
    return true;
  }
  if (StillHolds(path, bytes)) {
    RenameWaiting(backup, path, true);
  }
  return false;
}

// After a replace that failed, whatever it left of the three names: the target (old, or new once
// the replacement has moved), the replacement (new) and the backup (old). A target gone missing
// gets the old file back where the backup holds it, else the new one. Only the name decides: the
// save is done when the target reads back as the new bytes (and what it replaced was the file
// expected). The other names are removed only once the target is whole under its name, so a file
// that exists only under one of them is never removed. True when the target holds the new bytes.
bool PutBackAfterReplace(const std::string& path, const std::string& bytes,
                         const std::string& replacement, const std::string& backup,
                         const std::string* expected) {
  if (IsGone(path) && !(IsThere(backup) && RenameWaiting(backup, path))) {
    RenameWaiting(replacement, path);
  }
  if (!IsThere(path)) {
    return false;
  }
  const bool placed = StillHolds(path, bytes);
  const bool fresh =
      placed && (expected == nullptr || TookOutWhatWasExpected(path, bytes, backup, *expected));
  RemoveWaiting(replacement);
  // A backup still holding another writer's bytes that could not go back is their only copy.
  if (fresh || !placed) {
    RemoveWaiting(backup);
  }
  return fresh;
}

// How one try of the swap ended.
enum class Swap { kDone, kChanged, kNoBackupName, kFailed };

// After a replace that failed while another program (a scanner that opens each new file) held the
// new file: Wine's ReplaceFileW may then have moved the old file to the backup name already. Puts
// the old file back under its name and waits for the new one as for any file held for a moment;
// true when the old bytes are back and the new file had been held, so the replace may be tried
// again (comparing first, as every try does).
bool HeldNewFileWasPutBack(const std::string& path, const std::string& bytes,
                           const std::string& replacement, const std::string& backup,
                           const std::string* expected) {
  if (IsGone(path) && !(IsThere(backup) && RenameWaiting(backup, path))) {
    return false;
  }
  if (expected != nullptr && !StillHolds(path, *expected)) {
    return false;
  }
  ForgetSystemFailure();
  const bool newFileWhole = CompareFileForWriting(replacement, bytes) == FileComparison::kEqual;
  const SystemFailure waitedFor = LastSystemFailure();
  return newFileWhole && waitedFor.path == replacement && waitedFor.meaning == ErrorClass::kHeld;
}

// Writes the bytes beside path and puts them in its place: replacing the file that exists (only
// one holding expected bytes when they are given), or taking a free name without replacing when
// expected says the file is absent. Each try of the replace, the first and each after a moment's
// sharing, compares the file with the expected bytes right before it swaps, and afterwards the file
// the swap took out: another writer's bytes are never replaced for good.
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
  if (!exists) {
    // A rename that does not replace holds the file to being absent at the moment it is named.
    const bool placed = DiskChangeAllowed("ReplaceWithFile", path) && WaitingOutSharing(path, [&] {
                          return RenameFile(temporary, path, expected == nullptr);
                        });
    if (!placed) {
      RemoveWaiting(temporary);
      RaiseCannotCreate(path);
    }
    return;
  }
  const std::string* const known = expected != nullptr ? &**expected : nullptr;
  std::string backup;
  Swap swap = Swap::kFailed;
  // The wait is driven here, not inside the replace, so that the compare comes before each try.
  const auto trySwap = [&] {
    if (known != nullptr && !StillHolds(path, *known)) {
      swap = Swap::kChanged;
    } else if (!FreeNameBeside(path, &backup)) {
      swap = Swap::kNoBackupName;
    } else {
      ReplacementNamesAre(temporary, backup);
      swap = DiskChangeAllowed("ReplaceWithFile", path) && ReplaceWithFile(path, temporary, backup)
                 ? Swap::kDone
                 : Swap::kFailed;
    }
    return swap != Swap::kFailed;
  };
  bool swapped = WaitingOutSharing(path, trySwap);
  // A replace stopped by another program holding the new file is tried again once the old file is
  // back under its name and the new one has been let go.
  for (int round = 1; !swapped && swap == Swap::kFailed && round < 4 &&
                      HeldNewFileWasPutBack(path, bytes, temporary, backup, known);
       ++round) {
    swapped = WaitingOutSharing(path, trySwap);
  }
  if (swap == Swap::kChanged || swap == Swap::kNoBackupName) {
    RemoveWaiting(temporary);
    RaiseCannotCreate(path);
  }
  if (swap == Swap::kDone &&
      (known == nullptr || TookOutWhatWasExpected(path, bytes, backup, *known))) {
    RemoveWaiting(backup);
    return;
  }
  if (swap == Swap::kDone || !PutBackAfterReplace(path, bytes, temporary, backup, known)) {
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

namespace {

// For a rewrite that would change nothing: checks, through a handle that could write the file, that
// it still holds the bytes, and leaves it untouched, its time too. A file that cannot be opened so
// (where the replace could not write either) or that holds other bytes raises EFCreateError, as
// the replace would.
void KeepUnchangedFile(const std::string& path, const std::string& bytes) {
  if (CompareFileForWriting(path, bytes) != FileComparison::kEqual) {
    RaiseCannotCreate(path);
  }
}

}  // namespace

void ReplaceKnownFileBytes(const std::string& path, const std::string& bytes,
                           const std::optional<std::string>& expected) {
  if (expected.has_value() && *expected == bytes) {
    KeepUnchangedFile(path, bytes);
    return;
  }
  Replace(path, bytes, &expected);
}

}  // namespace orx
