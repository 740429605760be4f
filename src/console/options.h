// The switches of a configuration run and the default install directory.
#pragma once

#include <string>
#include <vector>

#include "engine/configuration.h"

namespace orx {

// Parses the arguments into the engine's Options; unknown switches and short arguments are ignored
// in silence. Raises EConvertError when a directory the run would use (the last /v, /s or /r, or
// the default install directory) holds a character the code page cannot spell (an escape).
Options ParseOptions(const std::vector<std::string>& arguments);
// What a run leaves for the administrator besides its report.
struct RunAccount {
  std::string logFile;                  // /l: the log the run's record is appended to; empty: none
  bool exitStatusTellsOutcome = false;  // /e: exit status 2 after the failure report
};
// /l and /e from the arguments, which ParseOptions ignores: the last /l counts, its value trimmed
// and in its letter case. Raises EConvertError when that name holds a character the code page
// cannot spell (an escape).
RunAccount ParseAccount(const std::vector<std::string>& arguments);
// True when an argument asks for the syntax screen ("/?").
bool AsksForHelp(const std::vector<std::string>& arguments);
// True when an argument is /n (its first two characters, in either case): the run is a check
// that changes nothing and tells what the line would do.
bool AsksForCheckOnly(const std::vector<std::string>& arguments);
// The APPDATA location when it exists, else the fixed installation with its marker, else the
// (missing) APPDATA location; always ends with one backslash. A directory that cannot be looked
// at raises EInOutError "Cannot read directory %s" (a marker, EFOpenError "Cannot open file %s").
std::string DefaultInstallDirectory();

}  // namespace orx
