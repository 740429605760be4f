#include "console/options.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "base/name_escapes.h"
#include "base/paths.h"
#include "failure_of.h"
#include "test_files.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace orx {
namespace {

void SetAppData(const std::string* value) {
#ifdef _WIN32
  SetEnvironmentVariableA("APPDATA", value ? value->c_str() : nullptr);
#else
  if (value) {
    setenv("APPDATA", value->c_str(), 1);
  } else {
    unsetenv("APPDATA");
  }
#endif
}

// Points APPDATA at a fresh directory for the scope of a test.
class OptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("APPDATA");
    hadAppData_ = old != nullptr;
    if (old) {
      oldAppData_ = old;
    }
    appData_ = WithoutTrailingBackslash(temp_.path());
    SetAppData(&appData_);
    testing::MakeDirectories(temp_ / "Pemberlark\\Ormatide");
  }
  void TearDown() override { SetAppData(hadAppData_ ? &oldAppData_ : nullptr); }

  testing::ScopedTempDir temp_;
  std::string appData_;
  std::string oldAppData_;
  bool hadAppData_ = false;
};

TEST_F(OptionsTest, ParsesSwitchesByTheirFirstTwoCharacters) {
  const std::string standard = temp_.path() + "Pemberlark\\Ormatide\\";
  struct Row {
    std::vector<std::string> arguments;
    Options expected;
    RunAccount account;  // /l and /e, which the Options leave out
  };
  const Row rows[] = {
      {{}, {standard, "", "", false, false, false}, {}},
      {{"/Vc:\\Data"}, {"c:\\data", "", "", false, false, false}, {}},
      {{"/v"}, {"", "", "", false, false, false}, {}},
      {{"/v", "c:\\data"}, {"", "", "", false, false, false}, {}},
      {{"/s\\\\srv\\one", "/S\\\\srv\\Two"},
       {standard, "\\\\srv\\two", "", false, false, false},
       {}},
      {{"/sx", "/s"}, {standard, "", "", false, false, false}, {}},
      {{"/aanything", "/X", "/d:"}, {standard, "", "", true, true, true}, {}},
      {{"-s\\\\srv", "/q", "/", "s"}, {standard, "", "", false, false, false}, {}},
      {{"/r  \t H:\\Users\\Jo  "}, {standard, "", "h:\\users\\jo", false, false, false}, {}},
      {{"/rrelative\\Dir\\"}, {standard, "", "relative\\dir\\", false, false, false}, {}},
      // Only A to Z are lower-cased: the 1252 capital E acute stays.
      {{"/s\\\\SRV\\\xC9T\xC9"}, {standard, "\\\\srv\\\xC9t\xC9", "", false, false, false}, {}},
      // The log keeps its letter case; the last /l counts.
      {{"/lone.log", "/L\\\\Srv\\Logs\\WS-1.log ", "/eanything"},
       {standard, "", "", false, false, false},
       {"\\\\Srv\\Logs\\WS-1.log", true}},
      {{"/l", "c:\\run.log", "-e"}, {standard, "", "", false, false, false}, {"", false}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.arguments.empty() ? std::string("(none)") : row.arguments.front());
    const Options options = ParseOptions(row.arguments);
    EXPECT_EQ(options.installDirectory, row.expected.installDirectory);
    EXPECT_EQ(options.serverDirectory, row.expected.serverDirectory);
    EXPECT_EQ(options.redirectionDirectory, row.expected.redirectionDirectory);
    EXPECT_EQ(options.userAdministratorRights, row.expected.userAdministratorRights);
    EXPECT_EQ(options.administratorOnlyRights, row.expected.administratorOnlyRights);
    EXPECT_EQ(options.copySharedFiles, row.expected.copySharedFiles);
    const RunAccount account = ParseAccount(row.arguments);
    EXPECT_EQ(account.logFile, row.account.logFile);
    EXPECT_EQ(account.exitStatusTellsOutcome, row.account.exitStatusTellsOutcome);
  }
}

// Names the code page cannot spell arrive with escapes; only a directory the run uses is refused.
TEST_F(OptionsTest, RefusesADirectoryTheRunUsesThatTheCodePageCannotSpell) {
  std::string r;  // "ř"
  AppendEscape(&r, u'\x0159');
  const struct {
    std::vector<std::string> arguments;
    std::string appDataTail;
    std::string subject;  // of the refused name; empty when none is refused
  } rows[] = {
      {{"/s" + r, "/v\\\\srv\\dvo" + r + "\xE1k"}, "", "directory name given with /v"},
      // The last one counts; trimming would have cut the escape at the end.
      {{"/rh:\\jo", "/R h:\\" + r}, "", "directory name given with /r"},
      {{"/r" + r, "/rh:\\jo", "/a" + r, "/q" + r}, "", ""},
      {{"/s\\\\srv"}, r, "directory name in APPDATA"},
      {{"/vh:\\orx"}, r, ""},
      {{"/l" + r + ".log", "/vh:\\orx"}, "", "file name given with /l"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.arguments.back());
    const std::string appData = appData_ + row.appDataTail;
    SetAppData(&appData);
    EXPECT_EQ(testing::FailureOf([&] {
                ParseAccount(row.arguments);
                ParseOptions(row.arguments);
              }),
              row.subject.empty()
                  ? ""
                  : "EConvertError The " + row.subject +
                        " cannot be written in the Windows code page of this machine.");
  }
}

TEST_F(OptionsTest, AsksForHelpOnlyForTheExactQuestionSwitch) {
  EXPECT_TRUE(AsksForHelp({"/s\\\\srv", "/?"}));
  EXPECT_FALSE(AsksForHelp({"/?x", "?", "-?"}));
}

TEST_F(OptionsTest, DefaultIsTheAppDataLocationWhenItExists) {
  EXPECT_EQ(DefaultInstallDirectory(), temp_.path() + "Pemberlark\\Ormatide\\");
}

// The fixed location is the default only when the APPDATA location is missing and the fixed one
// holds its installation marker.
TEST_F(OptionsTest, DefaultFallsBackToTheFixedInstallationWithItsMarker) {
  const std::string missing = appData_ + "\\nowhere";
  SetAppData(&missing);
  const std::string candidate = missing + "\\Pemberlark\\Ormatide\\";
  const std::string fixed = "C:\\Program Files\\Pemberlark\\Ormatide\\";
  if (testing::FileExists(fixed + "orx.inf")) {
    GTEST_SKIP() << "this machine has an installation at the fixed location";
  }
  // Remove again exactly the levels this test creates.
  std::vector<std::string> created;
  for (const char* level : {"C:\\Program Files", "C:\\Program Files\\Pemberlark", fixed.c_str()}) {
    if (!testing::DirectoryExists(level)) {
      created.insert(created.begin(), level);
    }
  }
  testing::MakeDirectories(fixed);
  EXPECT_EQ(DefaultInstallDirectory(), candidate);
  testing::WriteFile(fixed + "orx.inf", "");
  EXPECT_EQ(DefaultInstallDirectory(), fixed);
  std::remove(testing::NativePath(fixed + "orx.inf").c_str());
  for (const std::string& level : created) {
    std::filesystem::remove(testing::NativePath(level));
  }
}

TEST_F(OptionsTest, DefaultWithoutAppDataIsRelative) {
  SetAppData(nullptr);
  EXPECT_EQ(DefaultInstallDirectory(), "Pemberlark\\Ormatide\\");
}

}  // namespace
}  // namespace orx
