// The record of one run that /l appends to a log: when, where, by whom and with what the program
// ran, what it printed, what its report cannot say, and how it ended.
#pragma once

#include <string>

#include "platform/platform.h"

namespace orx {

// What one record tells; texts in the program's 8-bit form.
struct RunRecord {
  bool checkOnly = false;  // /n: the record of a check, "Check: …" in place of "Run: …"
  ZonedTime time;
  std::string computer;
  std::string user;
  std::string program;          // the program's file name and version: "orxconfigc.exe 3.0"
  std::string commandLine;      // the process's command line as it was given
  std::string printed;          // the report or the failure text, without its line end
  SystemFailure failedCall;     // the call that decided the failed step; code 0: none, or a
                                // refusal by the program's own rule (its refusal says why)
  std::string systemErrorText;  // the system's text for its code
  int exitStatus = 0;
};

// The record as lines ended by CR LF, the printed text's lines as they are, and an empty line
// after the last, which parts it from the next record.
std::string RunRecordText(const RunRecord& record);
// The computer a record names: COMPUTERNAME, which Windows sets at logon and a login script
// names a log after, else the system's own name.
std::string RecordedComputerName();
// Appends the record to the log in UTF-8, in one write, with the printed text's escapes shown as
// standard output shows them and the system's text for the failed call. A log that cannot be
// written leaves the run as it was: this never raises, and says nothing.
void AppendRunRecord(const std::string& logFile, const RunRecord& record);

}  // namespace orx
