// The full path Windows makes of a path (GetFullPathNameW), worked out from the text alone.
#pragma once

#include <string>

namespace orx {

// The full path of path, a relative one continuing currentDirectory (itself a full path). Slashes
// become backslashes; "." and ".." segments and doubled separators go, never above the root (a
// drive "x:\", a share "\\server\share\", or "\"); a final separator stays. Empty for an empty
// path, for a relative one without a current directory, and for a result longer than 259 UTF-16
// units (MAX_PATH with its terminating zero), the text read as the POSIX port's UTF-8.
std::string FullPathOf(const std::string& path, const std::string& currentDirectory);

}  // namespace orx
