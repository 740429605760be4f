// The program's fixed texts as the tests expect them, byte for byte.
#pragma once

#include <string>

namespace orx::testing {

// An empty line, the title and the rule line, each ended by CR LF.
inline const std::string kBanner =
    "\r\n"
    "Ormatide - Workgroup Configuration Version 3.0 (Console)\r\n"
    "--------------------------------------------------------\r\n";
// The report headers of a successful and of a failed run.
inline const std::string kConfigured = "Ormatide has been configured on this machine.\r\n";
inline const std::string kFailed = "Ormatide configuration failed.\r\n";

// Lines of the success report; directories as the program shows them (lower case, one trailing
// backslash).
inline const std::string kNoRights = "No administrator rights for server data have been assigned.";
inline const std::string kUserRights =
    "User administrator rights for server data have been assigned.";
inline const std::string kSharedCopied =
    "Shared files for the workgroup have been copied to the server.";
inline std::string ServerConfiguredAt(const std::string& dir) {
  return "Workgroup server configured at \"" + dir + "\"";
}
inline std::string RedirectionEstablished(const std::string& dir) {
  return "Redirection to \"" + dir + "\" has been established.";
}
inline std::string RedirectionRemoved(const std::string& dir) {
  return "Redirection to \"" + dir + "\" has been removed.";
}
inline std::string DataCopiedTo(const std::string& dir) {
  return "Data files have been copied to \"" + dir + "\"";
}
// The failure report's message when the data copy from one directory to another failed.
inline std::string DataCopyFailed(const std::string& from, const std::string& to) {
  return "File copy from \"" + from + "\" to \"" + to + "\" failed.";
}

}  // namespace orx::testing
