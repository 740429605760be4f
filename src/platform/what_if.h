// The check that changes nothing (/n): a layer in front of the port's looks and changes. While it
// runs, every change is recorded in memory instead of made, and every later look, listing and read
// sees what the recorded changes would have made: a folder made is there, a copied file reads as
// its source's bytes (taken from the source when read, never copied), a written or replaced file
// reads as its new bytes, a renamed or removed one is gone from its name. Names match as Windows
// matches them, without regard to letter case. A change is refused where the disk's own call would
// refuse it for what the check can see (a name taken, no folder above it, a read-only file to be
// written over); what it cannot see (a full volume, a share that refuses writing) it takes to
// succeed. Nothing outside src/platform/ includes it.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/port.h"

namespace orx::what_if {

// Starts the check with nothing recorded; Stop forgets what was recorded and lets the calls reach
// the disk again.
void Start();
void Stop();
// Whether the recorded changes, taken together, leave the disk other than it is (see
// CheckedChangesAlterDisk in platform.h).
bool ChangesDisk();

// The looks of port.h: through the check while it runs, else the port's own.
Found IsFile(const std::string& path);
Found ReadAttributes(const std::string& path, unsigned* attributes);
ListingResult ListDirectory(const std::string& pattern, unsigned attributeMask,
                            std::vector<DirectoryEntry>* entries);
port::ReadResult ReadFileBytesInto(const std::string& path, std::string* bytes);

// The changes of port.h: recorded while the check runs, else made by the port.
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
// The comparison of a file about to be rewritten: against what the check recorded under its name,
// else the port's.
FileComparison CompareFileForWriting(const std::string& path, const std::string& bytes);

}  // namespace orx::what_if
