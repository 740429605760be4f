// The configuration run: the driver that reads the switches and the disk, and the engine that
// applies them in a fixed order of phases.
#pragma once

#include <string>

namespace orx {

// The two texts a configuration ends with; exactly one is non-empty.
struct ConfigurationOutcome {
  std::string failureText;
  std::string successText;
};

// Parses the switches, decides on shared files and data, configures and prints the report.
void RunConfiguration();
// Applies one configuration to the disk and composes its report.
ConfigurationOutcome Configure(std::string installDirectory, std::string serverDirectory,
                               std::string currentRedirection, std::string newRedirection,
                               bool copySharedFiles, bool userAdministratorRights,
                               bool administratorOnlyRights, bool copyData);

}  // namespace orx
