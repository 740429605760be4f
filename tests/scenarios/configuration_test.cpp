// Whole configuration runs on real directory trees: the report, the exit status and every
// resulting file, byte for byte.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <regex>

#include "program_texts.h"
#include "run_program.h"
#include "sandbox_scenario.h"
#include "test_files.h"

namespace orx::testing {
namespace {

// The names of the dated backup folders directly inside a tree.
std::vector<std::string> BackupFolders(const Tree& tree) {
  std::vector<std::string> folders;
  const std::regex dated(R"(ORX Backup \d{4}-\d\d-\d\d \[\d\d-\d\d-\d\d-\d{3}\]\\)");
  for (const auto& entry : tree) {
    if (std::regex_match(entry.first, dated)) {
      folders.push_back(entry.first);
    }
  }
  return folders;
}

// Everything of a tree below one of its folders, relative to that folder.
Tree Subtree(const Tree& tree, const std::string& folder) {
  Tree part;
  for (const auto& [name, content] : tree) {
    if (name.size() > folder.size() && name.compare(0, folder.size(), folder) == 0) {
      part[name.substr(folder.size())] = content;
    }
  }
  return part;
}

// The forms orx.ini is saved in, and the bytes of a text (of the Basic Multilingual Plane) in one.
enum class Form { kPlain, kUtf8, kUtf16Le, kUtf16Be };
std::string Encoded(const std::u16string& text, Form form) {
  const char* const marks[] = {"", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};
  std::string bytes = marks[static_cast<int>(form)];
  const auto byte = [](unsigned value) { return static_cast<char>(value & 0xFF); };
  for (const char16_t c : text) {
    if (form == Form::kUtf16Le || form == Form::kUtf16Be) {
      bytes += form == Form::kUtf16Le ? std::string{byte(c), byte(c >> 8)}
                                      : std::string{byte(c >> 8), byte(c)};
    } else {
      bytes += c < 0x80    ? std::string{byte(c)}
               : c < 0x800 ? std::string{byte(0xC0 | c >> 6), byte(0x80 | (c & 0x3F))}
                           : std::string{byte(0xE0 | c >> 12), byte(0x80 | (c >> 6 & 0x3F)),
                                         byte(0x80 | (c & 0x3F))};
    }
  }
  return bytes;
}

#ifdef _WIN32
// What Windows' own reader of settings files finds for a key of the file.
std::u16string PeerRead(const std::string& file, const wchar_t* section, const wchar_t* key) {
  wchar_t value[256];
  const std::wstring path(file.begin(), file.end());
  return std::u16string(
      value, value + GetPrivateProfileStringW(section, key, L"", value, 256, path.c_str()));
}
#endif

class ConfigurationScenario : public SandboxScenario {
 protected:
  // The report lines for a sandbox directory of that name.
  std::string ServerLine(const std::string& name) const { return ServerConfiguredAt(Dir(name)); }
  std::string Established(const std::string& name) const {
    return RedirectionEstablished(Dir(name));
  }
  std::string Removed(const std::string& name) const { return RedirectionRemoved(Dir(name)); }
  std::string CopiedTo(const std::string& name) const { return DataCopiedTo(Dir(name)); }

  Tree Read(const std::string& name) const { return ReadTree(Dir(name)); }
};

TEST_F(ConfigurationScenario, TypicalFirstSetupMovesTheDataAndConfiguresTheServer) {
  WriteTree(Dir("inst"), kInstallation);
  MakeDirectories(Dir("server"));
  MakeDirectories(Dir("redir"));

  const ProgramResult result =
      Run({"/v" + Dir("inst"), "/s" + Dir("server"), "/r" + Dir("redir"), "/d", "/a"});

  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.output, Report(kConfigured, {ServerLine("server"), kSharedCopied, kUserRights,
                                                Established("redir"), CopiedTo("redir")}));
  const std::string installSettings = "[Setup]\r\nVersion=3\r\nRedirect=" + Stored("redir") +
                                      "\r\n\r\n[Display]\r\nTheme=Blue\r\n\r\n";
  EXPECT_EQ(Read("inst"), WithDirectories(Replaced(kInstallation, {{"orx.ini", installSettings}})));
  const std::string redirectedSettings = std::string(kLocalSettingsRewritten) +
                                         "[Server]\r\nServerPath=" + Stored("server") +
                                         "\r\nServerAdmin=2\r\n\r\n";
  EXPECT_EQ(Read("redir"),
            WithDirectories(Replaced(kInstallation, {{"orx.ini", redirectedSettings}})));
  // The server's settings file is the source's, copied before this run's server keys were written.
  EXPECT_EQ(Read("server"),
            WithDirectories({{"orx.ini", installSettings},
                             {"Data\\ClientProject.txt", "Acme;Project A\r\n"},
                             {"Data\\CategoryActivity.txt", "Design;Drawing\r\n"}}));
}

TEST_F(ConfigurationScenario, SettingsFilesKeepTheirFormAndTheUsersLines) {
  const auto wide = [](const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
  };
  const std::u16string name = u"Dvo\u0159\u00E1k \u65E5\u672C";
  const std::u16string setup = u"[Setup]\r\nLanguage=de\r\nUser=Dvo\u0159\u00E1k\r\n";
  const std::u16string display = u"\r\n[Display]\r\nName=" + name + u"\r\n";
  // Windows' own reader is known to read 8-bit files and the UTF-16LE mark; Wine's reads all.
  const struct {
    std::string tag;
    Form form;
    bool windowsReads;
  } rows[] = {{"le", Form::kUtf16Le, true},
              {"be", Form::kUtf16Be, false},
              {"utf8", Form::kUtf8, false},
              {"plain", Form::kPlain, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.tag);
    const std::string inst = row.tag + "inst", server = row.tag + "server",
                      redir = row.tag + "redir";
    WriteTree(Dir(inst), Replaced(kInstallation,
                                  {{"orx.ini", Encoded(u";c\r\n" + setup + display, row.form)}}));
    MakeDirectories(Dir(server));
    MakeDirectories(Dir(redir));

    const ProgramResult result =
        Run({"/v" + Dir(inst), "/s" + Dir(server), "/r" + Dir(redir), "/d", "/a"});

    EXPECT_EQ(result.output, Report(kConfigured, {ServerLine(server), kSharedCopied, kUserRights,
                                                  Established(redir), CopiedTo(redir)}));
    const std::string installed = ReadFile(Dir(inst) + "orx.ini");
    EXPECT_EQ(installed,
              Encoded(setup + u"Redirect=" + wide(Stored(redir)) + u"\r\n" + display + u"\r\n",
                      row.form));
    // The server's copy is the install's file, byte for byte.
    EXPECT_EQ(ReadFile(Dir(server) + "orx.ini"), installed);
    const std::string inForce = Dir(redir) + "orx.ini";
    EXPECT_EQ(ReadFile(inForce), Encoded(setup + display + u"\r\n[Server]\r\nServerPath=" +
                                             wide(Stored(server)) + u"\r\nServerAdmin=2\r\n\r\n",
                                         row.form));
#ifdef _WIN32
    if (row.windowsReads || GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")) {
      EXPECT_EQ(PeerRead(inForce, L"Setup", L"Language"), u"de");
      EXPECT_EQ(PeerRead(inForce, L"Server", L"ServerPath"), wide(Stored(server)));
      EXPECT_EQ(PeerRead(inForce, L"Server", L"ServerAdmin"), u"2");
      EXPECT_TRUE(row.form == Form::kPlain || PeerRead(inForce, L"Display", L"Name") == name);
    }
#endif
  }
}

TEST_F(ConfigurationScenario, RunWithoutServerStripsTheServerKeys) {
  WriteTree(Dir("inst"),
            Replaced(kInstallation, {{"orx.ini",
                                      "[Setup]\r\nVersion=3\r\n[Server]\r\nServerPath=s:\\old\r\n"
                                      "ServerAdmin=1\r\n"}}));
  const ProgramResult result = Run({"/v" + Dir("inst"), "/d", "/a", "/x"});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.output, Report(kConfigured, {kNoRights}));
  EXPECT_EQ(ReadFile(Dir("inst") + "orx.ini"), "[Setup]\r\nVersion=3\r\n\r\n");
}

TEST_F(ConfigurationScenario, RightsFollowTheSwitches) {
  struct Row {
    std::vector<std::string> switches;
    std::string line;
    std::string serverSection;
  };
  const Row rows[] = {
      {{"/a", "/x"}, kUserRights, "ServerAdmin=2\r\n"},
      {{"/x"},
       "Administrator only rights for server data have been assigned.",
       "ServerAdmin=1\r\n"},
      {{}, kNoRights, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    WriteTree(Dir("inst"), kInstallation);
    MakeDirectories(Dir("server"));
    std::vector<std::string> arguments = {"/v" + Dir("inst"), "/s" + Dir("server")};
    arguments.insert(arguments.end(), row.switches.begin(), row.switches.end());
    const ProgramResult result = Run(arguments);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.output, Report(kConfigured, {ServerLine("server"), row.line}));
    EXPECT_EQ(ReadFile(Dir("inst") + "orx.ini"), std::string(kLocalSettingsRewritten) +
                                                     "[Server]\r\nServerPath=" + Stored("server") +
                                                     "\r\n" + row.serverSection + "\r\n");
  }
}

TEST_F(ConfigurationScenario, ChecksFailInTheirOrderAndStillPrepareTheDataFolders) {
  struct Row {
    std::vector<std::string> arguments;
    std::string message;
  };
  WriteTree(Dir("inst"), kInstallation);
  const std::string upperInstall = temp_.path() + "INST";
  const Row rows[] = {
      {{"/v", "/s" + Dir("same"), "/r" + Dir("same")}, "Installation path is required"},
      {{"/v" + Dir("inst"), "/s" + upperInstall, "/r" + Dir("inst")},
       "Installation and server paths must be different"},
      {{"/v" + Stored("inst"), "/s" + Dir("server"), "/r" + upperInstall + "\\"},
       "Installation and redirection paths must be different"},
      {{"/v" + Dir("inst"), "/s" + Stored("same"), "/r" + Dir("SAME")},
       "Server and redirection paths must be different"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    const Tree before = Read("inst");
    const ProgramResult result = Run(row.arguments);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.output, FailureReport(row.message));
    EXPECT_EQ(Read("inst"), before);
  }
  EXPECT_TRUE(DirectoryExists(Dir("same") + "Data"));
  EXPECT_TRUE(DirectoryExists(Dir("server") + "Data"));
  EXPECT_FALSE(FileExists(Dir("same") + "orx.ini"));
}

TEST_F(ConfigurationScenario, MovesFromOneRedirectionToAnother) {
  WriteTree(Dir("inst"), Replaced(kInstallation,
                                  {{"orx.ini", "[Setup]\r\nRedirect=" + Stored("old") + "\r\n"}}));
  const Tree old = {{"orx.ini", "[Setup]\r\nVersion=3\r\n"},
                    {"orx.inf", "Ormatide 3.0\r\n"},
                    {"Data\\2024-03.txt", "2024-03-01;Acme;5\r\n"}};
  WriteTree(Dir("old"), old);
  const Tree existing = {{"orx.ini", "[Setup]\r\nUser=jo\r\n"}, {"Data\\notes.txt", "keep\r\n"}};
  WriteTree(Dir("new"), existing);

  const ProgramResult result = Run({"/v" + Dir("inst"), "/r" + Dir("new")});

  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.output,
            Report(kConfigured, {kNoRights, Removed("old"), Established("new"), CopiedTo("new")}));
  const Tree after = Read("new");
  const std::vector<std::string> backups = BackupFolders(after);
  ASSERT_EQ(backups.size(), 1u);
  // The new place's own files went into the dated backup before the old place's data came in.
  EXPECT_EQ(Subtree(after, backups[0]), WithDirectories(existing));
  EXPECT_EQ(ReadFile(Dir("new") + "orx.ini"), "[Setup]\r\nVersion=3\r\n\r\n");
  EXPECT_EQ(ReadFile(Dir("new") + "Data\\2024-03.txt"), "2024-03-01;Acme;5\r\n");
  EXPECT_EQ(ReadFile(Dir("new") + "Data\\notes.txt"), "keep\r\n");
  EXPECT_EQ(ReadFile(Dir("old") + "orx.ini"), "[Setup]\r\nVersion=3\r\n\r\n");
  EXPECT_EQ(ReadFile(Dir("inst") + "orx.ini"), "[Setup]\r\nRedirect=" + Stored("new") + "\r\n\r\n");
}

TEST_F(ConfigurationScenario, RemovingARedirectionCopiesTheDataBackHome) {
  WriteTree(Dir("inst"), Replaced(kInstallation,
                                  {{"orx.ini", "[Setup]\r\nRedirect=" + Stored("away") + "\r\n"}}));
  const Tree away = {{"orx.ini", "[Setup]\r\nVersion=3\r\n[Display]\r\nTheme=Red\r\n"},
                     {"orx.inf", "Ormatide 3.0 away\r\n"},
                     {"Data\\2024-01.txt", "2024-01-02;Acme;8\r\n2024-01-09;Beta;1\r\n"}};
  WriteTree(Dir("away"), away);

  const ProgramResult result = Run({"/v" + Dir("inst")});

  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.output, Report(kConfigured, {kNoRights, Removed("away"), CopiedTo("inst")}));
  const Tree after = Read("inst");
  const std::vector<std::string> backups = BackupFolders(after);
  ASSERT_EQ(backups.size(), 1u);
  EXPECT_EQ(Subtree(after, backups[0]),
            WithDirectories(Replaced(
                kInstallation, {{"orx.ini", "[Setup]\r\nRedirect=" + Stored("away") + "\r\n"}})));
  EXPECT_EQ(ReadFile(Dir("inst") + "orx.ini"),
            "[Setup]\r\nVersion=3\r\n\r\n[Display]\r\nTheme=Red\r\n\r\n");
  EXPECT_EQ(ReadFile(Dir("inst") + "orx.inf"), "Ormatide 3.0 away\r\n");
  EXPECT_EQ(ReadFile(Dir("inst") + "Data\\2024-01.txt"),
            "2024-01-02;Acme;8\r\n2024-01-09;Beta;1\r\n");
  EXPECT_EQ(ReadFile(Dir("inst") + "Data\\2024-02.txt"), "2024-02-01;Acme;7\r\n");
  EXPECT_EQ(ReadFile(Dir("away") + "orx.ini"),
            "[Setup]\r\nVersion=3\r\n\r\n[Display]\r\nTheme=Red\r\n\r\n");
}

TEST_F(ConfigurationScenario, SameRedirectionAgainCopiesNothingAndRewritesTheKey) {
  WriteTree(Dir("inst"),
            Replaced(kInstallation,
                     {{"orx.ini", "[Setup]\r\nRedirect=" + temp_.path() + "REDIR\\\r\n"}}));
  const Tree redir = {{"orx.ini", "[Setup]\r\nVersion=3\r\n"}, {"Data\\2024-05.txt", "x\r\n"}};
  WriteTree(Dir("redir"), redir);

  const ProgramResult result = Run({"/v" + Dir("inst"), "/r" + Dir("redir")});

  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.output, Report(kConfigured, {kNoRights}));
  EXPECT_EQ(Read("redir"),
            WithDirectories(Replaced(redir, {{"orx.ini", "[Setup]\r\nVersion=3\r\n\r\n"}})));
  EXPECT_EQ(ReadFile(Dir("inst") + "orx.ini"),
            "[Setup]\r\nRedirect=" + Stored("redir") + "\r\n\r\n");
}

TEST_F(ConfigurationScenario, RepeatedLoginLineReadsNoMonthFileOfTheRedirection) {
  WriteTree(Dir("inst"), kInstallation);
  MakeDirectories(Dir("server"));
  // As a login script holds it, the redirection in other letters than the stored Redirect.
  const std::vector<std::string> line = {"/v" + Dir("inst"), "/s" + Dir("server"),
                                         "/r" + temp_.path() + "REDIR", "/a"};
  const ProgramResult first = Run(line);
  ASSERT_EQ(first.output, Report(kConfigured, {ServerLine("server"), kUserRights,
                                               Established("redir"), CopiedTo("redir")}));

  const ProgramResult repeated = Run(line);
  ProgramResult whileHeld;
  {
    // The running application holds a month file of the redirection.
    const ScopedUnopenableFile held(Dir("redir") + "Data\\2024-01.txt");
    whileHeld = Run(line);
  }

  EXPECT_EQ(repeated.exitStatus, 0);
  EXPECT_EQ(repeated.output, Report(kConfigured, {ServerLine("server"), kUserRights}));
  EXPECT_EQ(whileHeld.exitStatus, 0);
  EXPECT_EQ(whileHeld.output, repeated.output);
}

TEST_F(ConfigurationScenario, CurrentRedirectionWithoutFilesTakesTheDataFromHome) {
  WriteTree(
      Dir("inst"),
      Replaced(kInstallation, {{"orx.ini", "[Setup]\r\nRedirect=" + Stored("empty") + "\r\n"}}));
  MakeDirectories(Dir("empty") + "Data");

  const ProgramResult result = Run({"/v" + Dir("inst"), "/r" + Dir("new")});

  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.output, Report(kConfigured, {kNoRights, Removed("empty"), Established("new"),
                                                CopiedTo("new")}));
  EXPECT_EQ(ReadFile(Dir("new") + "Data\\2024-01.txt"), kInstallation.at("Data\\2024-01.txt"));
  // The copied settings file loses its Redirect key and then its emptied Setup section.
  EXPECT_EQ(ReadFile(Dir("new") + "orx.ini"), "");
  EXPECT_FALSE(FileExists(Dir("empty") + "orx.ini"));
}

TEST_F(ConfigurationScenario, ARedirectionThatNamesAFileIsRemovedAndTheDataStayHome) {
  WriteTree(Dir("inst"), Replaced(kInstallation, {{"orx.ini", "[Setup]\r\nVersion=3\r\nRedirect=" +
                                                                  Stored("afile.txt") + "\r\n"}}));
  WriteFile(Stored("afile.txt"), "not a folder");

  const ProgramResult result = Run({"/v" + Dir("inst")});

  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.output, Report(kConfigured, {kNoRights, Removed("afile.txt")}));
  EXPECT_EQ(Read("inst"), WithDirectories(Replaced(kInstallation,
                                                   {{"orx.ini", "[Setup]\r\nVersion=3\r\n\r\n"}})));
  EXPECT_EQ(ReadFile(Stored("afile.txt")), "not a folder");
}

// A redirection on a share whose server is away, or (on Windows) on a drive not mapped yet when
// the login script starts: a line without /r stops before anything changes, never taking the
// place for one without data. The redirection stays recorded and nothing is copied.
TEST_F(ConfigurationScenario, ARedirectionThatCannotBeReachedStaysRecordedAndNothingIsCopied) {
  std::vector<std::string> places = {"\\\\orx-away-server\\home\\ormatide"};
#ifdef _WIN32
  const DWORD mapped = GetLogicalDrives();
  for (char letter = 'Y'; letter > 'D'; --letter) {
    if ((mapped & (1u << (letter - 'A'))) == 0) {
      places.push_back(std::string(1, letter) + ":\\ormatide");
      break;
    }
  }
#endif
  for (const std::string& place : places) {
    SCOPED_TRACE(place);
    const Tree inst =
        Replaced(kInstallation, {{"orx.ini", "[Setup]\r\nRedirect=" + place + "\r\n"}});
    WriteTree(Dir("inst"), inst);

    const ProgramResult result = Run({"/v" + Dir("inst")});

    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.output.find("Exception EInOutError"), std::string::npos) << result.output;
    EXPECT_EQ(Read("inst"), WithDirectories(inst));
  }
}

TEST_F(ConfigurationScenario, NewRedirectionWithTheSameMonthDataKeepsItsOwnData) {
  WriteTree(Dir("inst"), kInstallation);
  // The same lines in another order and letter case, plus a line only the redirection has.
  const Tree there = {{"orx.ini", "[Setup]\r\nVersion=4\r\n"},
                      {"orx.inf", "Ormatide 3.0\r\n"},
                      {"Data\\2024-01.TXT", "2024-01-03;ACME;6\r\n2024-01-02;Acme;8\r\nextra\r\n"},
                      {"Data\\2024-02.txt", "2024-02-01;acme;7\r\n"}};
  WriteTree(Dir("redir"), there);

  const ProgramResult result = Run({"/v" + Dir("inst"), "/r" + Dir("redir")});

  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.output, Report(kConfigured, {kNoRights, Established("redir")}));
  EXPECT_EQ(Read("redir"),
            WithDirectories(Replaced(there, {{"orx.ini", "[Setup]\r\nVersion=4\r\n\r\n"}})));
  EXPECT_EQ(ReadFile(Dir("inst") + "orx.ini"),
            "[Setup]\r\nVersion=3\r\nRedirect=" + Stored("redir") +
                "\r\n\r\n[Display]\r\nTheme=Blue\r\n\r\n");
}

TEST_F(ConfigurationScenario, SharedFilesComeFromTheOldRedirectionAndTheirFailureStillWritesKeys) {
  WriteTree(Dir("inst"), Replaced(kInstallation,
                                  {{"orx.ini", "[Setup]\r\nRedirect=" + Stored("old") + "\r\n"}}));
  // The old redirection holds files but lacks CategoryActivity.txt.
  WriteTree(Dir("old"), {{"orx.ini", "[Setup]\r\nVersion=3\r\n"},
                         {"Data\\ClientProject.txt", "Old;Project\r\n"}});
  MakeDirectories(Dir("server"));

  const ProgramResult result = Run({"/v" + Dir("inst"), "/s" + Dir("server"), "/d", "/x"});

  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.output, FailureReport("Could not copy shared data files to server location"));
  EXPECT_EQ(Read("server"), WithDirectories({{"Data\\ClientProject.txt", "Old;Project\r\n"}}));
  // The old redirection holds no month line the install directory lacks, so no data came back;
  // the redirection is gone and the install directory's own file holds the server keys.
  EXPECT_EQ(ReadFile(Dir("inst") + "orx.ini"),
            "[Server]\r\nServerPath=" + Stored("server") + "\r\nServerAdmin=1\r\n\r\n");
  EXPECT_EQ(ReadFile(Dir("old") + "orx.ini"), "[Setup]\r\nVersion=3\r\n\r\n");
  EXPECT_EQ(ReadFile(Dir("inst") + "Data\\ClientProject.txt"), "Acme;Project A\r\n");
}

TEST_F(ConfigurationScenario, ServerThatCannotBeCreatedIsReportedAndNothingIsRecorded) {
  WriteTree(Dir("inst"), kInstallation);
  const std::string server = Dir("inst") + "orx.inf\\server\\";
  for (const auto& arguments : {std::vector<std::string>{"/v" + Dir("inst"), "/s" + server},
                                {"/v" + Dir("inst"), "/s" + server, "/r" + Dir("redir")}}) {
    SCOPED_TRACE(arguments.size());
    const ProgramResult result = Run(arguments);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.output, FailureReport("The network directory \"" + server +
                                           "\" (or a sub-directory) could not be created."));
    // No settings written, no data moved, no redirection recorded.
    EXPECT_EQ(Read("inst"), WithDirectories(kInstallation));
  }
  EXPECT_EQ(Read("redir"), WithDirectories({{"Data\\", ""}}));
}

TEST_F(ConfigurationScenario, FailedDataCopyKeepsTheTargetSettingsFile) {
  WriteTree(Dir("inst"), kInstallation);
  // A folder where a month file must go makes the copy of that file fail.
  const Tree target = {{"orx.ini", "[Setup]\r\nUser=jo\r\n"}, {"Data\\2024-02.txt\\", ""}};
  WriteTree(Dir("redir"), target);

  const ProgramResult result = Run({"/v" + Dir("inst"), "/r" + Dir("redir")});

  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.output, FailureReport(DataCopyFailed(Dir("inst"), Dir("redir"))));
  EXPECT_EQ(ReadFile(Dir("redir") + "orx.ini"), "[Setup]\r\nUser=jo\r\n");
  EXPECT_FALSE(FileExists(Dir("redir") + "orx.inf"));
  EXPECT_EQ(ReadFile(Dir("inst") + "orx.ini"), kLocalSettings);
  const std::vector<std::string> backups = BackupFolders(Read("redir"));
  ASSERT_EQ(backups.size(), 1u);
  EXPECT_EQ(Subtree(Read("redir"), backups[0]), WithDirectories(target));
}

}  // namespace
}  // namespace orx::testing
