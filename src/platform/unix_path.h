// Where the host build finds a program path on a Unix file system, as Wine maps its drive z:.
#pragma once

#include <string>

namespace orx {

// The Unix spelling of a program path: slashes for backslashes, and a drive prefix standing for
// the root ("c:\tmp\a" is /tmp/a, "c:" alone is /); "\\server\share\x" is simply
// //server/share/x, and a relative path stays relative.
std::string UnixPathOf(const std::string& path);
// True for "\\server" and "\\server\share" (either separator, a final one allowed): Windows cannot
// create these, and on a Unix file system they would become directories at the root.
bool IsServerOrShare(const std::string& path);

}  // namespace orx
