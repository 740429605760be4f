#include "platform/error_classes.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace orx {
namespace {

constexpr CallKind kLook = CallKind::kLook;
constexpr CallKind kRename = CallKind::kRenameOrRemove;
constexpr CallKind kChange = CallKind::kChange;

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
      {2, kLook, false, ErrorClass::kNotThere},
      {3, kLook, false, ErrorClass::kNotThere},
      {267, kLook, false, ErrorClass::kNotThere},
      {53, kLook, false, ErrorClass::kUnreachable},
      {64, kLook, false, ErrorClass::kUnreachable},
      {67, kLook, false, ErrorClass::kUnreachable},
      {121, kLook, false, ErrorClass::kUnreachable},
      {1231, kLook, false, ErrorClass::kUnreachable},
      {59, kChange, false, ErrorClass::kUnreachable},
      {32, kChange, false, ErrorClass::kHeld},
      {33, kLook, false, ErrorClass::kHeld},
      {5, kRename, false, ErrorClass::kHeld},
      {5, kRename, true, ErrorClass::kRefused},
      {5, kChange, false, ErrorClass::kRefused},
      {19, kChange, false, ErrorClass::kRefused},
      {112, kChange, false, ErrorClass::kFull},
      {39, kChange, false, ErrorClass::kFull},
      {183, kChange, false, ErrorClass::kOther},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.code);
    EXPECT_EQ(ClassOfWindowsError(row.code, row.call, row.targetRefusing), row.meaning);
    EXPECT_EQ(ClassOfPosixError(PosixErrorOf(row.code), row.call, row.targetRefusing), row.meaning);
  }
  EXPECT_EQ(ClassOfWindowsError(123, kLook, false), ErrorClass::kNotThere)
      << "a name Windows refuses";
  EXPECT_EQ(ClassOfPosixError(EIO, kLook, false), ErrorClass::kOther);
}

TEST(ErrorClasses, RootOfIsTheDriveOrTheShareAPathLiesUnder) {
  const std::pair<const char*, const char*> rows[] = {
      {"h:\\ormatide\\orx.ini", "h:\\"},
      {"H:ormatide", "H:\\"},
      {"\\\\fs\\home\\jo\\x", "\\\\fs\\home\\"},
      {"\\\\fs\\home\\", ""},
      {"\\\\fs", ""},
      {"h:\\", ""},
      {"ormatide\\orx.ini", ""},
      {"\\ormatide", "\\"},
  };
  for (const auto& [path, root] : rows) {
    SCOPED_TRACE(path);
    EXPECT_EQ(RootOf(path), root);
  }
}

TEST(ErrorClasses, TheRetryPolicyWaitsForWhatMayClearAndWithinItsCaps) {
  struct Row {
    ErrorClass meaning;
    CallKind call;
    unsigned tries;
    std::uint64_t waited;
    std::uint64_t runLeft;
    unsigned pause;
  };
  const Row rows[] = {
      {ErrorClass::kHeld, kRename, 1, 0, 8000, 10},
      {ErrorClass::kHeld, kChange, 3, 70, 8000, 40},
      {ErrorClass::kHeld, kLook, 9, 900, 8000, 250},
      {ErrorClass::kHeld, kRename, 9, 1900, 8000, 100},
      {ErrorClass::kHeld, kRename, 20, 2000, 8000, 0},
      {ErrorClass::kHeld, kRename, 5, 100, 30, 30},
      {ErrorClass::kUnreachable, kLook, 1, 0, 8000, 10},
      {ErrorClass::kOther, kLook, 3, 40, 8000, 60},
      {ErrorClass::kUnreachable, kLook, 4, 100, 8000, 0},
      {ErrorClass::kUnreachable, kChange, 1, 0, 8000, 0},
      {ErrorClass::kNotThere, kLook, 1, 0, 8000, 0},
      {ErrorClass::kRefused, kRename, 1, 0, 8000, 0},
      {ErrorClass::kFull, kChange, 1, 0, 8000, 0},
      {ErrorClass::kOther, kLook, 1, 0, 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(static_cast<int>(row.meaning)) + " try " +
                 std::to_string(row.tries));
    EXPECT_EQ(RetryPause(row.meaning, row.call, row.tries, row.waited, row.runLeft), row.pause);
  }
}

}  // namespace
}  // namespace orx
