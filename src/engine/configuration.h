// The configuration run: the driver that reads the switches and the disk, and the engine that
// applies them in a fixed order of phases.
#pragma once

#include <string>

#include "platform/platform.h"
#include "settings/settings_document.h"

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

// One configuration as Configure applies it: the switches after the driver's look at the disk.
// Directories may come in any letter case, with or without their trailing backslash.
struct ConfigurationRequest {
  std::string installDirectory;
  std::string serverDirectory;           // empty: no server, and its keys are removed
  std::string currentRedirection;        // the redirection in force before the run; empty: none
  std::string newRedirection;            // /r; empty: the data are to live in the install dir
  bool copySharedFiles = false;          // /d, kept only when the server lacks the shared files
  bool userAdministratorRights = false;  // /a
  bool administratorOnlyRights = false;  // /x
  bool copyData = true;                  // the user's data are to be copied to their new place
};

// The two texts a configuration ends with; exactly one is non-empty.
struct ConfigurationOutcome {
  std::string failureText;
  std::string successText;
  // The failed system call of the step that failed (code 0: none, or a check that failed).
  SystemFailure failedCall;
};

// Decides on shared files and data from the switches and the disk, configures and prints the
// report; returns what it printed.
ConfigurationOutcome RunConfiguration(const Options& options);
// Applies one configuration to the disk and composes its report. installSettings is the install
// directory's own settings file (under its normalised name) as the request's current redirection
// was read from it: every save of that file in the run replaces only what the run read or wrote,
// so that of two runs on one installation at once the second fails rather than report a
// redirection that is not in force.
ConfigurationOutcome Configure(const ConfigurationRequest& request,
                               SettingsDocument installSettings);

}  // namespace orx
