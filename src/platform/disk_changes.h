// The one door every call that changes the disk passes (directory creation, file copy, file
// creation, write, flush, rename, replacement, and the removal of what a stopped copy left), and
// the one every look passes (a look-up, a listing, the read of a whole file).
#pragma once

#include <string>

namespace orx {

// Whether the call named (with the path it changes) may go ahead; when not, the caller fails it as
// a full disk would fail it. The program's own answer is always yes: it is defined alone in its
// source file, so that a test program can link an answer of its own in its place.
bool DiskChangeAllowed(const char* call, const std::string& path);
// Whether the look named (with the path it looks at) may go ahead; when not, the platform fails
// it as a share's network error would, never as "not found". Defined beside DiskChangeAllowed.
bool DiskLookAllowed(const char* call, const std::string& path);
// Told, before a "ReplaceWithFile" call passes the door, the two names beside its target that the
// replace uses: the new file, and the backup the old one passes through. The program's own answer
// ignores them; a test answer may leave the disk as a replace stopped half-way would.
void ReplacementNamesAre(const std::string& replacement, const std::string& backup);

}  // namespace orx
