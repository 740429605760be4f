// The program's banner, syntax screen and output conventions, run as a user runs it.
#include <gtest/gtest.h>

#include "program_texts.h"
#include "run_program.h"
#include "sandbox_scenario.h"
#include "test_files.h"

namespace orx::testing {
namespace {

// The nine lines of the syntax screen.
const std::string kSyntax =
    "SYNTAX   orxconfigc.exe  [/v\"xxxx\"] /s\"xxxx\" [/r\"xxxx\"] [/c] [/a]\r\n"
    "[ ] : Shows an optional parameter (don't use square brackets in parameters)\r\n"
    "\r\n"
    "/v  : ORX install/data directory (default location will be used if not supplied)\r\n"
    "/s  : Network directory for ORX workgroup server\r\n"
    "/r  : Network directory for user files (INI file redirection)\r\n"
    "/d  : Copy shared data files (if available and no files on server)\r\n"
    "/a  : Assign user administrator rights\r\n"
    "/x : Assign administrator only rights\r\n";

// Runs in an empty sandbox with APPDATA pointing at an empty folder, so that a run that should not
// touch the disk would show up as new files.
using ConsoleScenario = SandboxScenario;

TEST_F(ConsoleScenario, ShowsTheSyntaxScreenAndChangesNothing) {
  MakeDirectories(temp_ / "appdata");
  const std::vector<std::vector<std::string>> cases = {{}, {"/?"}, {"/s\\\\srv\\x", "/?"}};
  for (const auto& arguments : cases) {
    SCOPED_TRACE(arguments.size());
    const ProgramResult result = RunProgram(arguments, Options());
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.output, kBanner + kSyntax);
    EXPECT_EQ(ReadTree(temp_.path()), (Tree{{"appdata\\", ""}}));
  }
}

TEST_F(ConsoleScenario, OutputToAFileHoldsTheSameBytes) {
  MakeDirectories(temp_ / "appdata");
  RunOptions options = Options();
  options.outputFile = temp_ / "out.txt";
  const ProgramResult result = RunProgram({}, options);
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.output, kBanner + kSyntax);
}

TEST_F(ConsoleScenario, RawCommandLinesWithoutArgumentsShowTheSyntaxScreen) {
  if (!CanPassRawCommandLine()) {
    GTEST_SKIP() << "this build passes arguments already split";
  }
  for (const char* raw : {"", "   \t ", " \"\" \"\"", "\"\"\"\""}) {
    SCOPED_TRACE(raw);
    RunOptions options = Options();
    options.rawArguments = raw;
    const ProgramResult result = RunProgram({}, options);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.output, kBanner + kSyntax);
  }
}

TEST_F(ConsoleScenario, AnUnknownSwitchStartsAConfigurationRun) {
  // The install directory defaults to a missing APPDATA location: nothing to find, nothing to
  // move; without a server the report says no rights were assigned.
  MakeDirectories(temp_ / "appdata\\Pemberlark\\Ormatide");
  const ProgramResult result = RunProgram({"/q"}, Options());
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.output, Report(kConfigured, {kNoRights}));
}

}  // namespace
}  // namespace orx::testing
