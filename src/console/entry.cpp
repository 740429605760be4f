#include "console/entry.h"

#include <cstdio>
#include <cstdlib>
#include <new>

#include "base/raised_failure.h"
#include "console/command_line.h"
#include "console/options.h"
#include "engine/configuration.h"
#include "engine/console_output.h"
#include "platform/platform.h"
#include "version.h"

namespace orx {

namespace {

const char kProgramFileName[] = "orxconfigc.exe";

// Writes the default failure text; the process then ends with status 1.
void WriteFailure(const std::string& kind, std::uint32_t offset, const std::string& message) {
  ClearOutputError();
  try {
    LineWrite(FailureText(kind, ModuleFileName(), offset, message));
  } catch (...) {
    // Standard output cannot be written at all: there is no one left to tell.
  }
  FlushOutput();
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
  try {
    const std::string rule = RuleLine(ProgramTitle());
    LineWrite("");
    LineWrite(ProgramTitle());
    LineWrite(rule);
    const std::vector<std::string> arguments = SplitCommandLine(CommandLineText());
    if (arguments.empty() || AsksForHelp(arguments)) {
      ShowSyntax();
    } else {
      RunConfiguration(ParseOptions(arguments));
    }
  } catch (const RaisedFailure& failure) {
    WriteFailure(failure.kind(), CodeOffsetOf(failure.codeAddress()), failure.what());
    return 1;
  } catch (const std::bad_alloc&) {
    WriteFailure(kOutOfMemory, EntryOffset(), "Out of memory");
    return 1;
  }
  FlushOutput();
  return 0;
}

}  // namespace orx
