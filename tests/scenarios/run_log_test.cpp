// The record /l appends to a log and the exit status /e gives, over whole runs.
#include <gtest/gtest.h>

#include <cerrno>
#include <regex>

#include "sandbox_scenario.h"

namespace orx::testing {
namespace {

class RunLogScenario : public SandboxScenario {};

TEST_F(RunLogScenario, RecordsAppendToOneLogAndTheExitStatusTellsTheOutcome) {
  WriteTree(Dir("inst"), kInstallation);
  MakeDirectories(Dir("broken") + "orx.ini");  // a settings file that cannot be written
  MakeDirectories(Dir("logs"));
  const std::string log = Dir("logs") + "Workstations.log";
  // A server folder under a file cannot be made: the marker stands in its way.
  const std::string blocked = Dir("inst") + "orx.inf";
#ifdef _WIN32
  const unsigned blockedError = 183;  // ERROR_ALREADY_EXISTS
#else
  const unsigned blockedError = EEXIST;
#endif
  const std::string inst = "/v" + Dir("inst");
  const std::string toLog = "/l" + log;
  const std::string toBlocked = "/s" + blocked + "\\srv";
  const std::string configured =
      Report(kConfigured, {ServerConfiguredAt(Dir("server")), kNoRights});
  const std::string cannotCreate =
      FailureReport("The network directory \"" + blocked +
                    "\\srv\\\" (or a sub-directory) could not be created.");
  const struct {
    std::vector<std::string> arguments;
    std::string output;  // empty: a raised failure's text, which other scenarios check
    int exitStatus;
    unsigned failedCall;  // the error of the failed call on blocked the record names; 0: none
  } rows[] = {
      {{inst, "/s" + Dir("server"), toLog, "/e"}, configured, 0, 0},
      {{inst, toBlocked, toLog, "/e"}, cannotCreate, 2, blockedError},
      {{"/v" + Dir("broken"), toLog, "/e"}, "", 1, 0},
      // Without /e as before; a log that cannot be written changes nothing.
      {{inst, toBlocked, "/l" + Dir("nowhere") + "ws.log"}, cannotCreate, 0, 0},
  };
  RunOptions options = Options();
  options.environment = {{"COMPUTERNAME", "WS-LOG"}};
  std::string records;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.arguments.back());
    const ProgramResult result = RunProgram(row.arguments, options);
    EXPECT_EQ(result.exitStatus, row.exitStatus);
    EXPECT_TRUE(row.output.empty() || result.output == row.output) << result.output;
    if (row.arguments.back() == "/e") {
      records += RecordPattern("WS-LOG", row.arguments, result.output, blocked, row.failedCall,
                               row.exitStatus);
    }
  }
  const std::string written = ReadFile(log);
  EXPECT_TRUE(std::regex_match(written, std::regex(records))) << written;
  EXPECT_FALSE(DirectoryExists(Dir("nowhere")));
}

}  // namespace
}  // namespace orx::testing
