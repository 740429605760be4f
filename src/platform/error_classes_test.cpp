#include "platform/error_classes.h"

#include <gtest/gtest.h>

namespace orx {
namespace {

constexpr CallKind kLook = CallKind::kLook;
constexpr CallKind kRename = CallKind::kRenameOrRemove;
constexpr CallKind kChange = CallKind::kChange;
using E = ErrorClass;

// Each Windows answer the program meets, its meaning for the call, and the same through the errno
// the POSIX port gives for it.
TEST(ErrorClasses, WindowsAnswersAndTheirPosixEquivalentsMeanTheSame) {
  struct Row {
    unsigned code;
    CallKind call;
    bool targetRefusing;
    ErrorClass meaning;
  };
  const Row rows[] = {
      {2, kLook, false, E::kNotThere},      {3, kLook, false, E::kNotThere},
      {267, kLook, false, E::kNotThere},    {53, kLook, false, E::kUnreachable},
      {64, kLook, false, E::kUnreachable},  {67, kLook, false, E::kUnreachable},
      {121, kLook, false, E::kUnreachable}, {1231, kLook, false, E::kUnreachable},
      {32, kChange, false, E::kHeld},       {33, kLook, false, E::kHeld},
      {5, kRename, false, E::kHeld},        {5, kRename, true, E::kRefused},
      {5, kChange, false, E::kRefused},     {19, kChange, false, E::kRefused},
      {112, kChange, false, E::kFull},      {183, kChange, false, E::kOther},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.code);
    EXPECT_EQ(ClassOfWindowsError(row.code, row.call, row.targetRefusing), row.meaning);
    EXPECT_EQ(ClassOfPosixError(PosixErrorOf(row.code), row.call, row.targetRefusing), row.meaning);
  }
}

TEST(ErrorClasses, RootOfIsTheDriveOrTheShareAPathLiesUnder) {
  const std::pair<const char*, const char*> rows[] = {
      {"h:\\ormatide\\orx.ini", "h:\\"},
      {"\\\\fs\\home\\jo\\x", "\\\\fs\\home\\"},
      {"\\\\fs\\home\\", ""},
      {"\\ormatide", "\\"},
      {"ormatide\\orx.ini", ""},
  };
  for (const auto& [path, root] : rows) {
    EXPECT_EQ(RootOf(path), root) << path;
  }
}

TEST(ErrorClasses, TheRetryPolicyWaitsForWhatMayClearAndWithinItsCaps) {
  struct Row {
    ErrorClass meaning;
    CallKind call;
    unsigned tries;
    std::uint64_t waited, runLeft;
    unsigned pause;
  };
  const Row rows[] = {
      {E::kHeld, kRename, 3, 70, 8000, 40},      {E::kHeld, kLook, 9, 900, 8000, 250},
      {E::kHeld, kRename, 9, 1900, 8000, 100},   {E::kHeld, kRename, 20, 2000, 8000, 0},
      {E::kHeld, kChange, 5, 100, 30, 30},       {E::kUnreachable, kLook, 3, 40, 8000, 60},
      {E::kUnreachable, kLook, 4, 100, 8000, 0}, {E::kUnreachable, kChange, 1, 0, 8000, 0},
      {E::kNotThere, kLook, 1, 0, 8000, 0},      {E::kRefused, kRename, 1, 0, 8000, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(static_cast<int>(row.meaning)) + " try " +
                 std::to_string(row.tries));
    EXPECT_EQ(RetryPause(row.meaning, row.call, row.tries, row.waited, row.runLeft), row.pause);
  }
}

}  // namespace
}  // namespace orx
