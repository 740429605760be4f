// What each port gives the platform's shared code (platform.cpp), which puts the door of
// disk_changes.h and the retry policy in front of every look, and the check of what_if.h in front
// of every look and change. Nothing outside src/platform/ includes it.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace orx::port {

// The looks of platform.h, as the port makes them: once, without the door.
Found IsFile(const std::string& path);
Found ReadAttributes(const std::string& path, unsigned* attributes);
Found LastWriteTime(const std::string& path, std::uint64_t* time);
ListingResult ListDirectory(const std::string& pattern, unsigned attributeMask,
                            std::vector<DirectoryEntry>* entries);
// How a read of a whole file ended; the failure is recorded.
enum class ReadResult { kRead, kNotOpened, kShortRead };
ReadResult ReadFileBytesInto(const std::string& path, std::string* bytes);
// Records a failure of a call of the kind on path with the Windows error number code (the POSIX
// port records the errno it stands for), classed as one of the system's own: what a door that
// refuses hands the port.
void RecordFailure(const std::string& path, unsigned code, CallKind call);
// Whether a look that failed with code (a "not there") asks the root whether it answers: Windows'
// "path not found" (3), whose folder on the way may lie on a drive not mapped or a share away.
bool AsksForTheRoot(unsigned code);
// The kind KindOfFailure gives an error of that class.
FailureKind KindOfClass(ErrorClass meaning);

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
// The comparison of platform.h, as the port makes it on the disk.
FileComparison CompareFileForWriting(const std::string& path, const std::string& bytes);

// Why a change or look that the check (what_if.h) answers without the disk fails.
enum class Refusal {
  kNotFound,   // no such file or folder, or none above it
  kNameTaken,  // the name is taken
  kDenied,     // a folder, or a read-only file, where a file is to be written or removed
};
// Records that failure on path as the port's own error for it (LastSystemFailure).
void RecordRefusal(const std::string& path, Refusal refusal);

}  // namespace orx::port
