// The one text a configuration run ends with: why it failed, or what it configured.
#pragma once

#include <string>

namespace orx {

// What a configuration run did, as its report tells it. Directories as the run holds them.
struct RunSummary {
  std::string failureMessage;  // empty when the run succeeded
  std::string serverDirectory;
  std::string currentRedirection;
  std::string newRedirection;
  bool userAdministratorRights = false;  // after the run's own adjustments
  bool administratorOnlyRights = false;  // after the run's own adjustments
  bool copySharedFiles = false;          // whether the shared files were to be copied
  std::string copiedToDirectory;         // where the data were copied; empty when they were not
};

// The failure form when failureMessage is non-empty, else the success form. Lines are separated
// by CR LF; no line end follows the last line.
std::string BuildReport(const RunSummary& summary);
// Writes the failure text when it is non-empty, else the success text, as one line.
void ShowResult(const std::string& failureText, const std::string& successText);

}  // namespace orx
