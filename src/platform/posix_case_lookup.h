// How the POSIX port finds a program path's entry on a file system whose names have letter case,
// as Windows finds it without regard to case. Part of the POSIX port; no other code includes it.
#pragma once

#include <sys/stat.h>

#include <string>

namespace orx {

// The native path of a program path as the file system spells it; fills info and tells whether
// the entry exists. The exact spelling costs one stat; only a miss reads directories. After false,
// errno is ENOENT or ENOTDIR when nothing is there, another error when the look failed.
bool Locate(const std::string& path, std::string* native, struct stat* info);
// Locate's native path alone: the existing entry's spelling, or the path as given.
std::string NativeLocation(const std::string& path);
// The native path with every component that does not exist as spelled replaced by an existing
// entry of another letter case; components that match nothing stay as given.
std::string ResolvedCase(const std::string& native);
// Records that this process has just made the entry native, so that a kept listing of its
// directory stays usable.
void NoteEntryMade(const std::string& native);
// Records that this process has just created the directory native: it is known to be empty.
void NoteDirectoryMade(const std::string& native);

}  // namespace orx
