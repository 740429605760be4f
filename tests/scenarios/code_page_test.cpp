// A Japanese workstation (code page 932), whose characters may carry the backslash or a letter as
// their second byte: the folder named gets the data, the settings and the redirection.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include "sandbox_scenario.h"

namespace orx::testing {
namespace {

using CodePageScenario = SandboxScenario;

TEST_F(CodePageScenario, AJapaneseNameReachesTheFolderItNamesAndNothingBesideIt) {
#ifndef _WIN32
  GTEST_SKIP() << "the host build's text is UTF-8, whose characters hold no ASCII byte";
#else
  // A program Wine starts from this one runs in this one's code page.
  if (GetACP() != 932) {
    GTEST_SKIP() << "needs Wine started with LC_ALL=ja_JP.UTF-8 (the test scenarios_932)";
  }
#endif
  const std::string settings = "[Setup]\r\nVersion=3\r\n";
  // Names in UTF-8 (as the tree helpers and Wine's command line take them): 表計算.txt and
  // ソフト\表\能力.txt; in code page 932 表 is 95 5C, ソ 83 5C, ア 83 41.
  const Tree installation = WithDirectories(
      {{"orx.ini", settings},
       {"orx.inf", "Ormatide 3.0\r\n"},
       {"Data\\\xE8\xA1\xA8\xE8\xA8\x88\xE7\xAE\x97.txt", "sheet\r\n"},
       {"Data\\\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88\\\xE8\xA1\xA8\\\xE8\x83\xBD\xE5\x8A\x9B.txt",
        "skill\r\n"}});
  // The home folder's name in UTF-8 and as the program shows and stores it, in code page 932.
  const std::pair<std::string, std::string> rows[] = {
      {"\xE8\xA1\xA8", "\x95\x5C"}, {"\xE3\x82\xA2\xE3\x82\xA4", "\x83\x41\x83\x43"}, {"p", "p"}};
  for (const auto& [utf8, cp932] : rows) {
    SCOPED_TRACE(cp932);
    ScopedTempDir sandbox;
    WriteUtf8Tree(sandbox / "inst\\", installation);
    RunOptions options = Options();
    options.utf8Arguments = true;
    const ProgramResult result =
        RunProgram({"/v" + sandbox / "inst", "/r" + sandbox / "home\\" + utf8}, options);

    const std::string shown = sandbox / "home\\" + cp932 + "\\";
    EXPECT_EQ(result.output,
              Report(kConfigured, {kNoRights, RedirectionEstablished(shown), DataCopiedTo(shown)}));
    Tree expected = {{utf8 + "\\", ""}};
    for (const auto& [name, content] : installation) {
      expected[utf8 + "\\" + name] = name == "orx.ini" ? settings + "\r\n" : content;
    }
    EXPECT_EQ(ReadUtf8Tree(sandbox / "home\\"), expected);
    EXPECT_EQ(ReadFile(sandbox / "inst\\orx.ini"),
              settings + "Redirect=" + shown.substr(0, shown.size() - 1) + "\r\n\r\n");
  }
}

}  // namespace
}  // namespace orx::testing
