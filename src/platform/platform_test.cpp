#include "platform/platform.h"
#include "files/whole_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "base/raised_failure.h"
#include "failure_of.h"
#include "test_files.h"

namespace orx {
namespace {

using testing::FailureOf;
using testing::ReadFile;
using testing::ReadOnlyFilesAreRefused;
using testing::ReadTree;
using testing::ScopedTempDir;
using testing::SetReadOnly;
using testing::Tree;
using testing::WriteFile;
using testing::WriteTree;

std::vector<std::string> SortedNames(const std::vector<DirectoryEntry>& entries) {
  std::vector<std::string> names;
  for (const DirectoryEntry& entry : entries) {
    names.push_back(entry.name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

unsigned AttributesOf(const std::vector<DirectoryEntry>& entries, const std::string& name) {
  for (const DirectoryEntry& entry : entries) {
    if (entry.name == name) {
      return entry.attributes;
    }
  }
  ADD_FAILURE() << name << " not listed";
  return 0;
}

TEST(LastSystemFailure, NamesThePathAndTheKindOfTheLastFailedCall) {
  ScopedTempDir dir;
  WriteFile(dir / "held", "x");
  struct Row {
    std::string path;
    bool (*call)(const std::string&);
    FailureKind kind;
  };
  const Row rows[] = {
      {dir / "missing", RemoveFile, FailureKind::kNotFound},
      {dir / "no folder\\file", RemoveFile, FailureKind::kNotFound},
      {dir / "held", CreateDirectoryA, FailureKind::kOther},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_FALSE(row.call(row.path));
    const SystemFailure failure = LastSystemFailure();
    EXPECT_EQ(failure.path, row.path);
    EXPECT_EQ(KindOfFailure(failure.code), row.kind);
    EXPECT_NE(SystemErrorText(failure.code), "");
  }
}

TEST(PassesAttributeMask, LeavesOutOnlyHiddenSystemLabelAndDirectoryFlagsTheMaskLacks) {
  struct Row {
    unsigned attributes;
    unsigned mask;
    bool passes;
  };
  const Row rows[] = {
      {kAttributeArchive, 0, true},
      {kAttributeReadOnly | kAttributeArchive, 0, true},
      {kAttributeDirectory, 63, true},
      {kAttributeDirectory, 47, false},
      {kAttributeHidden | kAttributeArchive, 47, true},
      {kAttributeHidden, kAttributeDirectory, false},
      {kAttributeSystem, 63 & ~kAttributeSystem, false},
      {kAttributeVolumeLabel, 63 & ~kAttributeVolumeLabel, false},
      {kAttributeDirectory | kAttributeHidden, kAttributeDirectory, false},
      {kAttributeDirectory | kAttributeHidden, kAttributeDirectory | kAttributeHidden, true},
      {0, 0, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.attributes) + " under mask " + std::to_string(row.mask));
    EXPECT_EQ(PassesAttributeMask(row.attributes, row.mask), row.passes);
  }
}

class PlatformFiles : public ::testing::Test {
 protected:
  ScopedTempDir dir_;
};

TEST_F(PlatformFiles, IsFileAndIsDirectoryTellEntriesApart) {
  WriteTree(dir_.path(), {{"file.txt", "x"}, {"folder\\", ""}});
  struct Row {
    std::string relative;
    bool file;
    bool directory;
  };
  const Row rows[] = {
      {"file.txt", true, false},        {"folder", false, true},
      {"folder\\", false, true},        {"missing", false, false},
      {"missing\\x.txt", false, false}, {"file.txt\\x", false, false},
      {"file.txt\\x\\y", false, false}, {"missing\\deeper\\x", false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.relative);
    // A missing entry, or a file on the way, is not there: never a look that failed.
    EXPECT_EQ(IsFile(dir_ / row.relative), row.file ? Found::kThere : Found::kNotThere);
    EXPECT_EQ(IsDirectory(dir_ / row.relative), row.directory ? Found::kThere : Found::kNotThere);
  }
}

TEST_F(PlatformFiles, ALookThatFailsIsNeverTakenForAbsence) {
  WriteTree(dir_.path(), {{"locked\\orx.ini", "x"}});
  const testing::ScopedUnlistableFolder locked(dir_ / "locked");
  if (!locked.refused()) {
    GTEST_SKIP() << "this user reads every folder (root, or Wine)";
  }
  unsigned attributes = 0;
  std::vector<DirectoryEntry> entries;
  EXPECT_EQ(IsFile(dir_ / "locked\\orx.ini"), Found::kUnknown);
  EXPECT_EQ(ReadAttributes(dir_ / "locked\\orx.ini", &attributes), Found::kUnknown);
  EXPECT_EQ(KindOfFailure(LastSystemFailure().code), FailureKind::kOther);
  EXPECT_EQ(ListDirectory(dir_ / "locked\\*.*", 63, &entries), ListingResult::kFailed);
  EXPECT_EQ(FailureOf([&] { ReadFileBytes(dir_ / "locked\\orx.ini"); }),
            "EFOpenError Cannot open file " + dir_ / "locked\\orx.ini");
}

TEST_F(PlatformFiles, CreateDirectoryMakesOneLevelOnly) {
  EXPECT_TRUE(CreateDirectoryA(dir_ / "one"));
  EXPECT_EQ(IsDirectory(dir_ / "one"), Found::kThere);
  EXPECT_FALSE(CreateDirectoryA(dir_ / "one")) << "an existing directory is a failure";
  EXPECT_FALSE(CreateDirectoryA(dir_ / "two\\three"));
  EXPECT_EQ(IsDirectory(dir_ / "two"), Found::kNotThere);
  for (const char* share : {"\\\\orx-no-server", "\\\\orx-no-server\\share\\"}) {
    SCOPED_TRACE(share);
    EXPECT_FALSE(CreateDirectoryA(share)) << "servers and shares are not made";
    EXPECT_NE(IsDirectory(share), Found::kThere);
  }
}

TEST_F(PlatformFiles, CopyToNewFileNeverTouchesAnExistingName) {
  const Tree before = {{"source.txt", "abc"}, {"taken.txt", "t"}, {"folder\\", ""}};
  WriteTree(dir_.path(), before);
  struct Row {
    std::string source;
    std::string target;
    NewFileResult result;
  };
  const Row rows[] = {
      {"source.txt", "taken.txt", NewFileResult::kNameTaken},
      {"source.txt", "TAKEN.TXT", NewFileResult::kNameTaken},
      {"source.txt", "folder", NewFileResult::kNameTaken},
      {"missing.txt", "copy.txt", NewFileResult::kFailed},
      {"folder", "copy.txt", NewFileResult::kFailed},
      {"source.txt", "no-such-folder\\copy.txt", NewFileResult::kFailed},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.source + " -> " + row.target);
    EXPECT_EQ(CopyToNewFile(dir_ / row.source, dir_ / row.target), row.result);
    EXPECT_EQ(ReadTree(dir_.path()), before);
  }
  EXPECT_EQ(CopyToNewFile(dir_ / "source.txt", dir_ / "copy.txt"), NewFileResult::kMade);
  EXPECT_EQ(ReadFile(dir_ / "copy.txt"), "abc");
}

TEST_F(PlatformFiles, CopyCarriesTheSourcesReadOnlyAttribute) {
  WriteFile(dir_ / "source.txt", "abc");
  SetReadOnly(dir_ / "source.txt", true);
  ASSERT_EQ(CopyToNewFile(dir_ / "source.txt", dir_ / "copy.txt"), NewFileResult::kMade);
  const std::vector<DirectoryEntry> entries = EnumerateDirectory(dir_ / "*.*", 47);
  EXPECT_NE(AttributesOf(entries, "copy.txt") & kAttributeReadOnly, 0u);
  EXPECT_EQ(ReadFile(dir_ / "copy.txt"), "abc");
  EXPECT_TRUE(RemoveFile(dir_ / "copy.txt")) << "a read-only file is removed too";
  EXPECT_FALSE(testing::FileExists(dir_ / "copy.txt"));
}

TEST_F(PlatformFiles, RenameFileReplacesOnlyWhenAsked) {
  WriteTree(dir_.path(), {{"new.txt", "new"}, {"old.txt", "old"}});
  EXPECT_FALSE(RenameFile(dir_ / "new.txt", dir_ / "OLD.txt", false));
  EXPECT_EQ(ReadTree(dir_.path()), (Tree{{"new.txt", "new"}, {"old.txt", "old"}}));
  EXPECT_TRUE(RenameFile(dir_ / "new.txt", dir_ / "old.txt", true));
  EXPECT_EQ(ReadTree(dir_.path()), (Tree{{"old.txt", "new"}}));
  EXPECT_TRUE(RenameFile(dir_ / "old.txt", dir_ / "placed.txt", false));
  EXPECT_EQ(ReadTree(dir_.path()), (Tree{{"placed.txt", "new"}}));
}

class Enumeration : public PlatformFiles {
 protected:
  void SetUp() override {
    WriteTree(dir_.path(), {{"a.txt", "a"},
                            {"NoDot", "n"},
                            {"2024-01.txt", "1"},
                            {"2024-02.TXT", "2"},
                            {"2024-1.txt", "x"},
                            {"12024-01.txt", "x"},
                            {".hidden", "h"},
                            {"sub\\", ""},
                            {"sub\\inner.txt", "i"}});
  }
};

TEST_F(Enumeration, PatternsSelectNamesWithoutRegardToCase) {
  struct Row {
    std::string pattern;
    unsigned mask;
    std::vector<std::string> names;
  };
  const Row rows[] = {
      {"*.*",
       63,
       {".", "..", ".hidden", "12024-01.txt", "2024-01.txt", "2024-02.TXT", "2024-1.txt", "NoDot",
        "a.txt", "sub"}},
      {"*.*",
       47,
       {".hidden", "12024-01.txt", "2024-01.txt", "2024-02.TXT", "2024-1.txt", "NoDot", "a.txt"}},
      {"*.*", 45, {"12024-01.txt", "2024-01.txt", "2024-02.TXT", "2024-1.txt", "NoDot", "a.txt"}},
      {"A.TXT", 47, {"a.txt"}},
      {"*.ini", 63, {}},
      {"sub\\*.*", 63, {".", "..", "inner.txt"}},
      {"SUB\\*.*", 47, {"inner.txt"}},
      {"missing\\*.*", 63, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.pattern + " under mask " + std::to_string(row.mask));
    EXPECT_EQ(SortedNames(EnumerateDirectory(dir_ / row.pattern, row.mask)), row.names);
  }
}

TEST_F(Enumeration, OnlyAFolderThatIsThereIsListed) {
  const std::pair<const char*, ListingResult> rows[] = {
      {"*.*", ListingResult::kListed},
      {"*.ini", ListingResult::kListed},
      {"missing\\*.*", ListingResult::kNoDirectory},
      {"a.txt\\*.*", ListingResult::kNoDirectory},
      {"a.txt\\deeper\\*.*", ListingResult::kNoDirectory},
  };
  for (const auto& [pattern, expected] : rows) {
    SCOPED_TRACE(pattern);
    std::vector<DirectoryEntry> entries;
    EXPECT_EQ(ListDirectory(dir_ / pattern, 63, &entries), expected);
  }
}

TEST_F(Enumeration, EntriesCarryTheirAttributes) {
  SetReadOnly(dir_ / "a.txt", true);
  const std::vector<DirectoryEntry> entries = EnumerateDirectory(dir_ / "*.*", 63);
  struct Row {
    std::string name;
    unsigned attributes;
  };
  const Row rows[] = {
      {"a.txt", kAttributeArchive | kAttributeReadOnly},
      {"NoDot", kAttributeArchive},
      {".hidden", kAttributeArchive | kAttributeHidden},
      {"sub", kAttributeDirectory},
      {".", kAttributeDirectory},
      {"..", kAttributeDirectory},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    // Other flags (not content indexed and the like) may come with them on Windows.
    EXPECT_EQ(AttributesOf(entries, row.name) & 63u, row.attributes);
  }
}

TEST_F(PlatformFiles, LowerCasedPathsReachMixedCaseEntries) {
  WriteTree(dir_.path(), {{"Mixed\\Data\\File.Txt", "old"}, {"Mixed\\Other.ini", "o"}});
  EXPECT_EQ(IsFile(dir_ / "mixed\\data\\file.txt"), Found::kThere);
  EXPECT_EQ(IsDirectory(dir_ / "MIXED\\data"), Found::kThere);
  EXPECT_EQ(ReadFileBytes(dir_ / "mixed\\data\\file.txt"), "old");

  WriteFileBytes(dir_ / "mixed\\data\\file.txt", "written");
  EXPECT_EQ(ReadFile(dir_ / "Mixed\\Data\\File.Txt"), "written");
  ReplaceFileBytes(dir_ / "mixed\\data\\FILE.TXT", "replaced");
  EXPECT_EQ(ReadFile(dir_ / "Mixed\\Data\\File.Txt"), "replaced");
  EXPECT_TRUE(RenameFile(dir_ / "mixed\\other.ini", dir_ / "mixed\\data\\file.txt", true));
  EXPECT_TRUE(CreateDirectoryA(dir_ / "mixed\\data\\New"));
  WriteFileBytes(dir_ / "mixed\\data\\new\\Made.txt", "m");
  const std::vector<DirectoryEntry> files = EnumerateDirectory(dir_ / "mixed\\DATA\\*.*", 47);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(EqualIgnoringCase(files[0].name, "file.txt")) << files[0].name;

  // No second spelling appeared: every write went to the existing entries. (A replacement may
  // take the spelling it was given, as Windows' ReplaceFileA does, so names compare folded.)
  const Tree tree = ReadTree(dir_.path());
  EXPECT_EQ(tree.size(), 5u);
  Tree folded;
  for (const auto& [name, content] : tree) {
    folded[EqualityKeyOf(name)] = content;
  }
  EXPECT_EQ(folded[EqualityKeyOf("mixed\\data\\file.txt")], "o");
  EXPECT_EQ(folded[EqualityKeyOf("mixed\\data\\new\\made.txt")], "m");
  EXPECT_TRUE(testing::DirectoryExists(dir_ / "Mixed\\Data\\New"));
}

TEST_F(PlatformFiles, LookupsSeeEntriesOthersMadeAfterAnEarlierLookup) {
  testing::MakeDirectories(dir_ / "Settled");
  // An old directory, whose listing a port may keep between lookups. (MinGW's library cannot
  // set a directory's time; Windows keeps no listings, so nothing is lost there.)
  std::error_code ignored;
  std::filesystem::last_write_time(
      testing::NativePath(dir_ / "Settled"),
      std::filesystem::file_time_type::clock::now() - std::chrono::seconds(30), ignored);
  EXPECT_EQ(IsFile(dir_ / "settled\\late.txt"), Found::kNotThere);
  WriteFile(dir_ / "Settled\\Late.TXT", "first");
  EXPECT_EQ(ReadFileBytes(dir_ / "settled\\late.txt"), "first");
  std::filesystem::remove(testing::NativePath(dir_ / "Settled\\Late.TXT"));
  WriteFile(dir_ / "Settled\\LATE.txt", "second");
  EXPECT_EQ(ReadFileBytes(dir_ / "settled\\late.txt"), "second");

  ASSERT_TRUE(CreateDirectoryA(dir_ / "Made"));
  EXPECT_EQ(IsFile(dir_ / "Made\\other.txt"), Found::kNotThere);
  WriteFile(dir_ / "Made\\Other.Txt", "outside");
  EXPECT_EQ(ReadFileBytes(dir_ / "Made\\other.txt"), "outside");
  WriteFileBytes(dir_ / "Made\\Own.txt", "own");
  WriteFile(dir_ / "Made\\Third.Txt", "third");
  EXPECT_EQ(ReadFileBytes(dir_ / "made\\third.txt"), "third");
  EXPECT_EQ(ReadFileBytes(dir_ / "made\\OWN.TXT"), "own");
}

TEST_F(PlatformFiles, WholeFilesRoundTripEveryByte) {
  const std::string bytes = std::string("a\r\nb\n\rc\0d", 9) + std::string(70000, '\xE9');
  WriteFileBytes(dir_ / "data.bin", bytes);
  EXPECT_EQ(ReadFileBytes(dir_ / "data.bin"), bytes);
  WriteFileBytes(dir_ / "data.bin", "short");
  EXPECT_EQ(ReadFileBytes(dir_ / "data.bin"), "short") << "an existing file is replaced whole";
  ReplaceFileBytes(dir_ / "data.bin", bytes);
  EXPECT_EQ(ReadFileBytes(dir_ / "data.bin"), bytes);
  ReplaceFileBytes(dir_ / "fresh.txt", "");
  EXPECT_EQ(ReadFileBytes(dir_ / "fresh.txt"), "");
  // Into a buffer that held other bytes: exactly the file's, longer or shorter than those.
  std::string buffer = "earlier";
  ReadFileBytesInto(dir_ / "data.bin", &buffer);
  EXPECT_EQ(buffer, bytes);
  ReadFileBytesInto(dir_ / "fresh.txt", &buffer);
  EXPECT_EQ(buffer, "");
  EXPECT_EQ(ReadTree(dir_.path()), (Tree{{"data.bin", bytes}, {"fresh.txt", ""}}))
      << "no temporary file is left behind";
}

TEST_F(PlatformFiles, AReplaceWithoutAFreeBackupNameFailsAndLeavesTheFile) {
  Tree before{{"orx.ini", "old"}};
  // The replace's new file takes the next name of the sequence; the 64 after it are all taken.
  const std::string last = TemporaryNameBeside(dir_ / "orx.ini");
  const auto next = static_cast<unsigned>(std::stoul(last.substr(last.size() - 4), nullptr, 16));
  for (unsigned taken = next + 2; taken <= next + 65; ++taken) {
    char name[8];
    std::snprintf(name, sizeof(name), "~ox%04X", taken & 0xFFFFu);
    before[name] = "taken";
  }
  WriteTree(dir_.path(), before);
  EXPECT_EQ(FailureOf([&] { ReplaceKnownFileBytes(dir_ / "orx.ini", "new", std::string("old")); }),
            "EFCreateError Cannot create file " + dir_ / "orx.ini");
  EXPECT_EQ(ReadTree(dir_.path()), before);
}

TEST_F(PlatformFiles, FailedOpensAndCreationsRaiseWithTheNameAsGiven) {
  WriteTree(dir_.path(), {{"folder\\", ""}, {"ro.txt", "old"}});
  SetReadOnly(dir_ / "ro.txt", true);
  struct Row {
    std::string what;
    std::string path;
    void (*action)(const std::string&);
    std::string kind;
    std::string message;
  };
  const Row rows[] = {
      {"read missing", dir_ / "missing.txt", [](const std::string& p) { ReadFileBytes(p); },
       "EFOpenError", "Cannot open file "},
      {"read directory", dir_ / "folder", [](const std::string& p) { ReadFileBytes(p); },
       "EFOpenError", "Cannot open file "},
      {"write directory", dir_ / "folder", [](const std::string& p) { WriteFileBytes(p, "x"); },
       "EFCreateError", "Cannot create file "},
      {"write missing parent", dir_ / "none\\x.txt",
       [](const std::string& p) { WriteFileBytes(p, "x"); }, "EFCreateError",
       "Cannot create file "},
      {"replace directory", dir_ / "folder", [](const std::string& p) { ReplaceFileBytes(p, "x"); },
       "EFCreateError", "Cannot create file "},
      {"replace read-only", dir_ / "ro.txt", [](const std::string& p) { ReplaceFileBytes(p, "x"); },
       "EFCreateError", "Cannot create file "},
      {"replace missing parent", dir_ / "none\\x.txt",
       [](const std::string& p) { ReplaceFileBytes(p, "x"); }, "EFCreateError",
       "Cannot create file "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(FailureOf([&] { row.action(row.path); }), row.kind + " " + row.message + row.path);
    EXPECT_EQ(ReadTree(dir_.path()), (Tree{{"folder\\", ""}, {"ro.txt", "old"}}))
        << "nothing changed, no temporary file left";
  }
}

TEST_F(PlatformFiles, WriteRefusesAReadOnlyTarget) {
  if (!ReadOnlyFilesAreRefused()) {
    GTEST_SKIP() << "Wine run as root opens a read-only file for writing where Windows refuses";
  }
  WriteFile(dir_ / "ro.txt", "old");
  SetReadOnly(dir_ / "ro.txt", true);
  EXPECT_EQ(FailureOf([&] { WriteFileBytes(dir_ / "ro.txt", "new"); }),
            "EFCreateError Cannot create file " + (dir_ / "ro.txt"));
  EXPECT_EQ(ReadFile(dir_ / "ro.txt"), "old");
}

#ifndef _WIN32
TEST(PosixPort, AShortWriteRaisesAStreamWriteError) {
  EXPECT_EQ(FailureOf([] { WriteFileBytes("\\dev\\full", "x"); }),
            "EWriteError Stream write error");
}

TEST(PosixPort, CommandLineQuotesEmptyArgumentsAndThoseWithBlanks) {
  char program[] = "orxconfigc";
  char spaced[] = "a b";
  char empty[] = "";
  char quote[] = "x\"y";
  char tab[] = "t\tu";
  char plain[] = "/s";
  char* argv[] = {program, spaced, empty, quote, tab, plain};
  RememberProcessArguments(6, argv);
  EXPECT_EQ(CommandLineText(), "orxconfigc \"a b\" \"\" x\"y \"t\tu\" /s");
}
#endif

TEST(ExpandPath, CompletesFromTheCurrentDirectoryWithinTheNarrowLimit) {
  std::string current = std::filesystem::current_path().string();
  std::replace(current.begin(), current.end(), '/', '\\');
  if (current.back() == '\\') {
    current.pop_back();
  }
  const std::string long259 = "c:\\" + std::string(256, 'a');
  struct Row {
    std::string path;
    std::string expanded;
  };
  const Row rows[] = {
      {"", ""},
      {"rel", current + "\\rel"},
      {long259, long259},
      {long259 + "a", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(ExpandPath(row.path), row.expanded);
  }
}

TEST(EqualIgnoringCase, IgnoresLetterCaseAndKeysAgree) {
  struct Row {
    std::string a;
    std::string b;
    bool equal;
  };
  const Row rows[] = {
      {"", "", true},
      {"ServerPath", "serverpath", true},
      {"\xC9t\xC9", "\xE9t\xE9", true},  // E acute
      {"\xC9", "E", false},
      {"abc", "abcd", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.a + " / " + row.b);
    EXPECT_EQ(EqualIgnoringCase(row.a, row.b), row.equal);
    EXPECT_EQ(EqualIgnoringCase(row.b, row.a), row.equal);
    EXPECT_EQ(EqualityKeyOf(row.a) == EqualityKeyOf(row.b), row.equal);
  }
}

TEST(ReadEnvironment, GivesLongValuesWholeAndEmptyForUnset) {
  const std::string value(3000, 'v');
#ifdef _WIN32
  _putenv_s("ORX_PLATFORM_TEST", value.c_str());
#else
  setenv("ORX_PLATFORM_TEST", value.c_str(), 1);
#endif
  EXPECT_EQ(ReadEnvironment("ORX_PLATFORM_TEST"), value);
  EXPECT_EQ(ReadEnvironment("ORX_PLATFORM_TEST_UNSET_NAME"), "");
}

TEST(LocalNow, MatchesTheCalendarClock) {
  // The precise clock, not std::time: glibc's time() reads a coarse clock that can lag the
  // precise one by a few milliseconds across a second's boundary.
  using Clock = std::chrono::system_clock;
  const std::time_t before = Clock::to_time_t(Clock::now());
  const LocalTime now = LocalNow();
  const std::time_t after = Clock::to_time_t(Clock::now());
  bool matched = false;
  for (std::time_t t = before; t <= after && !matched; ++t) {
    const std::tm* parts = std::localtime(&t);
    matched = parts->tm_year + 1900 == now.year && parts->tm_mon + 1 == now.month &&
              parts->tm_mday == now.day && parts->tm_hour == now.hour &&
              parts->tm_min == now.minute && parts->tm_sec == now.second;
  }
  EXPECT_TRUE(matched) << now.year << "-" << now.month << "-" << now.day << " " << now.hour << ":"
                       << now.minute << ":" << now.second;
  EXPECT_GE(now.millisecond, 0);
  EXPECT_LT(now.millisecond, 1000);
}

void FirstMarker() {}
void SecondMarker() {
  std::puts("");
}

TEST(ModuleInformation, NamesTheProgramAndMeasuresOffsetsFromItsImage) {
  EXPECT_EQ(ModuleFileName().rfind("orx_unit_tests", 0), 0u) << ModuleFileName();
  EXPECT_EQ(ModuleFileName().find_first_of("\\/"), std::string::npos);
  const auto first = reinterpret_cast<std::uintptr_t>(&FirstMarker);
  const auto second = reinterpret_cast<std::uintptr_t>(&SecondMarker);
  const std::uint32_t firstOffset = CodeOffsetOf(reinterpret_cast<const void*>(first));
  const std::uint32_t secondOffset = CodeOffsetOf(reinterpret_cast<const void*>(second));
  EXPECT_NE(firstOffset, 0u);
  EXPECT_EQ(static_cast<std::uintptr_t>(secondOffset) - firstOffset, second - first);
}

void ReportFaultAndExit(const char* kind, const char* message, std::uint32_t codeOffset) {
  std::fprintf(stderr, "fault %s: %s at %s\n", kind, message, codeOffset != 0 ? "code" : "zero");
  std::fflush(stderr);
  std::_Exit(7);
}

TEST(InstallFaultHandler, HandsAnInvalidAccessToTheReporter) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizers take invalid accesses before any handler of the program";
#endif
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        InstallFaultHandler(ReportFaultAndExit);
        volatile std::uintptr_t nowhere = 0;
        *reinterpret_cast<volatile int*>(nowhere) = 1;
      },
      ::testing::ExitedWithCode(7), "fault EAccessViolation: Access violation at code");
}

}  // namespace
}  // namespace orx
