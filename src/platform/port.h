// What each port gives the platform's shared code (platform.cpp), which puts the door of
// disk_changes.h and a brief retry in front of every look, and the check of what_if.h in front of
// every look and change. Nothing outside src/platform/ includes it.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace orx::port {

// The looks of platform.h, as the port makes them: once, without the door.
Found IsFile(const std::string& path);
Found ReadAttributes(const std::string& path, unsigned* attributes);
ListingResult ListDirectory(const std::string& pattern, unsigned attributeMask,
                            std::vector<DirectoryEntry>* entries);
// How a read of a whole file ended; the failure is recorded.
enum class ReadResult { kRead, kNotOpened, kShortRead };
ReadResult ReadFileBytesInto(const std::string& path, std::string* bytes);
// Records a look at path that the door refused, as the port's error for a network failure.
void RecordRefusedLook(const std::string& path);

// The changes of platform.h, as the port makes them on the disk.
bool CreateDirectoryA(const std::string& path);
NewFileResult CopyToNewFile(const std::string& source, const std::string& target, OpenCopy* open);
bool PlaceCopy(OpenCopy* copy, const std::string& to, bool replaceExisting);
void DropCopy(OpenCopy* copy);
bool RenameFile(const std::string& from, const std::string& to, bool replaceExisting);
bool RemoveFile(const std::string& path);
NewFileResult CreateFileForWriting(const std::string& path, bool mustBeNew, WritableFile* file);
bool WriteToFile(const WritableFile& file, const std::string& bytes);
bool FlushFile(const WritableFile& file);
bool CloseFile(WritableFile* file);
bool ReplaceWithFile(const std::string& target, const std::string& replacement,
                     const std::string& backup);

// Why a change or look that the check (what_if.h) answers without the disk fails.
enum class Refusal {
  kNotFound,   // no such file or folder, or none above it
  kNameTaken,  // the name is taken
  kDenied,     // a folder, or a read-only file, where a file is to be written or removed
};
// Records that failure on path as the port's own error for it (LastSystemFailure).
void RecordRefusal(const std::string& path, Refusal refusal);

// Calls look until its result is not failed(result), pausing between tries; pause receives the
// milliseconds. The pauses (10, 30 and 60 ms) let a share that failed for a few milliseconds
// answer, and end a failure for good within a tenth of a second.
template <typename Look, typename Failed, typename Pause>
auto Retried(Look look, Failed failed, Pause pause) {
  auto result = look();
  for (const unsigned milliseconds : {10u, 30u, 60u}) {
    if (!failed(result)) {
      break;
    }
    pause(milliseconds);
    result = look();
  }
  return result;
}

}  // namespace orx::port
