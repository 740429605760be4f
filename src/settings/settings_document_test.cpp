#include "settings/settings_document.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "base/raised_failure.h"
#include "base/text_encoding.h"
#include "failure_of.h"
#include "platform/platform.h"
#include "test_files.h"

namespace orx {
namespace {

using testing::FailureOf;
using testing::ReadFile;
using testing::ReadTree;
using testing::ScopedTempDir;
using testing::SetReadOnly;
using testing::Tree;
using testing::WriteFile;

struct RoundTripRow {
  const char* what;
  std::string before;
  std::string after;
};

TEST(SettingsDocument, LoadAndSaveRewriteTheFileInTheFixedLayout) {
  const std::vector<RoundTripRow> rows = {
      {"comment and key before the first header, then two sections",
       ";settings\r\nVersion=3\r\n[Setup]\r\nRedirect=s:\\shared\r\n\r\n[Server]\r\nServerAdmin=1",
       "[Setup]\r\nRedirect=s:\\shared\r\n\r\n[Server]\r\nServerAdmin=1\r\n\r\n"},
      {"only comments and lines before any header", ";one\r\nKey=1\r\n\r\n  [x]\r\n", ""},
      {"an empty file", "", ""},
      {"blank-only and leading-blank lines are kept", "[A]\r\n   \r\n  k=v\r\n ;not a comment\r\n",
       "[A]\r\n   \r\n  k=v\r\n ;not a comment\r\n\r\n"},
      {"comments and empty lines inside sections go", "[A]\r\n;c\r\n\r\n\r\nk=v\r\n;d\r\n",
       "[A]\r\nk=v\r\n\r\n"},
      {"section spelling and empty names survive", "[setup]\r\nredirect=x\r\n[]\r\n[ a b ]\r\n",
       "[setup]\r\nredirect=x\r\n\r\n[]\r\n\r\n[ a b ]\r\n\r\n"},
      {"a header with blanks or a comment around it is an ordinary line",
       "[A]\r\n[B] \r\nk=v\r\n [C]\r\n[D];c\r\n", "[A]\r\n[B] \r\nk=v\r\n [C]\r\n[D];c\r\n\r\n"},
      {"lines without = and further = survive", "[A]\r\nplain\r\nk=a=b\r\n=\r\n",
       "[A]\r\nplain\r\nk=a=b\r\n=\r\n\r\n"},
      {"a lone [ or ] is no header", "[A]\r\n[\r\n]\r\n", "[A]\r\n[\r\n]\r\n\r\n"},
      {"duplicate sections and keys are kept", "[S]\r\na=1\r\na=2\r\n[s]\r\na=3\r\n",
       "[S]\r\na=1\r\na=2\r\n\r\n[s]\r\na=3\r\n\r\n"},
      {"line feeds only", "[A]\na=1\nb=2\n", "[A]\r\na=1\r\nb=2\r\n\r\n"},
      {"carriage returns only", "[A]\ra=1\rb=2", "[A]\r\na=1\r\nb=2\r\n\r\n"},
      {"line feed then carriage return", "[A]\n\ra=1\n\r", "[A]\r\na=1\r\n\r\n"},
      {"a zero byte ends the text", std::string("[A]\r\na=1\r\nb=2\0c=3\r\n[B]\r\nd=4\r\n", 27),
       "[A]\r\na=1\r\nb=2\r\n\r\n"},
      {"a UTF-8 mark stays and hides no header", "\xEF\xBB\xBF[A]\r\na=1\r\n[B]\r\nb=2\r\n",
       "\xEF\xBB\xBF[A]\r\na=1\r\n\r\n[B]\r\nb=2\r\n\r\n"},
      {"8-bit bytes pass unchanged", "[\xC4rger]\r\n\xE9=\xFF\x80\r\n",
       "[\xC4rger]\r\n\xE9=\xFF\x80\r\n\r\n"},
  };
  for (const RoundTripRow& row : rows) {
    SCOPED_TRACE(row.what);
    ScopedTempDir dir;
    const std::string file = dir / "orx.ini";
    WriteFile(file, row.before);
    OpenSettingsDocument(file).Save();
    EXPECT_EQ(ReadFile(file), row.after);
    // The layout is a fixed point: a second round trip changes nothing.
    OpenSettingsDocument(file).Save();
    EXPECT_EQ(ReadFile(file), row.after);
  }
}

TEST(SettingsDocument, MarkedFilesKeepTheirEncodingAndEveryLine) {
  using namespace std::string_literals;
  // A character outside the code page, a lone surrogate, the escapes' lead before digit-like
  // units; after a zero unit nothing is read.
  const std::u16string name = u"Dvo\u0159\u00E1k \u65E5\u672C";
  const std::u16string display =
      u"[Display]\r\nName=" + name + u"\r\nOdd=\xD800\x0001\x0010\x0011\x0012\x0013\r\n";
  const std::u16string before = u";c\r\n[Setup]\r\nLanguage=de\r\n" + display + u"\0[Lost]\r\n"s;
  const std::u16string after =
      u"[Setup]\r\nLanguage=de\r\nRedirect=s:\\x\r\n\r\n" + display + u"\r\n";
  for (const TextEncoding encoding :
       {TextEncoding::kUtf8, TextEncoding::kUtf16Le, TextEncoding::kUtf16Be}) {
    SCOPED_TRACE(FileOfUnits(u"", encoding));
    ScopedTempDir dir;
    const std::string file = dir / "orx.ini";
    WriteFile(file, FileOfUnits(before, encoding));
    SettingsDocument document = OpenSettingsDocument(file);
    EXPECT_EQ(document.ReadText("Display", "Name", ""), TextOfUnits(name));
    document.WriteText("Setup", "Redirect", "s:\\x");
    document.Save();
    EXPECT_EQ(ReadFile(file), FileOfUnits(after, encoding));
    EXPECT_EQ(SettingsDocument(file, {}, encoding).Text(), FileOfUnits(u"", encoding));
  }
}

TEST(SettingsDocument, MissingFileIsEmptyAndSaveCreatesZeroBytes) {
  ScopedTempDir dir;
  const std::string file = dir / "orx.ini";
  SettingsDocument document = OpenSettingsDocument(file);
  EXPECT_EQ(document.fileName(), file);
  EXPECT_TRUE(document.sections().empty());
  EXPECT_EQ(document.ReadText("Setup", "Redirect", "none"), "none");
  EXPECT_EQ(document.ReadNumber("Setup", "Redirect", 7), 7);
  EXPECT_FALSE(testing::FileExists(file));
  document.Save();
  EXPECT_TRUE(testing::FileExists(file));
  EXPECT_EQ(ReadFile(file), "");
}

TEST(SettingsDocument, DirectoryOfTheNameLoadsAsEmptyDocument) {
  ScopedTempDir dir;
  testing::MakeDirectories(dir / "orx.ini");
  EXPECT_TRUE(OpenSettingsDocument(dir / "orx.ini").sections().empty());
  EXPECT_TRUE(OpenSettingsDocument("").sections().empty());
}

SettingsDocument Loaded(const std::string& text) {
  return SettingsDocumentFromText("orx.ini", text);
}

TEST(SettingsDocument, NamesMatchWithoutCaseAndKeepTheirSpelling) {
  SettingsDocument document = Loaded("[setup]\r\nredirect=x\r\n");
  EXPECT_EQ(document.ReadText("Setup", "Redirect", "-"), "x");
  EXPECT_EQ(document.ReadText("SETUP", "REDIRECT", "-"), "x");
  document.WriteText("Setup", "Redirect", "y");
  EXPECT_EQ(document.Text(), "[setup]\r\nRedirect=y\r\n\r\n");
}

TEST(SettingsDocument, NamesAndValuesAreNeverTrimmed) {
  SettingsDocument document = Loaded("[Setup]\r\nRedirect =a\r\n Redirect=b\r\nPath= s:\\x \r\n");
  EXPECT_EQ(document.ReadText("Setup", "Redirect", "-"), "-");
  EXPECT_EQ(document.ReadText("Setup", "Redirect ", "-"), "a");
  EXPECT_EQ(document.ReadText("Setup", " Redirect", "-"), "b");
  EXPECT_EQ(document.ReadText("Setup", "Path", "-"), " s:\\x ");
  EXPECT_EQ(document.ReadText(" Setup", "Path", "-"), "-");
  document.WriteText("Setup", "Redirect", "c");
  EXPECT_EQ(document.Text(),
            "[Setup]\r\nRedirect =a\r\n Redirect=b\r\nPath= s:\\x \r\nRedirect=c\r\n\r\n");
}

TEST(SettingsDocument, EmptyValueIsNotTheDefault) {
  const SettingsDocument document = Loaded("[Setup]\r\nRedirect=\r\nCount=\r\n");
  EXPECT_EQ(document.ReadText("Setup", "Redirect", "-"), "");
  EXPECT_EQ(document.ReadNumber("Setup", "Count", 9), 9);
}

TEST(SettingsDocument, LinesWithoutEqualsSignArePassedOver) {
  SettingsDocument document = Loaded("[A]\r\nKey\r\nKey=1\r\n");
  EXPECT_EQ(document.ReadText("A", "Key", "-"), "1");
  document.WriteText("A", "Key", "2");
  document.RemoveKey("A", "Plain");
  EXPECT_EQ(document.SectionLines("A"), (TextLines{"Key", "Key=2"}));
}

TEST(SettingsDocument, OnlyTheFirstSectionOfDuplicatesIsAddressed) {
  SettingsDocument document = Loaded("[Setup]\r\nRedirect=a\r\n[SETUP]\r\nRedirect=b\r\n");
  EXPECT_EQ(document.ReadText("Setup", "Redirect", "-"), "a");
  document.WriteText("setup", "Other", "1");
  EXPECT_EQ(document.SectionLines("Setup"), (TextLines{"Redirect=a", "Other=1"}));
  document.RemoveSection("Setup");
  EXPECT_EQ(document.ReadText("Setup", "Redirect", "-"), "b");
  EXPECT_EQ(document.Text(), "[SETUP]\r\nRedirect=b\r\n\r\n");
}

TEST(SettingsDocument, OnlyTheFirstOfDuplicateKeysIsAddressed) {
  SettingsDocument document = Loaded("[Setup]\r\nRedirect=a\r\nx\r\nredirect=b\r\n");
  document.WriteText("Setup", "REDIRECT", "c");
  EXPECT_EQ(document.SectionLines("Setup"), (TextLines{"REDIRECT=c", "x", "redirect=b"}));
  document.RemoveKey("Setup", "Redirect");
  EXPECT_EQ(document.ReadText("Setup", "Redirect", "-"), "b");
  EXPECT_EQ(document.SectionLines("Setup"), (TextLines{"x", "redirect=b"}));
}

TEST(SettingsDocument, RemoveKeyOfTheLastLineLeavesAnEmptySection) {
  SettingsDocument document = Loaded("[Setup]\r\nRedirect=a\r\n[Server]\r\nServerAdmin=1\r\n");
  document.RemoveKey("Setup", "Redirect");
  document.RemoveKey("Setup", "Redirect");
  document.RemoveKey("Missing", "Redirect");
  document.RemoveSection("Missing");
  EXPECT_TRUE(document.SectionLines("Setup").empty());
  EXPECT_EQ(document.Text(), "[Setup]\r\n\r\n[Server]\r\nServerAdmin=1\r\n\r\n");
}

TEST(SettingsDocument, WriteIntoMissingSectionAppendsItAtTheEnd) {
  SettingsDocument document = Loaded("[Server]\r\nServerAdmin=1\r\n[Other]\r\n");
  document.WriteText("Setup", "Redirect", "s:\\shared");
  document.WriteText("setup", "More", "");
  EXPECT_EQ(document.Text(),
            "[Server]\r\nServerAdmin=1\r\n\r\n[Other]\r\n\r\n[Setup]\r\nRedirect=s:\\shared\r\n"
            "More=\r\n\r\n");
}

TEST(SettingsDocument, NumbersAreWrittenInPlainDecimalAndReadBack) {
  const std::vector<std::int32_t> values = {-5, 0, 1, 2, INT32_MIN, INT32_MAX};
  for (const std::int32_t value : values) {
    SCOPED_TRACE(value);
    SettingsDocument document("orx.ini");
    document.WriteNumber("Server", "ServerAdmin", value);
    EXPECT_EQ(document.ReadText("Server", "ServerAdmin", "-"), std::to_string(value));
    EXPECT_EQ(document.ReadNumber("Server", "ServerAdmin", 42), value);
  }
  const SettingsDocument document = Loaded("[S]\r\nHex=$10\r\nBad=1x\r\nBlank= 3\r\n");
  EXPECT_EQ(document.ReadNumber("S", "Hex", 0), 16);
  EXPECT_EQ(document.ReadNumber("S", "Bad", -1), -1);
  EXPECT_EQ(document.ReadNumber("S", "Blank", 0), 3);
}

TEST(SettingsDocument, SaveIntoMissingDirectoryRaisesCannotCreate) {
  ScopedTempDir dir;
  const std::string file = dir / "missing\\orx.ini";
  SettingsDocument document(file);
  document.WriteText("Setup", "Redirect", "x");
  EXPECT_EQ(FailureOf([&] { document.Save(); }), "EFCreateError Cannot create file " + file);
  EXPECT_EQ(document.Text(), "[Setup]\r\nRedirect=x\r\n\r\n");
  EXPECT_EQ(ReadTree(dir.path()), Tree{});
}

TEST(SettingsDocument, SaveOverDirectoryOfTheNameRaisesCannotCreateAndLeavesNoTemporary) {
  ScopedTempDir dir;
  const std::string file = dir / "orx.ini";
  WriteFile(dir / "orx.ini\\inner.txt", "kept");
  EXPECT_EQ(FailureOf([&] { SettingsDocumentFromText(file, "[A]\r\nk=v\r\n").Save(); }),
            "EFCreateError Cannot create file " + file);
  EXPECT_EQ(ReadTree(dir.path()), (Tree{{"orx.ini\\", ""}, {"orx.ini\\inner.txt", "kept"}}));
}

TEST(SettingsDocument, FailedSaveLeavesThePreviousFileAndNoTemporary) {
  ScopedTempDir dir;
  const std::string file = dir / "orx.ini";
  const std::string before = ";old\r\n[Setup]\nRedirect=s:\\old";
  WriteFile(file, before);
  SettingsDocument document = OpenSettingsDocument(file);
  document.WriteText("Setup", "Redirect", "s:\\new");
  SetReadOnly(file, true);
  EXPECT_EQ(FailureOf([&] { document.Save(); }), "EFCreateError Cannot create file " + file)
      << "Save over a read-only file";
  SetReadOnly(file, false);
  EXPECT_EQ(ReadTree(dir.path()), (Tree{{"orx.ini", before}}));
  // The document in memory is unchanged by the failure and can still be saved.
  document.Save();
  EXPECT_EQ(ReadTree(dir.path()), (Tree{{"orx.ini", "[Setup]\r\nRedirect=s:\\new\r\n\r\n"}}));
}

TEST(SettingsDocument, SaveReplacesOnlyTheFileItLoaded) {
  // The file when the document was loaded, and what another program left there before the save;
  // "-" for no file.
  for (const auto& [loaded, meanwhile] :
       std::vector<std::pair<std::string, std::string>>{{"-", "-"},
                                                        {"-", "[B]\r\n"},
                                                        {"[A]\r\n", "[A]\r\n"},
                                                        {"[A]\r\n", "[A]\r\nk=1\r\n"},
                                                        {"[A]\r\n", "-"}}) {
    SCOPED_TRACE(loaded + " then " + meanwhile);
    ScopedTempDir dir;
    const std::string file = dir / "orx.ini";
    if (loaded != "-") {
      WriteFile(file, loaded);
    }
    SettingsDocument document = OpenSettingsDocument(file);
    std::remove(testing::NativePath(file).c_str());
    if (meanwhile != "-") {
      WriteFile(file, meanwhile);
    }
    const Tree before = ReadTree(dir.path());
    const bool unchanged = loaded == meanwhile;
    EXPECT_EQ(FailureOf([&] { document.Save(); }),
              unchanged ? "" : "EFCreateError Cannot create file " + file);
    EXPECT_EQ(ReadTree(dir.path()), (unchanged ? Tree{{"orx.ini", document.Text()}} : before));
  }
}

TEST(SettingsDocument, ARunKnowsItsFilesUnderEverySpellingAndReadsEachOnce) {
  ScopedTempDir dir;
  const std::string file = dir / "orx.ini";
  const std::string otherSpelling = dir.path() + ".\\ORX.INI";
  WriteFile(file, "[A]\r\nk=1\r\n");
  {
    const SettingsFilesOfRun run;
    SettingsDocument first = OpenSettingsDocument(file);
    first.WriteText("A", "k", "2");
    first.Save();
    // Another program writes after the run's save: the run goes on from what it wrote itself.
    WriteFile(file, "[Z]\r\n");
    SettingsDocument second = OpenSettingsDocument(otherSpelling);
    EXPECT_EQ(second.ReadText("A", "k", ""), "2");
    EXPECT_EQ(FailureOf([&] { second.Save(); }),
              "EFCreateError Cannot create file " + otherSpelling);
  }
  // Outside a run every open reads the disk.
  EXPECT_EQ(OpenSettingsDocument(otherSpelling).Text(), "[Z]\r\n\r\n");
}

}  // namespace
}  // namespace orx
