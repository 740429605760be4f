#include "console/options.h"

#include <algorithm>

#include "base/name_escapes.h"
#include "base/paths.h"
#include "base/raised_failure.h"
#include "files/file_operations.h"
#include "files/text.h"
#include "platform/platform.h"

namespace orx {

namespace {

// Why a directory name cannot be used: it holds a character the Windows code page cannot spell,
// which the program's 8-bit texts and the settings file could only carry as a look-alike (best
// fit: "dvořák" becomes "dvorák", another user's folder). Empty for a name the code page spells.
std::string UnspellableName(const std::string& name, const std::string& subject) {
  if (!HoldsEscape(name)) {
    return std::string();
  }
  return "The " + subject + " cannot be written in the Windows code page of this machine.";
}

// Whether the directory is there; one that cannot be looked at ends the run, since taking it for
// missing could choose another installation.
bool IsDirectoryThere(const std::string& directory) {
  const Found found = IsDirectory(directory);
  if (found == Found::kUnknown) {
    RaiseFailure(kInOutError, MessageWithName("Cannot read directory %s", directory));
  }
  return found == Found::kThere;
}

}  // namespace

std::string DefaultInstallDirectory() {
  const std::string candidate =
      WithTrailingBackslash(ReadEnvironment("APPDATA")) + "Pemberlark\\Ormatide\\";
  if (IsDirectoryThere(candidate)) {
    return candidate;
  }
  const std::string fixed = "C:\\Program Files\\Pemberlark\\Ormatide\\";
  if (IsDirectoryThere(fixed) && HasInstallationMarker(fixed)) {
    return fixed;
  }
  return candidate;
}

Options ParseOptions(const std::vector<std::string>& arguments) {
  Options options;
  // The default is looked for only when no /v names the directory.
  const bool installGiven =
      std::any_of(arguments.begin(), arguments.end(), [](const std::string& argument) {
        return argument.size() >= 2 && LowerCase(argument.substr(0, 2)) == "/v";
      });
  options.installDirectory = installGiven ? std::string() : DefaultInstallDirectory();
  // Why each directory the run would use is refused; a later switch of the same letter decides
  // afresh.
  std::string installRefusal =
      UnspellableName(options.installDirectory, "directory name in APPDATA");
  std::string serverRefusal;
  std::string redirectionRefusal;
  for (const std::string& argument : arguments) {
    if (argument.size() < 2) {
      continue;
    }
    const std::string option = LowerCase(argument.substr(0, 2));
    // Judged on the value as typed.
    const std::string typed = argument.substr(2);
    const std::string refusal = UnspellableName(typed, "directory name given with " + option);
    const std::string value = Trim(LowerCase(typed));
    if (option == "/v") {
      options.installDirectory = value;
      installRefusal = refusal;
    } else if (option == "/s") {
      options.serverDirectory = value;
      serverRefusal = refusal;
    } else if (option == "/r") {
      options.redirectionDirectory = value;
      redirectionRefusal = refusal;
    } else if (option == "/a") {
      options.userAdministratorRights = true;
    } else if (option == "/x") {
      options.administratorOnlyRights = true;
    } else if (option == "/d") {
      options.copySharedFiles = true;
    }
  }
  for (const std::string* refusal : {&installRefusal, &serverRefusal, &redirectionRefusal}) {
    if (!refusal->empty()) {
      RaiseFailure(kConvertError, *refusal);
    }
  }
  return options;
}

RunAccount ParseAccount(const std::vector<std::string>& arguments) {
  RunAccount account;
  std::string refusal;
  for (const std::string& argument : arguments) {
    const std::string option = LowerCase(argument.substr(0, 2));
    if (option == "/l") {
      account.logFile = Trim(argument.substr(2));
      refusal = UnspellableName(argument.substr(2), "file name given with /l");
    } else if (option == "/e") {
      account.exitStatusTellsOutcome = true;
    }
  }
  if (!refusal.empty()) {
    RaiseFailure(kConvertError, refusal);
  }
  return account;
}

bool AsksForHelp(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (argument == "/?") {
      return true;
    }
  }
  return false;
}

bool AsksForCheckOnly(const std::vector<std::string>& arguments) {
  return std::any_of(arguments.begin(), arguments.end(), [](const std::string& argument) {
    return LowerCase(argument.substr(0, 2)) == "/n";
  });
}

}  // namespace orx
