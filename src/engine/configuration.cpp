#include "engine/configuration.h"

#include "engine/report.h"
#include "files/file_operations.h"
#include "files/month_compare.h"
#include "files/paths.h"
#include "files/text.h"
#include "files/tree_copy.h"
#include "settings/installation_settings.h"
#include "settings/settings_document.h"

namespace orx {

namespace {

std::string Normalised(const std::string& directory) {
  return LowerCase(WithTrailingBackslash(directory));
}

// Whether the user's data are to be copied: only when the place they come from holds month-data
// lines that the place they go to lacks, in the two situations where both places may hold data.
bool DecideCopyData(const Options& options, const std::string& currentRedirection) {
  const bool newHoldsInstallation =
      !options.redirectionDirectory.empty() && HasInstallationMarker(options.redirectionDirectory);
  const bool returningHome = options.redirectionDirectory.empty() && !currentRedirection.empty() &&
                             HasInstallationMarker(options.installDirectory);
  if (!newHoldsInstallation && !returningHome) {
    return true;
  }
  const std::string& first =
      currentRedirection.empty() ? options.installDirectory : currentRedirection;
  const std::string& second = options.redirectionDirectory.empty() ? options.installDirectory
                                                                   : options.redirectionDirectory;
  const int result = CompareMonthData(first, second);
  return !(result == kMonthDataSame || result == kMonthDataSecondOnly);
}

std::string DirectoryFailure(const std::string& directory) {
  return "The network directory \"" + directory + "\" (or a sub-directory) could not be created.";
}

}  // namespace

void RunConfiguration(const Options& options) {
  const std::string currentRedirection = ReadRedirection(options.installDirectory);
  const bool copySharedFiles = options.copySharedFiles &&
                               !HasSharedFileSet(options.serverDirectory) &&
                               HasSharedFileSet(options.installDirectory);
  const bool copyData = DecideCopyData(options, currentRedirection);
  const ConfigurationOutcome outcome =
      Configure(options.installDirectory, options.serverDirectory, currentRedirection,
                options.redirectionDirectory, copySharedFiles, options.userAdministratorRights,
                options.administratorOnlyRights, copyData);
  ShowResult(outcome.failureText, outcome.successText);
}

ConfigurationOutcome Configure(std::string installDirectory, std::string serverDirectory,
                               std::string currentRedirection, std::string newRedirection,
                               bool copySharedFiles, bool userAdministratorRights,
                               bool administratorOnlyRights, bool copyData) {
  std::string failure;
  std::string copiedTo;

  if (serverDirectory.empty()) {
    copySharedFiles = false;
    userAdministratorRights = false;
    administratorOnlyRights = false;
  } else {
    serverDirectory = Normalised(serverDirectory);
  }
  installDirectory = Normalised(installDirectory);
  currentRedirection = Normalised(currentRedirection);
  newRedirection = Normalised(newRedirection);

  // The Data directories are prepared before the checks, so a failed check may leave them made.
  const bool serverPrepared = EnsureDataDirectory(serverDirectory);
  const bool redirectionPrepared = EnsureDataDirectory(newRedirection);
  const bool prepared = serverPrepared && redirectionPrepared;

  if (userAdministratorRights) {
    administratorOnlyRights = false;
  }

  const std::string source = !currentRedirection.empty() && TreeHasFiles(currentRedirection)
                                 ? currentRedirection
                                 : installDirectory;
  const std::string target = !newRedirection.empty() ? newRedirection : installDirectory;

  if (installDirectory.empty()) {
    failure = "Installation path is required";
  } else if (installDirectory == serverDirectory) {
    failure = "Installation and server paths must be different";
  } else if (installDirectory == newRedirection) {
    failure = "Installation and redirection paths must be different";
  } else if (!newRedirection.empty() && serverDirectory == newRedirection) {
    failure = "Server and redirection paths must be different";
  }

  if (failure.empty() && copyData && prepared && source != target) {
    if (TreeHasFiles(target) && !BackupDirectory(target, target)) {
      failure = "File backup of \"" + target + "\" failed.";
    }
    if (failure.empty() && !CopyTree(DataDirectoryOf(source), DataDirectoryOf(target), "")) {
      failure = "File copy from \"" + source + "\" to \"" + target + "\" failed.";
    }
    // Without a backup or a complete data copy the target's settings file must stay as it was.
    if (failure.empty()) {
      CopyOneFile(source + kSettingsFileName, target + kSettingsFileName);
      CopyOneFile(source + kInstallationMarker, target + kInstallationMarker);
      copiedTo = target;
    }
  }

  // A redirection is recorded only once both directories are prepared (and the data moved).
  if (failure.empty() && prepared && (!newRedirection.empty() || !currentRedirection.empty())) {
    WriteRedirection(source, "");
    WriteRedirection(target, "");
    WriteRedirection(installDirectory, newRedirection.empty() ? std::string() : target);
  }

  if (prepared && failure.empty()) {
    SettingsDocument settings = OpenEffectiveSettings(installDirectory);
    if (copySharedFiles) {
      const std::string from = DataDirectoryOf(source);
      const std::string to = DataDirectoryOf(serverDirectory);
      const bool copied =
          CopyOneFile(from + kClientProjectFile, to + kClientProjectFile) &&
          CopyOneFile(from + kCategoryActivityFile, to + kCategoryActivityFile) &&
          CopyOneFile(source + kSettingsFileName, serverDirectory + kSettingsFileName);
      if (!copied) {
        failure = "Could not copy shared data files to server location";
      }
    }
    if (!serverDirectory.empty()) {
      settings.WriteText("Server", "ServerPath", WithoutTrailingBackslash(serverDirectory));
    } else {
      RemoveKeyAndPrune(settings, "Server", "ServerPath");
    }
    if (userAdministratorRights) {
      settings.WriteNumber("Server", "ServerAdmin", 2);
    } else if (administratorOnlyRights) {
      settings.WriteNumber("Server", "ServerAdmin", 1);
    } else {
      RemoveKeyAndPrune(settings, "Server", "ServerAdmin");
    }
    settings.Save();
  }

  if (failure.empty() && !serverPrepared) {
    failure = DirectoryFailure(serverDirectory);
  } else if (failure.empty() && !redirectionPrepared) {
    failure = DirectoryFailure(newRedirection);
  }

  const std::string report =
      BuildReport(failure, serverDirectory, currentRedirection, newRedirection,
                  userAdministratorRights, administratorOnlyRights, copySharedFiles, copiedTo);
  ConfigurationOutcome outcome;
  (failure.empty() ? outcome.successText : outcome.failureText) = report;
  return outcome;
}

}  // namespace orx
