// One workgroup server under many workstations: what the server already holds stays, shared files
// appear whole, a server folder that several make at once is made, and their records in one log
// stay whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "program_texts.h"
#include "run_program.h"
#include "sandbox_scenario.h"
#include "test_files.h"

namespace orx::testing {
namespace {

const char kSettings[] = "[Setup]\r\nVersion=3\r\n";

class WorkgroupScenario : public SandboxScenario {};

int CountFromEnvironment(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}

// An installation whose shared lists are its own: about size bytes, different for each number.
Tree Installation(int number, std::size_t size) {
  std::string clients;
  for (int line = 0; clients.size() < size; ++line) {
    clients += "Client " + std::to_string(number) + "-" + std::to_string(line) + ";Project\r\n";
  }
  return {{"orx.ini", kSettings},
          {"orx.inf", "Ormatide 3.0\r\n"},
          {"Data\\ClientProject.txt", clients},
          {"Data\\CategoryActivity.txt", "Design " + std::to_string(number) + "\r\n"}};
}

// The records of a log, each with its closing empty line.
std::vector<std::string> RecordsOf(const std::string& log) {
  std::vector<std::string> records;
  for (std::size_t start = 0, end = 0; start < log.size(); start = end) {
    end = std::min(log.find("\r\n\r\nRun: ", start), log.size() - 4) + 4;
    records.push_back(log.substr(start, end - start));
  }
  return records;
}

TEST_F(WorkgroupScenario, SharedFilesTheServerHoldsAreKeptAndOnlyTheMissingOneIsCopied) {
  WriteTree(Dir("inst"), Installation(1, 100));
  const Tree server = {{"Data\\ClientProject.txt", "Workgroup;Clients\r\n"},
                       {"Data\\CategoryActivity.txt", "Workgroup;Categories\r\n"}};
  WriteTree(Dir("server"), server);
  // Read-only or not, the workgroup's file is not the workstation's to replace.
  SetReadOnly(Dir("server") + "Data\\ClientProject.txt", true);

  const ProgramResult result = Run({"/v" + Dir("inst"), "/s" + Dir("server"), "/d", "/a"});
  SetReadOnly(Dir("server") + "Data\\ClientProject.txt", false);

  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.output,
            Report(kConfigured, {ServerConfiguredAt(Dir("server")), kSharedCopied, kUserRights}));
  EXPECT_EQ(ReadTree(Dir("server")), WithDirectories(Replaced(server, {{"orx.ini", kSettings}})));
}

TEST_F(WorkgroupScenario, AFullServerVolumeLeavesTheSharedFilesThereAsTheyWere) {
  const std::string server = FolderOnSmallVolume("full-server");
  if (server.empty()) {
    GTEST_SKIP() << "no small volume (ORX_SMALL_VOLUME) was mounted for this run";
  }
  const Tree shared = {{"Data\\ClientProject.txt", std::string(20000, 'c') + "\r\n"},
                       {"Data\\CategoryActivity.txt", "Workgroup;Categories\r\n"}};
  WriteTree(server, shared);
  // No room left for the server's missing settings file.
  const std::uintmax_t room = std::filesystem::space(NativePath(server)).available;
  WriteFile(server + "filler.bin", std::string(static_cast<std::size_t>(room), 'f'));
  WriteTree(Dir("inst"),
            Replaced(Installation(1, 100), {{"orx.ini", std::string(kSettings) + ";" +
                                                            std::string(100000, 'n') + "\r\n"}}));

  const ProgramResult result = Run({"/v" + Dir("inst"), "/s" + server, "/d"});

  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.output, FailureReport("Could not copy shared data files to server location"));
  Tree onServer = ReadTree(server);
  onServer.erase("filler.bin");
  EXPECT_EQ(onServer, WithDirectories(shared));
  std::filesystem::remove_all(NativePath(server));
}

TEST_F(WorkgroupScenario, ManyWorkstationsSettingUpOneServerAtOnceLeaveWholeFiles) {
  // ORX_WORKGROUP_ROUNDS and ORX_WORKGROUP_STATIONS make a longer soak of the same test.
  const int kWorkstations = CountFromEnvironment("ORX_WORKGROUP_STATIONS", 20);
  const int kRounds = CountFromEnvironment("ORX_WORKGROUP_ROUNDS", 3);
  std::vector<Tree> installations;
  std::set<std::string> clientLists;
  std::set<std::string> categoryLists;
  for (int i = 0; i < kWorkstations; ++i) {
    installations.push_back(Installation(i, 150000 + 4000 * static_cast<std::size_t>(i)));
    clientLists.insert(installations.back()["Data\\ClientProject.txt"]);
    categoryLists.insert(installations.back()["Data\\CategoryActivity.txt"]);
  }
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const std::string server = Dir("server" + std::to_string(round));
    // The server folder exists; its Data folder is made by whichever run comes first.
    MakeDirectories(server);
    // Every workstation appends its record to one log, named in it by its computer name.
    const std::string log = Dir("logs") + "round" + std::to_string(round) + ".log";
    MakeDirectories(Dir("logs"));
    std::vector<std::vector<std::string>> runs;
    std::vector<RunOptions> options;
    for (int i = 0; i < kWorkstations; ++i) {
      const std::string name = "r" + std::to_string(round) + "-ws" + std::to_string(i);
      const std::string inst = Dir(name);
      WriteTree(inst, installations[static_cast<std::size_t>(i)]);
      runs.push_back({"/v" + inst, "/s" + server, "/d", "/a", "/l" + log, "/e"});
      options.push_back(Options());
      options.back().environment = {{"COMPUTERNAME", name}};
    }

    const std::vector<ProgramResult> results = RunProgramsAtOnce(runs, options);
    const std::vector<std::string> records = RecordsOf(ReadFile(log));
    EXPECT_EQ(records.size(), static_cast<std::size_t>(kWorkstations));

    for (int i = 0; i < kWorkstations; ++i) {
      SCOPED_TRACE("workstation " + std::to_string(i));
      const ProgramResult& result = results[static_cast<std::size_t>(i)];
      EXPECT_EQ(result.exitStatus, 0);
      // Whether this run found the shared files already there depends on who came first.
      const std::string withCopy =
          Report(kConfigured, {ServerConfiguredAt(server), kSharedCopied, kUserRights});
      const std::string withoutCopy =
          Report(kConfigured, {ServerConfiguredAt(server), kUserRights});
      EXPECT_TRUE(result.output == withCopy || result.output == withoutCopy) << result.output;
      const std::string settings =
          ReadFile(runs[static_cast<std::size_t>(i)][0].substr(2) + "orx.ini");
      EXPECT_EQ(settings, std::string(kSettings) + "\r\n[Server]\r\nServerPath=" +
                              server.substr(0, server.size() - 1) + "\r\nServerAdmin=2\r\n\r\n");
      const std::regex own(RecordPattern(options[static_cast<std::size_t>(i)].environment[0].second,
                                         runs[static_cast<std::size_t>(i)], result.output, "", 0,
                                         0));
      const auto isOwn = [&own](const std::string& record) {
        return std::regex_match(record, own);
      };
      EXPECT_EQ(std::count_if(records.begin(), records.end(), isOwn), 1) << "its record, whole";
    }
    const Tree onServer = ReadTree(server);
    EXPECT_EQ(onServer.size(), 4u) << "only Data and the three shared files, no temporary file";
    EXPECT_EQ(clientLists.count(onServer.at("Data\\ClientProject.txt")), 1u)
        << "the server's client list is no one workstation's whole file";
    EXPECT_EQ(categoryLists.count(onServer.at("Data\\CategoryActivity.txt")), 1u);
    EXPECT_EQ(onServer.at("orx.ini"), kSettings);
  }
}

}  // namespace
}  // namespace orx::testing
