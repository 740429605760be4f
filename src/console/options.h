// The switches of a configuration run and the default install directory.
#pragma once

#include <string>
#include <vector>

#include "engine/configuration.h"

namespace orx {

// Parses the arguments into the engine's Options; unknown switches and short arguments are ignored
// in silence.
Options ParseOptions(const std::vector<std::string>& arguments);
// True when an argument asks for the syntax screen ("/?").
bool AsksForHelp(const std::vector<std::string>& arguments);
// The APPDATA location when it exists, else the fixed installation with its marker, else the
// (missing) APPDATA location; always ends with one backslash.
std::string DefaultInstallDirectory();

}  // namespace orx
