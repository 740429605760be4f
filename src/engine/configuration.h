// The configuration run: the driver that reads the switches and the disk, and the engine that
// applies them in a fixed order of phases.
#pragma once

#include <string>

namespace orx {

// The switches of a configuration run, as the command line gave them.
struct Options {
  std::string installDirectory;          // /v: the install/data directory
  std::string serverDirectory;           // /s: the workgroup server directory
  std::string redirectionDirectory;      // /r: the directory the user's files are redirected to
  bool userAdministratorRights = false;  // /a
  bool administratorOnlyRights = false;  // /x
  bool copySharedFiles = false;          // /d
};

// The two texts a configuration ends with; exactly one is non-empty.
struct ConfigurationOutcome {
  std::string failureText;
  std::string successText;
};

// Decides on shared files and data from the switches and the disk, configures and prints the
// report.
void RunConfiguration(const Options& options);
// Applies one configuration to the disk and composes its report.
ConfigurationOutcome Configure(std::string installDirectory, std::string serverDirectory,
                               std::string currentRedirection, std::string newRedirection,
                               bool copySharedFiles, bool userAdministratorRights,
                               bool administratorOnlyRights, bool copyData);

}  // namespace orx
