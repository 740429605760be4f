#include "console/run_record.h"

#include <gtest/gtest.h>

namespace orx {
namespace {

TEST(RunRecord, TellsTheRunThenWhatWasPrintedThenWhatTheReportCannotSay) {
  RunRecord record;
  record.time = {{2026, 3, 2, 9, 5, 3, 7}, -330};
  record.computer = "WS-042";
  record.user = "jo";
  record.program = "orxconfigc.exe 3.0";
  record.commandLine = "orxconfigc.exe /s\"\\\\fs\\orx\" /l\"\\\\fs\\logs\\WS-042.log\" /e";
  record.printed = "Ormatide configuration failed.\r\nFile copy from \"a\\\" to \"b\\\" failed.";
  record.failedCall.path = "b\\Data\\~ox1A2B";
  record.failedCall.code = 5;
  record.systemErrorText = "Access is denied";
  record.exitStatus = 2;
  EXPECT_EQ(RunRecordText(record),
            "Run: 2026-03-02 09:05:03 -05:30\r\nComputer: WS-042\r\nUser: jo\r\n"
            "Program: orxconfigc.exe 3.0\r\n"
            "Command line: orxconfigc.exe /s\"\\\\fs\\orx\" /l\"\\\\fs\\logs\\WS-042.log\" /e\r\n"
            "Ormatide configuration failed.\r\nFile copy from \"a\\\" to \"b\\\" failed.\r\n"
            "Failed path: b\\Data\\~ox1A2B\r\nSystem error: 5 (Access is denied)\r\n"
            "Exit status: 2\r\n\r\n");
  // A refusal by the program's own rule names the file and why, without a system error.
  record.failedCall = SystemFailure();
  record.failedCall.path = "b\\orx.inf";
  record.failedCall.refusal = "read-only";
  EXPECT_NE(RunRecordText(record).find("\r\nFailed path: b\\orx.inf\r\nRefused: read-only\r\nExit"),
            std::string::npos);
  // A check (/n) is told apart from a run by its first line alone.
  record.checkOnly = true;
  EXPECT_EQ(RunRecordText(record).substr(0, 35), "Check: 2026-03-02 09:05:03 -05:30\r\n");
}

}  // namespace
}  // namespace orx
