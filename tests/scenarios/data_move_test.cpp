// The data move on real Windows data: names the code page cannot spell, paths past 260 characters,
// a settings file that cannot be copied, a volume that fills. Either the whole tree arrives under
// its exact names with the success report, or the failure report comes with nothing lost and no
// partial file.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "program_texts.h"
#include "run_program.h"
#include "sandbox_scenario.h"
#include "test_files.h"

namespace orx::testing {
namespace {

const char kSettings[] = "[Setup]\r\nVersion=3\r\n";
// What the store writes back for kSettings.
const char kSettingsRewritten[] = "[Setup]\r\nVersion=3\r\n\r\n";

// An installation whose user files carry names in UTF-8: outside the Western code page, mapped
// "best fit" by the narrow calls, and one below a folder chain past 260 characters.
Tree ForeignInstallation() {
  const std::string deep = "Data\\Archiv\\" + std::string(60, 'a') + "\\" + std::string(60, 'b') +
                           "\\" + std::string(60, 'c') + "\\" + std::string(60, 'd') + "\\";
  return {
      {"orx.ini", kSettings},
      {"orx.inf", "Ormatide 3.0\r\n"},
      {"Data\\ClientProject.txt", "Acme;Project A\r\n"},
      {"Data\\CategoryActivity.txt", "Design;Drawing\r\n"},
      {"Data\\2024-01.txt", "2024-01-02;Acme;8\r\n"},
      {"Data\\Berichte\\\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82 \xE6\x8A\xA5\xE5\x91\x8A "
       "\xF0\x9F\x98\x80.txt",
       "report\r\n"},
      {"Data\\Dvo\xC5\x99\xC3\xA1k s.r.o\\smlouva.txt", "contract\r\n"},
      {"Data\\\xC5\x81\xC3\xB3\x64\xC5\xBA\\plan.txt", "plan\r\n"},
      {deep + "note.txt", "deep\r\n"},
  };
}

// The tree's files with other content, as an earlier copy of the same names would hold them.
Tree OlderCopy(const Tree& tree) {
  Tree older;
  for (const auto& [name, content] : tree) {
    if (name != "orx.inf" && name.back() != '\\') {
      older[name] = "older " + content;
    }
  }
  return older;
}

// The tree without its dated backup folders, and those folders' content by original name.
Tree SplitBackups(const Tree& tree, Tree* backedUp) {
  const std::regex dated(R"(ORX Backup \d{4}-\d\d-\d\d \[\d\d-\d\d-\d\d-\d{3}\]\\(.*))");
  Tree rest;
  for (const auto& [name, content] : tree) {
    std::smatch match;
    if (std::regex_match(name, match, dated)) {
      if (!match[1].str().empty()) {
        (*backedUp)[match[1].str()] = content;
      }
    } else {
      rest[name] = content;
    }
  }
  return rest;
}

using DataMoveScenario = SandboxScenario;

TEST_F(DataMoveScenario, EveryNameAndPathArrivesExactlyAlsoOverAnEarlierCopy) {
  const Tree installation = ForeignInstallation();
  struct Row {
    const char* what;
    Tree before;  // in the redirection
  };
  const Row rows[] = {{"empty redirection", {}}, {"same names there", OlderCopy(installation)}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ScopedTempDir sandbox;
    const std::string inst = sandbox / "inst\\";
    const std::string redir = sandbox / "redir\\";
    WriteUtf8Tree(inst, installation);
    MakeDirectories(redir);
    WriteUtf8Tree(redir, row.before);

    const ProgramResult result = RunProgram({"/v" + inst, "/r" + redir}, Options());

    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.output,
              Report(kConfigured, {kNoRights, RedirectionEstablished(redir), DataCopiedTo(redir)}));
    Tree backedUp;
    const Tree moved = SplitBackups(ReadUtf8Tree(redir), &backedUp);
    EXPECT_EQ(moved, WithDirectories(Replaced(installation, {{"orx.ini", kSettingsRewritten}})));
    EXPECT_EQ(backedUp, row.before.empty() ? Tree() : WithDirectories(row.before));
    EXPECT_EQ(
        ReadUtf8Tree(inst),
        WithDirectories(Replaced(
            installation, {{"orx.ini", "[Setup]\r\nVersion=3\r\nRedirect=" +
                                           redir.substr(0, redir.size() - 1) + "\r\n\r\n"}})));
  }
}

TEST_F(DataMoveScenario, ARedirectionInsideTheInstallationsDataGetsWhatDataHeldOnce) {
  WriteTree(Dir("inst"), kInstallation);
  const std::string redir = Dir("inst") + "data\\red\\";  // as the program shows it

  EXPECT_EQ(Run({"/v" + Dir("inst"), "/r" + redir}).output,
            Report(kConfigured, {kNoRights, RedirectionEstablished(redir), DataCopiedTo(redir)}));
  // Data held the redirection's own Data folder, empty, when the copy began.
  EXPECT_EQ(ReadTree(Dir("inst") + "Data\\red\\"),
            WithDirectories(Replaced(
                kInstallation, {{"orx.ini", kLocalSettingsRewritten}, {"Data\\red\\Data\\", ""}})));
}

TEST_F(DataMoveScenario, RerunOfAMoveStoppedByForceLeavesNoTemporaryFile) {
  // Enough files that the move is stopped half-way, and a user's file of the temporary form.
  Tree installation = {{"orx.ini", kSettings}, {"Data\\dg\\~ox0F0F", "the user's own\r\n"}};
  for (int file = 0; file < 1000; ++file) {
    installation["Data\\d" + std::string(1, 'a' + file / 50) + "\\f" + std::to_string(file)] = "f";
  }
  WriteTree(Dir("inst"), installation);
  const std::vector<std::string> line = {"/v" + Dir("inst"), "/r" + Dir("redir")};

  // Stopped once the second folder is begun, so that the first one's files have all arrived.
  const auto secondBegun = [this] { return DirectoryExists(Dir("redir") + "Data\\db"); };
  ASSERT_EQ(RunProgramUntil(line, secondBegun, Options()).exitStatus, kStoppedStatus)
      << "the move ended before it could be stopped";
  // What a copy stopped before its rename leaves, whether or not this stop left one.
  WriteTree(Dir("redir"), {{"~ox1A2B", "[Se"}, {"Data\\da\\~ox2B3C", "li"}});

  EXPECT_EQ(Run(line).output, Report(kConfigured, {kNoRights, RedirectionEstablished(Dir("redir")),
                                                   DataCopiedTo(Dir("redir"))}));
  Tree backedUp;
  EXPECT_EQ(SplitBackups(ReadTree(Dir("redir")), &backedUp),
            WithDirectories(Replaced(installation, {{"orx.ini", kSettingsRewritten}})));
}

TEST_F(DataMoveScenario, SettingsFileThatCannotBeCopiedFailsTheMove) {
  if (!ReadOnlyFilesAreRefused()) {
    GTEST_SKIP() << "Wine run as root replaces a read-only file where Windows refuses";
  }
  const Tree installation = {{"orx.ini", kSettings},
                             {"orx.inf", "Ormatide 3.0\r\n"},
                             {"Data\\2024-01.txt", "2024-01-02;Acme;8\r\n"}};
  WriteTree(Dir("inst"), installation);
  const Tree there = {{"orx.ini", "[Setup]\r\nUser=jo\r\n"}};
  WriteTree(Dir("redir"), there);
  SetReadOnly(Dir("redir") + "orx.ini", true);

  const ProgramResult result = Run({"/v" + Dir("inst"), "/r" + Dir("redir")});
  SetReadOnly(Dir("redir") + "orx.ini", false);

  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.output, FailureReport(DataCopyFailed(Dir("inst"), Dir("redir"))));
  EXPECT_EQ(ReadTree(Dir("inst")), WithDirectories(installation));
  Tree backedUp;
  EXPECT_EQ(SplitBackups(ReadTree(Dir("redir")), &backedUp),
            WithDirectories(Replaced(there, {{"Data\\2024-01.txt", "2024-01-02;Acme;8\r\n"}})));
  EXPECT_EQ(backedUp, Replaced(there, {{"Data\\", ""}}));
}

TEST_F(DataMoveScenario, FullVolumeLeavesNoPartialFileAndReportsTheFailure) {
  const std::string volume = FolderOnSmallVolume("full-move");
  if (volume.empty()) {
    GTEST_SKIP() << "no small volume (ORX_SMALL_VOLUME) was mounted for this run";
  }
  const std::string redir = volume + "redir\\";
  MakeDirectories(redir);
  const std::uintmax_t room = std::filesystem::space(NativePath(volume)).available;
  struct Row {
    const char* what;
    std::size_t dataSize;      // of the one month file
    std::size_t settingsSize;  // of orx.ini
  };
  // The volume keeps about 64 KiB free: a month file larger than that, or a settings file that
  // no longer fits after the data.
  const Row rows[] = {{"data", 100000, 100}, {"settings", 4000, 100000}};
  WriteFile(volume + "filler.bin", std::string(static_cast<std::size_t>(room) - 65536, 'f'));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const Tree installation = {{"orx.ini", "[Setup]\r\nVersion=3\r\n[Notes]\r\n" +
                                               std::string(row.settingsSize, 'n') + "=1\r\n"},
                               {"orx.inf", "Ormatide 3.0\r\n"},
                               {"Data\\2024-01.txt", std::string(row.dataSize, 'm') + "\r\n"}};
    WriteTree(Dir("inst"), installation);

    const ProgramResult result = Run({"/v" + Dir("inst"), "/r" + redir});

    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.output, FailureReport(DataCopyFailed(Dir("inst"), redir)));
    EXPECT_EQ(ReadTree(Dir("inst")), WithDirectories(installation));
    // Whatever arrived is whole: no settings file, no cut month file, no temporary file.
    for (const auto& [name, content] : ReadTree(redir)) {
      SCOPED_TRACE(name);
      EXPECT_TRUE(name.back() == '\\' || installation.at(name) == content);
      EXPECT_NE(name, "orx.ini");
    }
    std::filesystem::remove_all(NativePath(redir));
    MakeDirectories(redir);
  }
  std::filesystem::remove_all(NativePath(volume));
}

}  // namespace
}  // namespace orx::testing
