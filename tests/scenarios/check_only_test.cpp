// The check that changes nothing (/n) over the lines administrators run: the disk stays as it was,
// byte for byte and time for time, the report is the one the line prints when run next, and the
// exit status tells the answer.
#include <gtest/gtest.h>

#include <filesystem>

#include "program_texts.h"
#include "run_program.h"
#include "sandbox_scenario.h"
#include "test_files.h"

namespace orx::testing {
namespace {

const std::string kCheckOnly =
    "Check only: nothing has been changed. A run of this line would report:\r\n";

// Every name under root with its time of last change.
std::map<std::string, std::filesystem::file_time_type> Times(const std::string& root) {
  std::map<std::string, std::filesystem::file_time_type> times;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(NativePath(root))) {
    times[entry.path().string()] = entry.last_write_time();
  }
  return times;
}

class CheckOnlyScenario : public SandboxScenario {};

TEST_F(CheckOnlyScenario, ChangesNothingAndForetellsTheRunsReport) {
  const std::string inst = "/v" + Dir("inst");
  const std::string server = "/s" + Dir("server");
  const std::vector<std::string> firstSetup = {inst, server, "/r" + Dir("redir"), "/d", "/a"};
  const std::vector<std::string> daily = {inst, server, "/r" + Dir("redir"), "/a"};
  const struct {
    const char* line;
    bool setUp;  // whether the first setup has been run for real first
    std::vector<std::string> arguments;
    int status;
  } rows[] = {
      {"first setup", false, firstSetup, 3},
      {"daily line before the first setup", false, daily, 3},
      {"daily line in force", true, daily, 0},
      {"move between redirections", true, {inst, server, "/r" + Dir("other"), "/a"}, 3},
      {"return to the workstation", true, {inst, server, "/a"}, 3},
      {"failing line", false, {inst, "/s" + Dir("inst") + "orx.inf\\server"}, 2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    std::filesystem::remove_all(NativePath(temp_.path()));
    WriteTree(Dir("inst"), kInstallation);
    // The other redirection holds data of its own, which a move backs up first.
    WriteTree(temp_.path(),
              {{"server\\", ""}, {"other\\Data\\2023-12.txt", "2023-12-01;Acme;5\r\n"}});
    ASSERT_TRUE(!row.setUp || Run(firstSetup).exitStatus == 0);
    const Tree tree = ReadTree(temp_.path());
    const auto times = Times(temp_.path());
    std::vector<std::string> check = row.arguments;
    check.insert(check.begin() + 1, "/n");

    const ProgramResult checked = Run(check);

    EXPECT_EQ(ReadTree(temp_.path()), tree);
    EXPECT_EQ(Times(temp_.path()), times);
    EXPECT_EQ(checked.exitStatus, row.status);
    const ProgramResult run = Run(row.arguments);
    ASSERT_GE(run.output.size(), kBanner.size());
    EXPECT_EQ(checked.output, kBanner + kCheckOnly + run.output.substr(kBanner.size()));
  }
  // With /? the syntax screen is all there is.
  EXPECT_EQ(Run({"/n", "/?"}).output, Run({"/?"}).output);
}

}  // namespace
}  // namespace orx::testing
