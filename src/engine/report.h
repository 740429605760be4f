// The one text a configuration run ends with: why it failed, or what it configured.
#pragma once

#include <string>

namespace orx {

// The failure form when failureMessage is non-empty, else the success form. Lines are separated
// by CR LF; no line end follows the last line.
std::string BuildReport(const std::string& failureMessage, const std::string& serverDirectory,
                        const std::string& currentRedirection, const std::string& newRedirection,
                        bool userAdministratorRights, bool administratorOnlyRights,
                        bool copySharedFiles, const std::string& copiedToDirectory);
// Writes the failure text when it is non-empty, else the success text, as one line.
void ShowResult(const std::string& failureText, const std::string& successText);

}  // namespace orx
