// Path conventions: 8-bit texts with backslash separators, a drive prefix ending in a colon. Each
// rule goes by characters (characters.h): the trail byte 0x5C of a double-byte character is no
// backslash.
#pragma once

#include <string>

namespace orx {

// The empty path stays empty; otherwise exactly one backslash ends the result (only the last
// character is looked at).
std::string WithTrailingBackslash(const std::string& path);
// Removes one final backslash, if there is one.
std::string WithoutTrailingBackslash(const std::string& path);
// WithTrailingBackslash(dir) + "Data\".
std::string DataDirectoryOf(const std::string& dir);
// The text after the last backslash or colon.
std::string FileNameOf(const std::string& path);
// From the last full stop after the last backslash or colon to the end (".txt"); else empty.
std::string ExtensionOf(const std::string& path);
// Up to the last backslash or colon, dropping that backslash unless it is the first character or
// follows a colon or another backslash: c:\a\b.txt gives c:\a, c:\b.txt gives c:\ .
std::string ParentDirectoryOf(const std::string& path);
// Up to and including the last backslash or colon; empty when there is none.
std::string ParentPathOf(const std::string& path);
// True when the path starts with a drive letter (A-Z, a-z) and a colon.
bool HasDrivePrefix(const std::string& path);

}  // namespace orx
