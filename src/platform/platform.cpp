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

// What is left of the run's waiting; one process makes one run.
std::uint64_t runWaitLeft = kWaitPerRun;

// Which kind of call a door's name stands for.
CallKind KindOfCall(const std::string& call) {
  if (call == "RenameFile" || call == "RemoveFile") {
    return CallKind::kRenameOrRemove;
  }
  const bool look = call == "IsFile" || call == "ReadAttributes" || call == "ListDirectory" ||
                    call == "ReadFileBytes" || call == "LookAtRoot" || call == "LastWriteTime" ||
                    call == "CompareFileForWriting";
  return look ? CallKind::kLook : CallKind::kChange;
}

// Whether a look that found nothing at path may trust it: the root the path lies under answers.
// When it does not, the failure recorded (the root's own, or the look's) means unreachable.
bool RootAnswers(const std::string& path) {
  const SystemFailure failure = LastSystemFailure();
  if (failure.code == 0 || failure.meaning != ErrorClass::kNotThere ||
      !port::AsksForTheRoot(failure.code)) {
    return true;
  }
  const std::string root = RootOf(path);
  unsigned attributes = 0;
  if (root.empty() || (DiskLookAllowed("LookAtRoot", root) &&
                       what_if::ReadAttributes(root, &attributes) == Found::kThere)) {
    SetSystemFailure(failure);
    return true;
  }
  SystemFailure away = LastSystemFailure().code != 0 ? LastSystemFailure() : failure;
  away.meaning = ErrorClass::kUnreachable;
  SetSystemFailure(away);
  return false;
}

// Runs one try of a look through the door: the port's look, or the answer the door's error
// gives (notThere when it means "not there", failed otherwise).
template <typename Result, typename Look>
Result OneLook(const char* call, const std::string& path, Look look, Result notThere,
               Result failed) {
  ForgetSystemFailure();
  const Result result = DiskLookAllowed(call, path)                            ? look()
                        : LastSystemFailure().meaning == ErrorClass::kNotThere ? notThere
                                                                               : failed;
  return result == notThere && !RootAnswers(path) ? failed : result;
}

// A look under the retry policy: tried again while it fails and the failure's meaning asks for it.
// A look that finds its name, or finds it missing, leaves the last failure as it was.
template <typename Result, typename Look>
Result LookedUp(const char* call, const std::string& path, Look look, Result notThere,
                Result failed) {
  const SystemFailure before = LastSystemFailure();
  Result result = OneLook(call, path, look, notThere, failed);
  if (result == failed) {
    const std::uint64_t started = SteadyMilliseconds();
    for (unsigned tries = 1; result == failed && PauseBeforeRetry(CallKind::kLook, tries, started);
         ++tries) {
      result = OneLook(call, path, look, notThere, failed);
    }
  }
  if (result != failed) {
    SetSystemFailure(before);
  }
  return result;
}

}  // namespace

FailureKind port::KindOfClass(ErrorClass meaning) {
  switch (meaning) {
    case ErrorClass::kNotThere:
      return FailureKind::kNotFound;
    case ErrorClass::kHeld:
      return FailureKind::kSharing;
    default:
      return FailureKind::kOther;
  }
}

bool PauseBeforeRetry(CallKind call, unsigned tries, std::uint64_t started) {
  const unsigned pause = RetryPause(LastSystemFailure().meaning, call, tries,
                                    SteadyMilliseconds() - started, runWaitLeft);
  if (pause == 0) {
    return false;
  }
  const std::uint64_t before = SteadyMilliseconds();
  PauseFor(pause);
  // Measured: Windows' Sleep lasts to the next tick of its clock (15.6 ms), not the pause asked.
  const std::uint64_t slept = std::max<std::uint64_t>(SteadyMilliseconds() - before, pause);
  runWaitLeft -= std::min(slept, runWaitLeft);
  return true;
}

void RecordRefusal(const std::string& path, const std::string& why) {
  SystemFailure refusal;
  refusal.path = path;
  refusal.meaning = ErrorClass::kRefused;
  refusal.refusal = why;
  SetSystemFailure(refusal);
}

void FailCallWith(const char* call, const std::string& path, unsigned windowsCode) {
  port::RecordFailure(path, windowsCode, KindOfCall(call));
}

Found IsFile(const std::string& path) {
  return LookedUp(
      "IsFile", path, [&] { return what_if::IsFile(path); }, Found::kNotThere, Found::kUnknown);
}

Found IsDirectory(const std::string& path) {
  unsigned attributes = 0;
  const Found found = ReadAttributes(path, &attributes);
  return found == Found::kThere && (attributes & kAttributeDirectory) == 0 ? Found::kNotThere
                                                                           : found;
}

Found ReadAttributes(const std::string& path, unsigned* attributes) {
  return LookedUp(
      "ReadAttributes", path, [&] { return what_if::ReadAttributes(path, attributes); },
      Found::kNotThere, Found::kUnknown);
}

Found LastWriteTime(const std::string& path, std::uint64_t* time) {
  return LookedUp(
      "LastWriteTime", path, [&] { return port::LastWriteTime(path, time); }, Found::kNotThere,
      Found::kUnknown);
}

ListingResult ListDirectory(const std::string& pattern, unsigned attributeMask,
                            std::vector<DirectoryEntry>* entries) {
  entries->clear();
  return LookedUp(
      "ListDirectory", pattern,
      [&] { return what_if::ListDirectory(pattern, attributeMask, entries); },
      ListingResult::kNoDirectory, ListingResult::kFailed);
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
  // A file held for a moment (a scanner on a month file) is waited for as a change's target is.
  const SystemFailure before = LastSystemFailure();
  const auto read = [&] {
    ForgetSystemFailure();
    if (!DiskLookAllowed("ReadFileBytes", path)) {
      return port::ReadResult::kNotOpened;
    }
    const port::ReadResult result = what_if::ReadFileBytesInto(path, bytes);
    return result == port::ReadResult::kNotOpened && !RootAnswers(path)
               ? port::ReadResult::kNotOpened
               : result;
  };
  port::ReadResult result = read();
  if (result != port::ReadResult::kRead) {
    const std::uint64_t started = SteadyMilliseconds();
    for (unsigned tries = 1;
         result != port::ReadResult::kRead && PauseBeforeRetry(CallKind::kLook, tries, started);
         ++tries) {
      result = read();
    }
  }
  if (result == port::ReadResult::kRead) {
    SetSystemFailure(before);
  }
  if (result == port::ReadResult::kNotOpened) {
    RaiseFailure(kFileOpenError, MessageWithName("Cannot open file %s", path));
  }
  if (result == port::ReadResult::kShortRead) {
    RaiseFailure(kReadError, "Stream read error");
  }
}

std::string ReadFileBytes(const std::string& path) {
  std::string bytes;
  ReadFileBytesInto(path, &bytes);
  return bytes;
}

FileComparison CompareFileForWriting(const std::string& path, const std::string& bytes) {
  // It changes nothing: a look, through the looks' door and under their retry policy.
  const SystemFailure before = LastSystemFailure();
  const auto compare = [&] {
    ForgetSystemFailure();
    return DiskLookAllowed("CompareFileForWriting", path)
               ? what_if::CompareFileForWriting(path, bytes)
               : FileComparison::kFailed;
  };
  FileComparison result = compare();
  const std::uint64_t started = SteadyMilliseconds();
  for (unsigned tries = 1;
       result == FileComparison::kFailed && PauseBeforeRetry(CallKind::kLook, tries, started);
       ++tries) {
    result = compare();
  }
  if (result != FileComparison::kFailed) {
    SetSystemFailure(before);
  }
  return result;
}

}  // namespace orx
