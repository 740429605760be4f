// The switches of a configuration run and the default install directory.
#pragma once

#include <string>
#include <vector>

namespace orx {

// The parsed switches.
struct Options {
  std::string installDirectory;          // /v: the install/data directory
  std::string serverDirectory;           // /s: the workgroup server directory
  std::string redirectionDirectory;      // /r: the directory the user's files are redirected to
  bool userAdministratorRights = false;  // /a
  bool administratorOnlyRights = false;  // /x
  bool copySharedFiles = false;          // /d
};

// Parses the given arguments; unknown switches and short arguments are ignored in silence.
Options ParseOptions(const std::vector<std::string>& arguments);
// Parses the process's arguments.
Options ParseOptions();
// True when an argument asks for the syntax screen ("/?").
bool AsksForHelp(const std::vector<std::string>& arguments);
// The APPDATA location when it exists, else the fixed installation with its marker, else the
// (missing) APPDATA location; always ends with one backslash.
std::string DefaultInstallDirectory();

}  // namespace orx
