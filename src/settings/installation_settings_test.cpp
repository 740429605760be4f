#include "settings/installation_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/name_escapes.h"
#include "base/paths.h"
#include "base/raised_failure.h"
#include "failure_of.h"
#include "test_files.h"

namespace orx {
namespace {

using testing::FailureOf;
using testing::FileExists;
using testing::MakeDirectories;
using testing::NativePath;
using testing::ReadFile;
using testing::ReadTree;
using testing::ScopedTempDir;
using testing::Tree;
using testing::WriteFile;

// Makes a directory the process's current directory for the scope.
class ScopedCurrentDirectory {
 public:
  explicit ScopedCurrentDirectory(const std::string& path)
      : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(NativePath(path));
  }
  ~ScopedCurrentDirectory() { std::filesystem::current_path(previous_); }
  ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
  ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

 private:
  std::filesystem::path previous_;
};

// Replaces every "<T>" with the directory (no trailing backslash), so rows can name real paths.
std::string At(const ScopedTempDir& dir, std::string text) {
  const std::string root = WithoutTrailingBackslash(dir.path());
  for (std::string::size_type at = text.find("<T>"); at != std::string::npos;
       at = text.find("<T>", at + root.size())) {
    text.replace(at, 3, root);
  }
  return text;
}

TEST(SettingsFileOf, AppendsTheNameAfterExactlyOneBackslash) {
  EXPECT_EQ(SettingsFileOf(""), "orx.ini");
  EXPECT_EQ(SettingsFileOf("c:\\inst"), "c:\\inst\\orx.ini");
  EXPECT_EQ(SettingsFileOf("c:\\inst\\"), "c:\\inst\\orx.ini");
  EXPECT_EQ(SettingsFileOf("\\\\server\\share\\"), "\\\\server\\share\\orx.ini");
}

struct RedirectionRow {
  const char* what;
  std::string settings;  // empty: the installation directory has no settings file
  std::string expected;
};

TEST(ReadRedirection, NormalisesTheRedirectValue) {
  const std::string tooLong(300, 'n');
  std::string sun;  // U+65E5 as a marked settings file hands it over
  AppendEscape(&sun, u'\u65E5');
  const std::vector<RedirectionRow> rows = {
      {"no settings file", "", ""},
      {"no Redirect key", "[Setup]\r\nOther=1\r\n", ""},
      {"Redirect in another section", "[Server]\r\nRedirect=<T>\\x\r\n", ""},
      {"empty value", "[Setup]\r\nRedirect=\r\n", ""},
      {"blanks and tabs", "[Setup]\r\nRedirect= \t \t\r\n", ""},
      {"blank before the equals sign", "[Setup]\r\nRedirect =<T>\\x\r\n", ""},
      {"first Setup section without the key", "[Setup]\r\n[Setup]\r\nRedirect=<T>\\x\r\n", ""},
      {"blanks and tab around the value", "[Setup]\r\nRedirect= <T>\\shared\t\r\n",
       "<T>\\shared\\"},
      {"a trailing backslash is kept once", "[setup]\r\nredirect=<T>\\shared\\\r\n",
       "<T>\\shared\\"},
      {"dot segments are resolved", "[Setup]\r\nRedirect=<T>\\x\\..\\y\\.\\z\r\n", "<T>\\y\\z\\"},
      {"relative to the current directory", "[Setup]\r\nRedirect=..\\shared\r\n",
       "<T>\\work\\shared\\"},
      {"the current directory itself", "[Setup]\r\nRedirect=.\r\n", "<T>\\work\\cwd\\"},
      {"longer than a full path may be", "[Setup]\r\nRedirect=<T>\\" + tooLong + "\r\n", ""},
      {"a character beyond the code page counts once toward the limit, and ends it",
       "[Setup]\r\nRedirect=c:\\" + std::string(255, 'n') + sun + "\t\r\n",
       "c:\\" + std::string(255, 'n') + sun + "\\"},
  };
  for (const RedirectionRow& row : rows) {
    SCOPED_TRACE(row.what);
    ScopedTempDir dir;
    MakeDirectories(dir / "work\\cwd");
    MakeDirectories(dir / "inst");
    ScopedCurrentDirectory cwd(dir / "work\\cwd");
    if (!row.settings.empty()) {
      WriteFile(dir / "inst\\orx.ini", At(dir, row.settings));
    }
    EXPECT_EQ(ReadRedirection(dir / "inst"), At(dir, row.expected));
    EXPECT_EQ(ReadRedirection(dir / "inst\\"), At(dir, row.expected));
  }
}

TEST(ReadRedirection, ReturnsARedirectionThatDoesNotExist) {
  ScopedTempDir dir;
  WriteFile(dir / "orx.ini", At(dir, "[Setup]\r\nRedirect=<T>\\gone\r\n"));
  EXPECT_EQ(ReadRedirection(dir.path()), dir / "gone\\");
}

TEST(OpenEffectiveSettings, FollowsARedirectionThatHoldsASettingsFile) {
  ScopedTempDir dir;
  const std::string local = At(dir, "[Setup]\r\nRedirect=<T>\\red\r\n");
  WriteFile(dir / "inst\\orx.ini", local);
  WriteFile(dir / "red\\orx.ini", "[Server]\r\nServerPath=s:\\old\r\n");
  SettingsDocument document = OpenEffectiveSettings(dir / "inst\\");
  EXPECT_EQ(document.fileName(), dir / "red\\orx.ini");
  EXPECT_EQ(document.ReadText("Server", "ServerPath", "-"), "s:\\old");
  document.WriteText("Server", "ServerPath", "s:\\new");
  document.Save();
  EXPECT_EQ(ReadFile(dir / "red\\orx.ini"), "[Server]\r\nServerPath=s:\\new\r\n\r\n");
  EXPECT_EQ(ReadFile(dir / "inst\\orx.ini"), local);
}

TEST(OpenEffectiveSettings, UsesTheOwnFileWhenTheRedirectionHoldsNone) {
  struct Row {
    const char* what;
    const char* settings;
  };
  const std::vector<Row> rows = {
      {"no redirection", "[Setup]\r\nOther=1\r\n"},
      {"redirection without settings file", "[Setup]\r\nRedirect=<T>\\red\r\n"},
      {"redirection that does not exist", "[Setup]\r\nRedirect=<T>\\gone\r\n"},
      {"settings name is a directory there", "[Setup]\r\nRedirect=<T>\\dir\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ScopedTempDir dir;
    MakeDirectories(dir / "red");
    MakeDirectories(dir / "dir\\orx.ini");
    const std::string local = At(dir, row.settings);
    WriteFile(dir / "inst\\orx.ini", local);
    SettingsDocument document = OpenEffectiveSettings(dir / "inst");
    EXPECT_EQ(document.fileName(), dir / "inst\\orx.ini");
    document.WriteText("Server", "ServerAdmin", "1");
    document.Save();
    EXPECT_EQ(ReadFile(dir / "inst\\orx.ini"), local + "\r\n[Server]\r\nServerAdmin=1\r\n\r\n");
    EXPECT_FALSE(FileExists(dir / "red\\orx.ini"));
  }
}

TEST(OpenEffectiveSettings, FollowsOneLevelOnly) {
  ScopedTempDir dir;
  WriteFile(dir / "inst\\orx.ini", At(dir, "[Setup]\r\nRedirect=<T>\\first\r\n"));
  WriteFile(dir / "first\\orx.ini", At(dir, "[Setup]\r\nRedirect=<T>\\second\r\n"));
  WriteFile(dir / "second\\orx.ini", "[Setup]\r\n");
  EXPECT_EQ(OpenEffectiveSettings(dir / "inst").fileName(), dir / "first\\orx.ini");
}

TEST(OpenEffectiveSettings, EmptyInstallDirectoryMeansTheCurrentDirectory) {
  ScopedTempDir dir;
  ScopedCurrentDirectory cwd(dir.path());
  EXPECT_EQ(OpenEffectiveSettings("").fileName(), "orx.ini");
  WriteFile(dir / "orx.ini", "[Setup]\r\nRedirect=red\r\n");
  WriteFile(dir / "red\\orx.ini", "[Server]\r\n");
  EXPECT_EQ(OpenEffectiveSettings("").fileName(), dir / "red\\orx.ini");
  EXPECT_EQ(ReadRedirection(""), dir / "red\\");
}

struct WriteRow {
  const char* what;
  const char* before;  // nullptr: no settings file yet
  const char* redirection;
  const char* after;
};

TEST(WriteRedirection, SetsOrRemovesTheKeyAndAlwaysSaves) {
  const std::vector<WriteRow> rows = {
      {"set without a settings file", nullptr, "c:\\work\\",
       "[Setup]\r\nRedirect=c:\\work\r\n\r\n"},
      {"set keeps upper case and blanks", nullptr, " C:\\Work",
       "[Setup]\r\nRedirect= C:\\Work\r\n\r\n"},
      {"set a drive root", nullptr, "x:\\", "[Setup]\r\nRedirect=x:\r\n\r\n"},
      {"set replaces in place and rewrites the file",
       ";c\r\n[Server]\nServerAdmin=1\n[setup]\nA=1\nredirect=old\nB=2", "s:\\new\\",
       "[Server]\r\nServerAdmin=1\r\n\r\n[setup]\r\nA=1\r\nRedirect=s:\\new\r\nB=2\r\n\r\n"},
      {"remove the only line prunes the section",
       "[Setup]\r\nRedirect=s:\\old\r\n[Server]\r\nX=1\r\n", "", "[Server]\r\nX=1\r\n\r\n"},
      {"remove keeps the other lines", "[Setup]\r\nA=1\r\nRedirect=s:\\old\r\n", "",
       "[Setup]\r\nA=1\r\n\r\n"},
      {"remove without a settings file creates zero bytes", nullptr, "", ""},
      {"remove without a key still rewrites", ";c\r\n[Server]\r\nX=1\r\n\r\n\r\n", "",
       "[Server]\r\nX=1\r\n\r\n"},
  };
  for (const WriteRow& row : rows) {
    SCOPED_TRACE(row.what);
    ScopedTempDir dir;
    if (row.before != nullptr) {
      WriteFile(dir / "orx.ini", row.before);
    }
    WriteRedirection(dir.path(), row.redirection);
    EXPECT_EQ(ReadTree(dir.path()), (Tree{{"orx.ini", row.after}}));
  }
}

TEST(WriteRedirection, EmptyDirectoryMeansTheCurrentDirectory) {
  ScopedTempDir dir;
  ScopedCurrentDirectory cwd(dir.path());
  WriteRedirection("", "s:\\shared\\");
  EXPECT_EQ(ReadTree(dir.path()), (Tree{{"orx.ini", "[Setup]\r\nRedirect=s:\\shared\r\n\r\n"}}));
  WriteRedirection("", "");
  EXPECT_EQ(ReadTree(dir.path()), (Tree{{"orx.ini", ""}}));
}

TEST(WriteRedirection, DoesNotFollowTheRedirection) {
  ScopedTempDir dir;
  WriteFile(dir / "inst\\orx.ini", At(dir, "[Setup]\r\nRedirect=<T>\\red\r\n"));
  WriteFile(dir / "red\\orx.ini", "[Setup]\r\nRedirect=x\r\n");
  WriteRedirection(dir / "inst", "");
  EXPECT_EQ(ReadFile(dir / "inst\\orx.ini"), "");
  EXPECT_EQ(ReadFile(dir / "red\\orx.ini"), "[Setup]\r\nRedirect=x\r\n");
}

TEST(WriteRedirection, MissingDirectoryRaisesCannotCreate) {
  ScopedTempDir dir;
  for (const char* redirection : {"s:\\shared\\", ""}) {
    SCOPED_TRACE(redirection);
    EXPECT_EQ(FailureOf([&] { WriteRedirection(dir / "missing\\", redirection); }),
              "EFCreateError Cannot create file " + (dir / "missing\\orx.ini"));
  }
  EXPECT_EQ(ReadTree(dir.path()), Tree{});
}

struct PruneRow {
  const char* what;
  const char* before;
  const char* after;
};

TEST(RemoveKeyAndPrune, RemovesTheSectionOnlyWhenNothingIsLeftInIt) {
  const std::vector<PruneRow> rows = {
      {"only the key", "[A]\r\n[Server]\r\nServerPath=s:\\x\r\n", "[A]\r\n\r\n"},
      {"a line without equals sign stays", "[Server]\r\nServerPath=s:\\x\r\nnote\r\n",
       "[Server]\r\nnote\r\n\r\n"},
      {"a blank line stays", "[Server]\r\n  \r\nServerPath=s:\\x\r\n", "[Server]\r\n  \r\n\r\n"},
      {"missing key", "[Server]\r\nServerAdmin=1\r\n", "[Server]\r\nServerAdmin=1\r\n\r\n"},
      {"missing section", "[Setup]\r\nServerPath=1\r\n", "[Setup]\r\nServerPath=1\r\n\r\n"},
      {"first of duplicate sections only",
       "[server]\r\nServerPath=a\r\n[Server]\r\nServerPath=b\r\n",
       "[Server]\r\nServerPath=b\r\n\r\n"},
      {"first of duplicate keys only", "[Server]\r\nServerPath=a\r\nserverpath=b\r\n",
       "[Server]\r\nserverpath=b\r\n\r\n"},
  };
  for (const PruneRow& row : rows) {
    SCOPED_TRACE(row.what);
    ScopedTempDir dir;
    SettingsDocument document = SettingsDocumentFromText(dir / "orx.ini", row.before);
    RemoveKeyAndPrune(document, "Server", "ServerPath");
    EXPECT_EQ(document.Text(), row.after);
    EXPECT_FALSE(FileExists(dir / "orx.ini"));
  }
}

}  // namespace
}  // namespace orx
