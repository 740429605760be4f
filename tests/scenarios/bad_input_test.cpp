// Whole configuration runs over bad input on disk: huge, odd or misplaced files, long and unusual
// paths, files that cannot be replaced. Each has one clear outcome and loses nothing.
#include <gtest/gtest.h>

#include <regex>

#include "program_texts.h"
#include "run_program.h"
#include "sandbox_scenario.h"
#include "test_files.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace orx::testing {
namespace {

// The tree without its dated backup folders.
Tree WithoutBackups(const Tree& tree) {
  Tree rest;
  const std::regex dated(R"(ORX Backup [^\\]*\\.*)");
  for (const auto& entry : tree) {
    if (!std::regex_match(entry.first, dated)) {
      rest.insert(entry);
    }
  }
  return rest;
}

using BadInputScenario = SandboxScenario;

TEST_F(BadInputScenario, TenMegabyteSettingsFileIsRewrittenWhole) {
  std::string keys;
  for (int i = 0; keys.size() < 10 * 1024 * 1024; ++i) {
    keys += "Key" + std::to_string(i) + "=" + std::string(100, static_cast<char>('a' + i % 26)) +
            "\r\n";
  }
  WriteTree(Dir("inst"), Replaced(kInstallation, {{"orx.ini", "[Big]\r\n" + keys}}));

  const ProgramResult result = Run({"/v" + Dir("inst")});

  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.output, Report(kConfigured, {kNoRights}));
  EXPECT_EQ(ReadFile(Dir("inst") + "orx.ini"), "[Big]\r\n" + keys + "\r\n");
}

TEST_F(BadInputScenario, SettingsFileWithAZeroByteKeepsWhatComesBeforeIt) {
  WriteTree(Dir("inst"),
            Replaced(kInstallation,
                     {{"orx.ini", std::string("[Setup]\r\nVersion=3\0x\r\nUser=jo\r\n", 29)}}));

  const ProgramResult result = Run({"/v" + Dir("inst")});

  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.output, Report(kConfigured, {kNoRights}));
  // The text ends at the zero byte: the rest of that line and what follows are not settings.
  EXPECT_EQ(ReadFile(Dir("inst") + "orx.ini"), "[Setup]\r\nVersion=3\r\n\r\n");
}

TEST_F(BadInputScenario, SettingsFileThatIsADirectoryCannotBeCreated) {
  Tree installation = kInstallation;
  installation.erase("orx.ini");
  installation["orx.ini\\"] = "";
  WriteTree(Dir("inst"), installation);

  const ProgramResult result = Run({"/v" + Dir("inst")});

  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_TRUE(std::regex_match(
      result.output,
      FailureTextPattern("EFCreateError", "Cannot create file " + Dir("inst") + "orx.ini")))
      << result.output;
  EXPECT_EQ(ReadTree(Dir("inst")), WithDirectories(installation));
}

TEST_F(BadInputScenario, SettingsFileHeldOpenWithoutSharingCannotBeOpened) {
#ifndef _WIN32
  GTEST_SKIP() << "the POSIX port has no share modes";
#else
  WriteTree(Dir("inst"), kInstallation);
  MakeDirectories(Dir("server"));
  // This test process is the other process: it holds the file open, sharing nothing.
  const std::string settings = Dir("inst") + "orx.ini";
  const HANDLE held = CreateFileA(settings.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE) << GetLastError();

  const ProgramResult result = Run({"/v" + Dir("inst"), "/s" + Dir("server"), "/r" + Dir("redir")});
  CloseHandle(held);

  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_TRUE(std::regex_match(result.output,
                               FailureTextPattern("EFOpenError", "Cannot open file " + settings)))
      << result.output;
  EXPECT_EQ(ReadTree(Dir("inst")), WithDirectories(kInstallation));
  EXPECT_EQ(ReadTree(Dir("server")), Tree{});
  EXPECT_FALSE(DirectoryExists(Dir("redir")));
#endif
}

TEST_F(BadInputScenario, MonthFileThatIsADirectoryFailsTheCopyAndKeepsTheTarget) {
  WriteTree(Dir("inst"), Replaced(kInstallation, {{"Data\\2024-03.txt\\", ""}}));
  const Tree there = {{"Data\\2024-01.txt\\", ""}};
  WriteTree(Dir("redir"), there);

  const ProgramResult result = Run({"/v" + Dir("inst"), "/r" + Dir("redir")});

  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.output, FailureReport(DataCopyFailed(Dir("inst"), Dir("redir"))));
  EXPECT_EQ(ReadTree(Dir("inst")),
            WithDirectories(Replaced(kInstallation, {{"Data\\2024-03.txt\\", ""}})));
  // The source's folder of that name is copied as a folder; the target's own one stays.
  EXPECT_EQ(WithoutBackups(ReadTree(Dir("redir"))),
            WithDirectories(Replaced(there, {{"Data\\2024-03.txt\\", ""}})));
  EXPECT_EQ(ReadFile(Dir("inst") + "orx.ini"), kInstallation.at("orx.ini"));
}

TEST_F(BadInputScenario, MonthDataWithMegabyteLinesIsCopiedAndCompared) {
  const std::string longLine = "2024-01-02;" + std::string(1024 * 1024, 'x') + "\r\n";
  const std::string month = longLine + "2024-01-03;Acme;6\r\n" + longLine.substr(0, 500000);
  WriteTree(Dir("inst"), Replaced(kInstallation, {{"Data\\2024-01.txt", month}}));
  // The same lines in another order: nothing to copy there.
  WriteTree(Dir("same"), {{"orx.inf", "Ormatide 3.0\r\n"},
                          {"Data\\2024-01.txt", longLine.substr(0, 500000) + "\r\n" +
                                                    "2024-01-03;Acme;6\r\n" + longLine},
                          {"Data\\2024-02.txt", kInstallation.at("Data\\2024-02.txt")}});

  const ProgramResult moved = Run({"/v" + Dir("inst"), "/r" + Dir("redir")});
  EXPECT_EQ(moved.exitStatus, 0);
  EXPECT_EQ(moved.output, Report(kConfigured, {kNoRights, RedirectionEstablished(Dir("redir")),
                                               DataCopiedTo(Dir("redir"))}));
  EXPECT_EQ(ReadFile(Dir("redir") + "Data\\2024-01.txt"), month);

  // Back to a place whose month file holds the same lines in another order: the comparison
  // finds nothing new and the data stays where it is.
  const ProgramResult compared = Run({"/v" + Dir("inst"), "/r" + Dir("same")});
  EXPECT_EQ(compared.exitStatus, 0);
  EXPECT_EQ(compared.output, Report(kConfigured, {kNoRights, RedirectionRemoved(Dir("redir")),
                                                  RedirectionEstablished(Dir("same"))}));
  EXPECT_EQ(ReadFile(Dir("same") + "Data\\2024-01.txt"),
            longLine.substr(0, 500000) + "\r\n" + "2024-01-03;Acme;6\r\n" + longLine);
  EXPECT_EQ(ReadFile(Dir("redir") + "Data\\2024-01.txt"), month);
}

TEST_F(BadInputScenario, SettingsFilesAtAndBeyondTheNarrowPathLimitAreSaved) {
  for (const std::size_t length : {240, 259, 260, 300}) {
    SCOPED_TRACE(length);
    std::string dir = temp_.path() + "n" + std::to_string(length) + "\\";
    const std::size_t wanted = length - std::string("\\orx.ini").size();
    while (dir.size() + 51 < wanted) {
      dir += std::string(50, 'd') + "\\";
    }
    dir += std::string(wanted - dir.size(), 'e') + "\\";
    ASSERT_EQ((dir + "orx.ini").size(), length);
    WriteTree(dir, kInstallation);

    const ProgramResult result = Run({"/v" + dir});

    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.output, Report(kConfigured, {kNoRights}));
    EXPECT_EQ(ReadTree(dir),
              WithDirectories(Replaced(kInstallation, {{"orx.ini", kLocalSettingsRewritten}})));
  }
}

TEST_F(BadInputScenario, DirectoryNamesWithBlanksAndWesternLetters) {
  const std::string inst = Dir(" inst  with blanks");
  const std::string redir =
      Dir("my r\xE9"
          "direction");
  const std::string server = Dir("serveur \xE0 l'\xE9t\xE9");
  WriteTree(inst, kInstallation);
  MakeDirectories(server);

  const ProgramResult result = Run({"/v" + inst, "/r" + redir, "/s" + server, "/d", "/a"});

  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.output,
            Report(kConfigured, {ServerConfiguredAt(server), kSharedCopied, kUserRights,
                                 RedirectionEstablished(redir), DataCopiedTo(redir)}));
  EXPECT_EQ(ReadFile(redir + "Data\\2024-01.txt"), kInstallation.at("Data\\2024-01.txt"));
  EXPECT_EQ(ReadFile(redir + "orx.inf"), kInstallation.at("orx.inf"));
  EXPECT_EQ(ReadFile(server + "Data\\ClientProject.txt"),
            kInstallation.at("Data\\ClientProject.txt"));
  EXPECT_EQ(ReadFile(server + "Data\\CategoryActivity.txt"),
            kInstallation.at("Data\\CategoryActivity.txt"));
  const std::string installSettings =
      "[Setup]\r\nVersion=3\r\nRedirect=" + redir.substr(0, redir.size() - 1) +
      "\r\n\r\n[Display]\r\nTheme=Blue\r\n\r\n";
  EXPECT_EQ(ReadFile(inst + "orx.ini"), installSettings);
  // The shared copy of the settings file is the install directory's, as the move left it.
  EXPECT_EQ(ReadFile(server + "orx.ini"), installSettings);
  EXPECT_EQ(ReadFile(redir + "orx.ini"), kLocalSettingsRewritten + "[Server]\r\nServerPath=" +
                                             server.substr(0, server.size() - 1) +
                                             "\r\nServerAdmin=2\r\n\r\n");
}

// Read in code page 1252, "Dvořák" comes as "dvorák": another user's folder, to be overwritten.
TEST_F(BadInputScenario, DirectoryNameTheCodePageCannotSpellIsRefusedBeforeAnyChange) {
#ifndef _WIN32
  GTEST_SKIP() << "the host build's text is UTF-8, which spells every name";
#endif
  WriteTree(Dir("inst"), kInstallation);
  WriteUtf8Tree(Dir("users"), {{"dvor\xC3\xA1k\\orx.ini", "[Setup]\r\nUser=other\r\n"},
                               {"dvor\xC3\xA1k\\Data\\2024-01.txt", "theirs\r\n"}});
  const Tree before = ReadUtf8Tree(temp_.path());
  RunOptions options = Options();
  options.utf8Arguments = true;
  for (const std::string option : {"/r", "/s"}) {
    SCOPED_TRACE(option);
    const ProgramResult result = RunProgram(
        {"/v" + Dir("inst"), option + Stored("users") + "\\Dvo\xC5\x99\xC3\xA1k"}, options);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_TRUE(std::regex_match(
        result.output,
        FailureTextPattern("EConvertError", "The directory name given with " + option +
                                                " cannot be written in the Windows "
                                                "code page of this machine")))
        << result.output;
    EXPECT_EQ(ReadUtf8Tree(temp_.path()), before);
  }
}

TEST_F(BadInputScenario, ReadOnlyTargetFileDuringTheDataMove) {
  if (!ReadOnlyFilesAreRefused()) {
    GTEST_SKIP() << "Wine run as root replaces a read-only file where Windows refuses";
  }
  WriteTree(Dir("inst"), kInstallation);
  const Tree there = {{"orx.ini", "[Setup]\r\nUser=jo\r\n"}, {"Data\\2024-01.txt", "old\r\n"}};
  WriteTree(Dir("redir"), there);
  SetReadOnly(Dir("redir") + "Data\\2024-01.txt", true);

  const ProgramResult result = Run({"/v" + Dir("inst"), "/r" + Dir("redir")});
  SetReadOnly(Dir("redir") + "Data\\2024-01.txt", false);

  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.output, FailureReport(DataCopyFailed(Dir("inst"), Dir("redir"))));
  EXPECT_EQ(ReadTree(Dir("inst")), WithDirectories(kInstallation));
  EXPECT_EQ(WithoutBackups(ReadTree(Dir("redir"))), WithDirectories(there));
}

}  // namespace
}  // namespace orx::testing
