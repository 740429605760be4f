#include "console/entry.h"

#include <cstdio>
#include <cstdlib>
#include <new>

#include "base/characters.h"
#include "base/raised_failure.h"
#include "console/command_line.h"
#include "console/options.h"
#include "console/run_record.h"
#include "engine/configuration.h"
#include "engine/console_output.h"
#include "platform/platform.h"
#include "version.h"

namespace orx {

namespace {

const char kProgramFileName[] = "orxconfigc.exe";

// Exit statuses with /e: the failure report was printed. (Without it, that run ends with 0.)
constexpr int kFailureReported = 2;
// The status of a run stopped by a raised failure, with or without /e.
constexpr int kFailureRaised = 1;
// The status of a check (/n) whose run would change the disk and print the success report.
constexpr int kChangesWanted = 3;

// What a check (/n) prints after the banner, before the report the run would print.
const char kCheckOnlyLine[] =
    "Check only: nothing has been changed. A run of this line would report:";

// Writes the default failure text and returns it; the process then ends with status 1.
std::string WriteFailure(const std::string& kind, std::uint32_t offset,
                         const std::string& message) {
  ClearOutputError();
  std::string text;
  try {
    text = FailureText(kind, ModuleFileName(), offset, message);
    LineWrite(text);
  } catch (...) {
    // Standard output cannot be written at all: there is no one left to tell.
  }
  FlushOutput();
  return text;
}

// The failed system call a raised failure comes from: the last one recorded, when the failure's
// message names its path or its folder (a settings file written through a name beside it). A look
// that finds its name missing records nothing, and the removal of what was not there is never the
// cause. A failure whose message names no path (a short write, a refused name) is tied to no call,
// since the last one recorded may be an earlier step's.
SystemFailure FailedCallBehind(const std::string& message) {
  const SystemFailure call = LastSystemFailure();
  if ((call.code == 0 && call.refusal.empty()) || call.path.empty() ||
      (call.call == CallKind::kRenameOrRemove && call.meaning == ErrorClass::kNotThere)) {
    return SystemFailure();
  }
  if (message.find(call.path) != std::string::npos) {
    return call;
  }
  const std::string::size_type slash = FindLastCharacterOf(call.path, "\\");
  const bool namesFolder = slash != std::string::npos &&
                           message.find(call.path.substr(0, slash + 1)) != std::string::npos;
  return namesFolder ? call : SystemFailure();
}

// Fills in what a record tells of the run before it starts. Never raises: a record that cannot
// be made must not change the run.
void StartRecord(RunRecord* record) {
  try {
    record->time = ZonedNow();
    record->computer = RecordedComputerName();
    record->user = UserName();
    record->program = std::string(kProgramFileName) + " " + ORX_RELEASE_TEXT;
    record->commandLine = CommandLineText();
  } catch (const std::bad_alloc&) {
    // The record goes without them.
  }
}

// A platform fault leaves no way back to the entry: the process ends here.
void ReportFault(const char* kind, const char* message, std::uint32_t codeOffset) {
  WriteFailure(kind, codeOffset, message);
  std::_Exit(1);
}

std::uint32_t EntryOffset() {
  return CodeOffsetOf(reinterpret_cast<const void*>(&RunProgram));
}

// As many "-" as the title has characters.
std::string RuleLine(const std::string& title) {
  return std::string(title.size(), '-');
}

// The nine-line syntax screen as one text (no final line end).
std::string SyntaxText() {
  const char* const pieces[] = {
      "SYNTAX   ",
      kProgramFileName,
      "  [/v\"xxxx\"] /s\"xxxx\" [/r\"xxxx\"] [/c] [/a]",
      "\r\n",
      "[ ] : Shows an optional parameter (don't use square brackets in parameters)",
      "\r\n",
      "\r\n",
      "/v  : ORX install/data directory (default location will be used if not supplied)",
      "\r\n",
      "/s  : Network directory for ORX workgroup server",
      "\r\n",
      "/r  : Network directory for user files (INI file redirection)",
      "\r\n",
      "/d  : Copy shared data files (if available and no files on server)",
      "\r\n",
      "/a  : Assign user administrator rights",
      "\r\n",
      "/x : Assign administrator only rights",
  };
  std::string text;
  for (const char* piece : pieces) {
    text += piece;
  }
  return text;
}

}  // namespace

std::string ProgramTitle() {
  return std::string("Ormatide - Workgroup Configuration Version ") + ORX_VERSION_TEXT +
         " (Console)";
}

void ShowSyntax() {
  LineWrite(SyntaxText());
}

std::string FailureText(const std::string& kind, const std::string& module, std::uint32_t offset,
                        const std::string& message) {
  char location[9];
  std::snprintf(location, sizeof(location), "%08X", static_cast<unsigned>(offset));
  std::string text =
      "Exception " + kind + " in module " + module + " at " + location + ".\n" + message;
  if (!message.empty() && message.back() != '.') {
    text += '.';
  }
  return text;
}

int RunProgram(int argc, char** argv) {
  RememberProcessArguments(argc, argv);
  UseLeadBytes(LeadByteRanges());
  InstallFaultHandler(ReportFault);
  RunAccount account;
  RunRecord record;
  try {
    const std::string rule = RuleLine(ProgramTitle());
    LineWrite("");
    LineWrite(ProgramTitle());
    LineWrite(rule);
    const std::vector<std::string> arguments = SplitCommandLine(CommandLineText());
    if (arguments.empty() || AsksForHelp(arguments)) {
      ShowSyntax();
    } else {
      // A check runs the very same line, with every change held back at the platform's edge.
      record.checkOnly = AsksForCheckOnly(arguments);
      if (record.checkOnly) {
        CheckOnlyFromNow();
        LineWrite(kCheckOnlyLine);
      }
      account = ParseAccount(arguments);
      if (!account.logFile.empty()) {
        StartRecord(&record);
      }
      // What failed before the run began is not the run's.
      ForgetSystemFailure();
      const ConfigurationOutcome outcome = RunConfiguration(ParseOptions(arguments));
      const bool failed = !outcome.failureText.empty();
      record.printed = failed ? outcome.failureText : outcome.successText;
      record.failedCall = outcome.failedCall;
      if (failed) {
        // A check tells the outcome without /e.
        record.exitStatus =
            account.exitStatusTellsOutcome || record.checkOnly ? kFailureReported : 0;
      } else {
        record.exitStatus = record.checkOnly && CheckedChangesAlterDisk() ? kChangesWanted : 0;
      }
    }
    FlushOutput();
  } catch (const RaisedFailure& failure) {
    record.printed =
        WriteFailure(failure.kind(), CodeOffsetOf(failure.codeAddress()), failure.what());
    record.failedCall = FailedCallBehind(failure.what());
    record.exitStatus = kFailureRaised;
  } catch (const std::bad_alloc&) {
    record.printed = WriteFailure(kOutOfMemory, EntryOffset(), "Out of memory");
    record.exitStatus = kFailureRaised;
  }
  if (!account.logFile.empty()) {
    AppendRunRecord(account.logFile, record);
  }
  return record.exitStatus;
}

}  // namespace orx
