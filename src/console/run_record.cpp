#include "console/run_record.h"

#include <cstdio>
#include <cstdlib>

#include "base/name_escapes.h"
#include "base/text_encoding.h"

namespace orx {

namespace {

std::string Digits(int value, int width) {
  char text[16];
  std::snprintf(text, sizeof(text), "%0*d", width, value);
  return text;
}

// "2026-12-09 14:35:07 +01:00".
std::string ZonedTimeText(const ZonedTime& time) {
  const LocalTime& t = time.local;
  const int offset = std::abs(time.utcOffsetMinutes);
  return Digits(t.year, 4) + "-" + Digits(t.month, 2) + "-" + Digits(t.day, 2) + " " +
         Digits(t.hour, 2) + ":" + Digits(t.minute, 2) + ":" + Digits(t.second, 2) + " " +
         (time.utcOffsetMinutes < 0 ? "-" : "+") + Digits(offset / 60, 2) + ":" +
         Digits(offset % 60, 2);
}

}  // namespace

std::string RunRecordText(const RunRecord& record) {
  std::string text = (record.checkOnly ? "Check: " : "Run: ") + ZonedTimeText(record.time) + "\r\n";
  text += "Computer: " + record.computer + "\r\n";
  text += "User: " + record.user + "\r\n";
  text += "Program: " + record.program + "\r\n";
  text += "Command line: " + record.commandLine + "\r\n";
  text += record.printed + "\r\n";
  if (record.failedCall.code != 0) {
    text += "Failed path: " + record.failedCall.path + "\r\n";
    text += "System error: " + std::to_string(record.failedCall.code) + " (" +
            record.systemErrorText + ")\r\n";
  } else if (!record.failedCall.refusal.empty()) {
    text += "Failed path: " + record.failedCall.path + "\r\n";
    text += "Refused: " + record.failedCall.refusal + "\r\n";
  }
  return text + "Exit status: " + std::to_string(record.exitStatus) + "\r\n\r\n";
}

std::string RecordedComputerName() {
  const std::string named = ReadEnvironment("COMPUTERNAME");
  return named.empty() ? ComputerName() : named;
}

void AppendRunRecord(const std::string& logFile, const RunRecord& record) {
  try {
    RunRecord shown = record;
    shown.printed = WithEscapesShown(record.printed);
    if (record.failedCall.code != 0) {
      shown.systemErrorText = SystemErrorText(record.failedCall.code);
    }
    AppendToFile(logFile, Utf8OfUnits(UnitsOfText(RunRecordText(shown))));
  } catch (...) {
    // Out of memory while composing the record: the run's outcome stands without it.
  }
}

}  // namespace orx
