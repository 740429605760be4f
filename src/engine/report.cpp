#include "engine/report.h"

#include "engine/console_output.h"
#include "files/text.h"

namespace orx {

std::string BuildReport(const RunSummary& summary) {
  if (!summary.failureMessage.empty()) {
    return "Ormatide configuration failed.\r\n" + summary.failureMessage;
  }
  const std::string server = LowerCase(summary.serverDirectory);
  const std::string current = LowerCase(summary.currentRedirection);
  const std::string next = LowerCase(summary.newRedirection);
  const std::string copiedTo = LowerCase(summary.copiedToDirectory);

  std::string report = "Ormatide has been configured on this machine.\r\n";
  const auto addLine = [&report](const std::string& line) { report += "\r\n" + line; };
  if (!server.empty()) {
    addLine("Workgroup server configured at \"" + server + "\"");
  }
  if (summary.copySharedFiles) {
    addLine("Shared files for the workgroup have been copied to the server.");
  }
  if (summary.userAdministratorRights) {
    addLine("User administrator rights for server data have been assigned.");
  } else if (summary.administratorOnlyRights) {
    addLine("Administrator only rights for server data have been assigned.");
  } else {
    addLine("No administrator rights for server data have been assigned.");
  }
  if (current == next) {
    return report;
  }
  if (!current.empty()) {
    addLine("Redirection to \"" + current + "\" has been removed.");
  }
  if (!next.empty()) {
    addLine("Redirection to \"" + next + "\" has been established.");
  }
  if (!copiedTo.empty()) {
    addLine("Data files have been copied to \"" + copiedTo + "\"");
  }
  return report;
}

void ShowResult(const std::string& failureText, const std::string& successText) {
  LineWrite(failureText.empty() ? successText : failureText);
}

}  // namespace orx
