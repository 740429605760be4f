// The one door every call that changes the disk passes (directory creation, file copy, file
// creation, write, flush, rename, replacement, and the removal of what a stopped copy left), and
// the one every look passes (a look-up, a listing, the read of a whole file).
#pragma once

#include <string>

namespace orx {

// Whether the call named (with the path it changes) may go ahead; when not, the door has handed
// the platform the error the call fails with (FailCallWith), and the caller fails it as the call
// itself would have failed. The program's own answer is always yes: it is defined alone in its
// source file, so that a test program can link an answer of its own in its place.
bool DiskChangeAllowed(const char* call, const std::string& path);
// Whether the look named (with the path it looks at) may go ahead; when not, the door has handed
// the platform the error the look fails with, and the platform answers as it answers that error
// from the system. Defined beside DiskChangeAllowed.
bool DiskLookAllowed(const char* call, const std::string& path);
// Told, before a "ReplaceWithFile" call passes the door, the two names beside its target that the
// replace uses: the new file, and the backup the old one passes through. The program's own answer
// ignores them; a test answer may leave the disk as a replace stopped half-way would.
void ReplacementNamesAre(const std::string& replacement, const std::string& backup);
// What a door that refuses a call hands the platform first: the Windows error number the call
// fails with, recorded through the port exactly as the system's own answer is recorded (the POSIX
// port takes the errno it stands for), so that the table of error_classes.h, the retries and the
// log meet it as they meet a real one. Defined with the platform.
void FailCallWith(const char* call, const std::string& path, unsigned windowsCode);

}  // namespace orx
