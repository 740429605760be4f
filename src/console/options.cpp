#include "console/options.h"

#include "files/file_operations.h"
#include "files/paths.h"
#include "files/platform.h"
#include "files/text.h"

namespace orx {

std::string DefaultInstallDirectory() {
  const std::string candidate =
      WithTrailingBackslash(ReadEnvironment("APPDATA")) + "Pemberlark\\Ormatide\\";
  if (IsDirectory(candidate)) {
    return candidate;
  }
  const std::string fixed = "C:\\Program Files\\Pemberlark\\Ormatide\\";
  if (IsDirectory(fixed) && HasInstallationMarker(fixed)) {
    return fixed;
  }
  return candidate;
}

Options ParseOptions(const std::vector<std::string>& arguments) {
  Options options;
  options.installDirectory = DefaultInstallDirectory();
  for (const std::string& argument : arguments) {
    if (argument.size() < 2) {
      continue;
    }
    const std::string option = LowerCase(argument.substr(0, 2));
    const std::string value =
        argument.size() == 2 ? std::string() : Trim(LowerCase(argument.substr(2)));
    if (option == "/v") {
      options.installDirectory = value;
    } else if (option == "/s") {
      options.serverDirectory = value;
    } else if (option == "/r") {
      options.redirectionDirectory = value;
    } else if (option == "/a") {
      options.userAdministratorRights = true;
    } else if (option == "/x") {
      options.administratorOnlyRights = true;
    } else if (option == "/d") {
      options.copySharedFiles = true;
    }
  }
  return options;
}

bool AsksForHelp(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (argument == "/?") {
      return true;
    }
  }
  return false;
}

}  // namespace orx
