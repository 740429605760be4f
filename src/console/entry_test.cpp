#include "console/entry.h"

#include <gtest/gtest.h>

#include "base/raised_failure.h"
#include "platform/platform.h"

namespace orx {
namespace {

TEST(Entry, FailureTextForEachKind) {
  struct Row {
    const char* kind;
    std::string message;
    std::uint32_t offset;
    std::string expected;
  };
  const Row rows[] = {
      {kFileOpenError, "Cannot open file c:\\a\\orx.ini", 0x1A2B,
       "Exception EFOpenError in module orxconfigc.exe at 00001A2B.\nCannot open file "
       "c:\\a\\orx.ini."},
      {kFileCreateError, "Cannot create file orx.ini", 0xDEADBEEF,
       "Exception EFCreateError in module orxconfigc.exe at DEADBEEF.\nCannot create file "
       "orx.ini."},
      {kWriteError, "Stream write error", 0,
       "Exception EWriteError in module orxconfigc.exe at 00000000.\nStream write error."},
      {kOutOfMemory, "Out of memory", 16,
       "Exception EOutOfMemory in module orxconfigc.exe at 00000010.\nOut of memory."},
      {kInOutError, "Disk full.", 1,
       "Exception EInOutError in module orxconfigc.exe at 00000001.\nDisk full."},
      {kInOutError, "", 2, "Exception EInOutError in module orxconfigc.exe at 00000002.\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.kind);
    EXPECT_EQ(FailureText(row.kind, "orxconfigc.exe", row.offset, row.message), row.expected);
  }
}

TEST(Entry, RaisedFailureCarriesKindMessageAndTheRaisingLocation) {
  try {
    RaiseFailure(kFileOpenError, MessageWithName("Cannot open file %s", "x.ini"));
    FAIL() << "nothing raised";
  } catch (const RaisedFailure& failure) {
    EXPECT_EQ(failure.kind(), "EFOpenError");
    EXPECT_STREQ(failure.what(), "Cannot open file x.ini");
    EXPECT_NE(CodeOffsetOf(failure.codeAddress()), 0u);
  }
}

}  // namespace
}  // namespace orx
