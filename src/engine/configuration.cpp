#include "engine/configuration.h"

#include <utility>

#include "base/paths.h"
#include "base/raised_failure.h"
#include "engine/report.h"
#include "files/file_operations.h"
#include "files/month_compare.h"
#include "files/text.h"
#include "files/tree_copy.h"
#include "platform/platform.h"
#include "settings/installation_settings.h"
#include "settings/settings_document.h"

namespace orx {

namespace {

// The working values of one Configure: the normalised request and what its phases found and did.
struct ConfigurationRun {
  explicit ConfigurationRun(SettingsDocument settings) : installSettings(std::move(settings)) {}

  ConfigurationRequest request;
  // The install directory's own settings file, as the run last read or wrote it.
  SettingsDocument installSettings;
  bool serverPrepared = false;
  bool redirectionPrepared = false;
  std::string source;                // where the user's data live before the run
  std::string target;                // where they are to live after it
  std::string failure;               // the first failure found; empty while there is none
  std::string copiedTo;              // the target, once the data have been copied to it
  SystemFailure failedCall;          // the failed system call behind the failure, if any
  SystemFailure serverFailure;       // behind a server directory that could not be prepared
  SystemFailure redirectionFailure;  // behind a redirection directory that could not be prepared

  bool BothPrepared() const { return serverPrepared && redirectionPrepared; }
};

// Runs a step that answers whether it succeeded; when it fails, keeps the failed system call it
// left behind (code 0 when it failed by a rule of the program's own).
template <typename Step>
bool Attempt(SystemFailure* failedCall, Step step) {
  ForgetSystemFailure();
  if (step()) {
    return true;
  }
  *failedCall = LastSystemFailure();
  return false;
}

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

// Copies a file that exists (a fresh installation may lack its settings file); true when it is
// missing or was copied, false also when it cannot be looked at.
bool CopyIfPresent(const std::string& source, const std::string& target) {
  const Found found = IsFile(source);
  return found == Found::kNotThere || (found == Found::kThere && CopyOneFile(source, target));
}

// CopySettingsFile; false when it raised.
bool CopiedSettings(const std::string& source, const std::string& target) {
  try {
    CopySettingsFile(source, target);
    return true;
  } catch (const RaisedFailure&) {
    return false;
  }
}

// Whether the tree under dir holds files; a folder of it that cannot be listed may hold the user's
// data, so that stops the run (EInOutError "Cannot read directory %s") before anything changes.
bool HoldsFiles(const std::string& dir) {
  std::string unread;
  const Found found = TreeHasFiles(dir, &unread);
  if (found == Found::kUnknown) {
    RaiseFailure(kInOutError, MessageWithName("Cannot read directory %s", unread));
  }
  return found == Found::kThere;
}

// Every directory lower case with one trailing backslash (so that equal texts mean the same
// directory); without a server no shared files and no rights; /a wins over /x.
ConfigurationRequest NormalisedRequest(ConfigurationRequest request) {
  request.installDirectory = Normalised(request.installDirectory);
  request.serverDirectory = Normalised(request.serverDirectory);
  request.currentRedirection = Normalised(request.currentRedirection);
  request.newRedirection = Normalised(request.newRedirection);
  if (request.serverDirectory.empty()) {
    request.copySharedFiles = false;
    request.userAdministratorRights = false;
    request.administratorOnlyRights = false;
  }
  if (request.userAdministratorRights) {
    request.administratorOnlyRights = false;
  }
  return request;
}

// Makes the Data directories of the server and of the new redirection, and chooses where the data
// come from and go to. It runs before the checks, so a run that fails one may leave them made.
ConfigurationRun Prepare(const ConfigurationRequest& request, SettingsDocument installSettings) {
  ConfigurationRun run(std::move(installSettings));
  run.request = NormalisedRequest(request);
  const ConfigurationRequest& normalised = run.request;
  run.serverPrepared =
      Attempt(&run.serverFailure, [&] { return EnsureDataDirectory(normalised.serverDirectory); });
  run.redirectionPrepared = Attempt(&run.redirectionFailure,
                                    [&] { return EnsureDataDirectory(normalised.newRedirection); });
  // A current redirection without files holds no data to move.
  run.source = !normalised.currentRedirection.empty() && HoldsFiles(normalised.currentRedirection)
                   ? normalised.currentRedirection
                   : normalised.installDirectory;
  run.target =
      !normalised.newRedirection.empty() ? normalised.newRedirection : normalised.installDirectory;
  return run;
}

// The first rule the directories break; empty when they keep all. The current redirection takes
// part in none.
std::string Check(const ConfigurationRequest& request) {
  if (request.installDirectory.empty()) {
    return "Installation path is required";
  }
  if (request.installDirectory == request.serverDirectory) {
    return "Installation and server paths must be different";
  }
  if (request.installDirectory == request.newRedirection) {
    return "Installation and redirection paths must be different";
  }
  if (!request.newRedirection.empty() && request.serverDirectory == request.newRedirection) {
    return "Server and redirection paths must be different";
  }
  return std::string();
}

// Backs up what the target holds, then copies the data tree, the settings file and the
// installation marker from the source.
void MoveData(ConfigurationRun& run) {
  if (!run.failure.empty() || !run.request.copyData || !run.BothPrepared() ||
      run.source == run.target) {
    return;
  }
  const auto attempt = [&run](auto step) { return Attempt(&run.failedCall, step); };
  // A target that cannot be listed may hold files that need their backup. A settings file that a
  // stopped save left only under a temporary name goes back under its name first, so that neither
  // the backup nor the clearing of leftovers takes it for one.
  const bool backedUp = attempt([&run] {
    if (LookAtSettingsFile(run.source + kSettingsFileName) == Found::kUnknown ||
        LookAtSettingsFile(run.target + kSettingsFileName) == Found::kUnknown) {
      return false;
    }
    std::string unread;
    const Found holdsFiles = TreeHasFiles(run.target, &unread);
    return holdsFiles == Found::kNotThere ||
           (holdsFiles == Found::kThere && BackupDirectory(run.target, run.target));
  });
  if (!backedUp) {
    run.failure = "File backup of \"" + run.target + "\" failed.";
    return;
  }
  if (!attempt([&run] {
        return CopyTree(DataDirectoryOf(run.source), DataDirectoryOf(run.target), "");
      })) {
    run.failure = "File copy from \"" + run.source + "\" to \"" + run.target + "\" failed.";
    return;
  }
  // Only after a backup and a complete data copy may the target's settings file be replaced. The
  // settings file and the marker belong to the data: a move without them is no move. The copy of
  // either may have been stopped by force before: its leftover goes as the data tree's do. The
  // settings file is copied as a save: only over what the run knows the target's to hold.
  const bool copied = attempt([&run] {
    return RemoveLeftoverTemporaries(run.source, run.target) &&
           CopiedSettings(run.source + kSettingsFileName, run.target + kSettingsFileName) &&
           CopyIfPresent(run.source + kInstallationMarker, run.target + kInstallationMarker);
  });
  if (!copied) {
    run.failure = "File copy from \"" + run.source + "\" to \"" + run.target + "\" failed.";
    return;
  }
  if (run.target == run.request.installDirectory) {
    // The copy has just replaced the install directory's own settings file.
    run.installSettings = OpenSettingsDocument(run.installSettings.fileName());
  }
  run.copiedTo = run.target;
}

// WriteRedirection in directory's own settings file; the install directory's goes through the
// run's document of it.
void WriteRedirectionIn(ConfigurationRun& run, const std::string& directory,
                        const std::string& redirection) {
  if (directory == run.request.installDirectory) {
    WriteRedirection(run.installSettings, redirection);
  } else {
    WriteRedirection(directory, redirection);
  }
}

// Removes Redirect from the source's and the target's own settings files, then sets it in the
// install directory's to the new redirection, or removes it there too.
void RecordRedirection(ConfigurationRun& run) {
  const ConfigurationRequest& request = run.request;
  // A redirection is recorded only once both directories are prepared (and the data moved).
  if (!run.failure.empty() || !run.BothPrepared() ||
      (request.newRedirection.empty() && request.currentRedirection.empty())) {
    return;
  }
  WriteRedirectionIn(run, run.source, "");
  WriteRedirectionIn(run, run.target, "");
  WriteRedirection(run.installSettings,
                   request.newRedirection.empty() ? std::string() : run.target);
}

// Copies those of the two shared data files and the source's settings file that the server lacks,
// stopping at the first copy that fails. What the server already holds is the workgroup's and
// stays; another workstation may be placing the same files at this moment.
bool CopySharedFiles(const std::string& source, const std::string& server) {
  const std::string from = DataDirectoryOf(source);
  const std::string to = DataDirectoryOf(server);
  const ExistingFile keep = ExistingFile::kKeep;
  return CopyOneFile(from + kClientProjectFile, to + kClientProjectFile, keep) &&
         CopyOneFile(from + kCategoryActivityFile, to + kCategoryActivityFile, keep) &&
         CopyOneFile(source + kSettingsFileName, server + kSettingsFileName, keep);
}

// ServerPath and ServerAdmin as the request asks, each removed (with an emptied Server section)
// when it asks for none.
void WriteServerKeys(SettingsDocument& settings, const ConfigurationRequest& request) {
  if (!request.serverDirectory.empty()) {
    settings.WriteText(kServerSection, kServerPathKey,
                       WithoutTrailingBackslash(request.serverDirectory));
  } else {
    RemoveKeyAndPrune(settings, kServerSection, kServerPathKey);
  }
  if (request.userAdministratorRights) {
    settings.WriteNumber(kServerSection, kServerAdminKey, 2);
  } else if (request.administratorOnlyRights) {
    settings.WriteNumber(kServerSection, kServerAdminKey, 1);
  } else {
    RemoveKeyAndPrune(settings, kServerSection, kServerAdminKey);
  }
}

// Copies the shared files to the server when asked, then writes the server keys into the
// effective settings file, which the recorded redirection has already chosen. The server's copy
// of the settings file therefore lacks this run's keys; a failed copy still writes them.
void WriteServerSettings(ConfigurationRun& run) {
  if (!run.failure.empty() || !run.BothPrepared()) {
    return;
  }
  SettingsDocument settings = EffectiveSettingsOf(run.installSettings);
  if (run.request.copySharedFiles && !Attempt(&run.failedCall, [&run] {
        return CopySharedFiles(run.source, run.request.serverDirectory);
      })) {
    run.failure = "Could not copy shared data files to server location";
  }
  WriteServerKeys(settings, run.request);
  settings.Save();
}

std::string DirectoryFailure(const std::string& directory) {
  return "The network directory \"" + directory + "\" (or a sub-directory) could not be created.";
}

// Names the directory that could not be prepared (the server's first), when nothing else failed.
void ReportUnpreparedDirectory(ConfigurationRun& run) {
  if (!run.failure.empty()) {
    return;
  }
  if (!run.serverPrepared) {
    run.failure = DirectoryFailure(run.request.serverDirectory);
    run.failedCall = run.serverFailure;
  } else if (!run.redirectionPrepared) {
    run.failure = DirectoryFailure(run.request.newRedirection);
    run.failedCall = run.redirectionFailure;
  }
}

ConfigurationOutcome OutcomeOf(const ConfigurationRun& run) {
  RunSummary summary;
  summary.failureMessage = run.failure;
  summary.serverDirectory = run.request.serverDirectory;
  summary.currentRedirection = run.request.currentRedirection;
  summary.newRedirection = run.request.newRedirection;
  summary.userAdministratorRights = run.request.userAdministratorRights;
  summary.administratorOnlyRights = run.request.administratorOnlyRights;
  summary.copySharedFiles = run.request.copySharedFiles;
  summary.copiedToDirectory = run.copiedTo;
  ConfigurationOutcome outcome;
  (run.failure.empty() ? outcome.successText : outcome.failureText) = BuildReport(summary);
  if (!run.failure.empty()) {
    outcome.failedCall = run.failedCall;
  }
  return outcome;
}

}  // namespace

ConfigurationOutcome RunConfiguration(const Options& options) {
  const SettingsFilesOfRun settingsFiles;
  ConfigurationRequest request;
  request.installDirectory = options.installDirectory;
  request.serverDirectory = options.serverDirectory;
  // Read once, under the name as given (a failure to read names it so), and saved under the
  // normalised name, as every later step names the file.
  SettingsDocument installSettings =
      OpenSettingsDocument(SettingsFileOf(options.installDirectory))
          .Renamed(SettingsFileOf(Normalised(options.installDirectory)));
  request.currentRedirection = NormalisedRedirectionOf(installSettings);
  request.newRedirection = options.redirectionDirectory;
  request.copySharedFiles = options.copySharedFiles && !HasSharedFileSet(options.serverDirectory) &&
                            HasSharedFileSet(options.installDirectory);
  request.userAdministratorRights = options.userAdministratorRights;
  request.administratorOnlyRights = options.administratorOnlyRights;
  request.copyData = DecideCopyData(options, request.currentRedirection);
  const ConfigurationOutcome outcome = Configure(request, std::move(installSettings));
  ShowResult(outcome.failureText, outcome.successText);
  return outcome;
}

// The phases run in this order because each reads what the ones before wrote. Once a failure is
// found the later phases change nothing, apart from the server keys that follow a failed
// shared-file copy.
ConfigurationOutcome Configure(const ConfigurationRequest& request,
                               SettingsDocument installSettings) {
  ConfigurationRun run = Prepare(request, std::move(installSettings));
  run.failure = Check(run.request);
  MoveData(run);
  RecordRedirection(run);
  WriteServerSettings(run);
  ReportUnpreparedDirectory(run);
  return OutcomeOf(run);
}

}  // namespace orx
