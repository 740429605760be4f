// Runs the built program as a user would and captures its standard output byte for byte.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orx::testing {

struct RunOptions {
  // Current directory of the program; empty keeps the test's own.
  std::string workingDirectory;
  // APPDATA for the program; nullopt removes it from the environment.
  std::optional<std::string> appData;
  // Further environment variables for the program (name, value), COMPUTERNAME say.
  std::vector<std::pair<std::string, std::string>> environment;
  // Windows only: the raw command line after the program's name, passed unchanged.
  std::optional<std::string> rawArguments;
  // Windows: the arguments are UTF-8 and reach the program as the characters they spell, as Wine
  // converts a Unix argv; otherwise they are in the code page. The host build passes the bytes.
  bool utf8Arguments = false;
  // When set, standard output goes to this file (created anew) instead of a pipe; the result's
  // output is the file's content afterwards.
  std::string outputFile;
};

struct ProgramResult {
  std::string output;
  int exitStatus = -1;
};

// The program under test, in the program's form: the built one, or the copy ORX_PROGRAM names.
std::string ProgramPath();
// Runs the program with the arguments, each one argument as the shell would pass it.
ProgramResult RunProgram(const std::vector<std::string>& arguments, const RunOptions& options = {});
// Runs the program and stops it by force, as a log-off would, once stop answers
// true (asked every millisecond while it runs); a stopped run's exit status is kStoppedStatus.
inline constexpr int kStoppedStatus = 137;
ProgramResult RunProgramUntil(const std::vector<std::string>& arguments,
                              const std::function<bool()>& stop, const RunOptions& options = {});
// Starts one run of the program for each argument list (with the options of the same place), all
// held until every one has started, and then lets them run at once; the results in their order.
std::vector<ProgramResult> RunProgramsAtOnce(const std::vector<std::vector<std::string>>& runs,
                                             const std::vector<RunOptions>& options);
// True on the builds that can pass a raw command line.
bool CanPassRawCommandLine();

}  // namespace orx::testing
