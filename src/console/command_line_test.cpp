#include "console/command_line.h"

#include <gtest/gtest.h>

namespace orx {
namespace {

using Arguments = std::vector<std::string>;

TEST(SplitCommandLine, FollowsTheSplittingRules) {
  struct Row {
    const char* line;
    Arguments expected;
  };
  const Row rows[] = {
      {"prog", {}},
      {"prog    \t  ", {}},
      {"prog \"\" \"\"  \"\"", {}},
      {"\"c:\\program files\\orxconfigc.exe\" /a", {"/a"}},
      {"prog /s\"c:\\my server\\x\" /d", {"/sc:\\my server\\x", "/d"}},
      {"prog /s\"c:\\my server\"\\x", {"/sc:\\my server\\x"}},
      {"prog a\"b c\"d e", {"ab cd", "e"}},
      {"prog \"\"/a", {"/a"}},
      {"prog /a \"\" /x", {"/a", "/x"}},
      {"prog /a \"", {"/a"}},
      {"prog /a \"\"\" /x", {"/a", " /x"}},
      {"prog /s\"unterminated path", {"/sunterminated path"}},
      {"prog\x01/a\x1f/x", {"/a", "/x"}},
      {"prog /a \"\"\"\" /x", {"/a", "/x"}},
      // \x01\x10\x11\x15\x19 is the escape of a character the code page cannot spell ("ř").
      {"prog \x01\x10\x11\x15\x19/x \"a\x01\x10\x11\x15\x19\"\x01\x1f/a",
       {"\x01\x10\x11\x15\x19/x", "a\x01\x10\x11\x15\x19", "/a"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(SplitCommandLine(row.line), row.expected);
  }
}

TEST(SplitCommandLine, EndsTheArgumentsAtTheFirstZeroCharacter) {
  EXPECT_EQ(SplitCommandLine(std::string("prog /a\0 /x", 11)), Arguments{"/a"});
}

TEST(SplitCommandLine, CutsLongTokensAtTheLimitWithoutOverrunning) {
  const std::string plain(5000, 'a');
  EXPECT_EQ(SplitCommandLine("prog " + plain + " /x"),
            (Arguments{std::string(4096, 'a'), std::string(904, 'a'), "/x"}));

  // A quoted stretch that crosses the limit goes on, blanks included, in the next argument.
  const std::string quoted = std::string(4090, 'q') + "\"" + std::string(10, ' ') + "tail\" /x";
  EXPECT_EQ(SplitCommandLine("prog " + quoted),
            (Arguments{std::string(4090, 'q') + std::string(6, ' '), "    tail", "/x"}));

  // A quoted stretch that starts exactly at the limit starts the next argument.
  EXPECT_EQ(SplitCommandLine("prog " + std::string(4096, 'b') + "\"c d\""),
            (Arguments{std::string(4096, 'b'), "c d"}));
}

}  // namespace
}  // namespace orx
