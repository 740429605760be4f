// Linked into the test copy of the program in place of the program's own answer: counts every
// disk-changing call and fails the one that ORX_FAIL_AT names (1 for the first). ORX_COUNT_FILE,
// when set, receives after each call the number of calls so far and one line per call.
// ORX_REPLACE_END makes that call, when it is a settings replace, first leave the disk in one of
// ReplaceFileW's half-way end states: "kept" (1175; 1176 with a backup name), "gone" (1176 without
// one; a target deleted meanwhile), "aside" (1177; Wine's 1176: the old file under the backup
// name), "placed" (the new file in place, the old one under the backup name).
// A run may also be stopped, as Task Manager or a power loss stops it: ORX_STOP_AT ends the process
// at once (no clean-up, no report, no log record) just before the disk-changing call it names,
// after leaving the ORX_REPLACE_END state when that call is a settings replace; ORX_STOP_AFTER just
// after it (at the next call through either door; a run that makes no further one ends as usual).
// ORX_CHANGE_AT makes the file change under the settings replace it names, between the save's
// compare and its swap: ORX_CHANGE "gone" removes the new file, "other" writes other bytes
// (kOtherWriter) into the target.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/disk_changes.h"
#include "platform/platform.h"

namespace orx {

namespace {

std::string replacementName;
std::string backupName;

// One counted door: the calls through it, numbered from 1, and their trace. The variable failAt
// names the call that fails; countFile, when set, receives after each call the number of calls so
// far and one line per call (written at every call: a run may end without its exit handlers).
struct CountedDoor {
  const char* failAtVariable;
  const char* countFileVariable;
  long calls = 0;
  std::string trace;

  // Counts the call; true when it is the one to fail.
  bool Fails(const char* call, const std::string& path) {
    const char* failAt = std::getenv(failAtVariable);
    ++calls;
    trace += std::string(call) + ' ' + path + '\n';
    if (const char* name = std::getenv(countFileVariable)) {
      if (std::FILE* file = std::fopen(name, "wb")) {
        const std::string text = std::to_string(calls) + "\n" + trace;
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
      }
    }
    return failAt != nullptr && (calls == std::atol(failAt) || FailsAgain(call, path));
  }

  // After the k-th call, the later tries of the same call on the same path, as many as
  // ORX_FAIL_TIMES allows.
  std::string failed;
  long failures = 0;
  bool FailsAgain(const char* call, const std::string& path) {
    const char* times = std::getenv("ORX_FAIL_TIMES");
    const bool again = failures > 0 && std::string(call) + ' ' + path == failed &&
                       (times == nullptr || failures < std::atol(times));
    failures += again ? 1 : 0;
    return again;
  }

  // Records that call k fails, for FailsAgain, and hands the platform its error.
  void Refuse(const char* call, const std::string& path, unsigned fallbackCode) {
    if (failures == 0) {
      failed = std::string(call) + ' ' + path;
      failures = 1;
    }
    const char* code = std::getenv("ORX_FAIL_CODE");
    FailCallWith(call, path,
                 code != nullptr ? static_cast<unsigned>(std::atol(code)) : fallbackCode);
  }
};

// ---- Stops and changes under a save ------------------------------------------------------------

CountedDoor changes{"ORX_FAIL_AT", "ORX_COUNT_FILE", 0, {}, {}, 0};
// What another writer puts into a settings file under a save.
constexpr char kOtherWriter[] = "[Other]\r\nWriter=2\r\n\r\n";
// The exit status of a stopped run.
constexpr int kStoppedStatus = 86;

long NumberIn(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr ? std::atol(value) : 0;
}

// Ends the process at once once the call ORX_STOP_AFTER names has been made, before the next call
// through either door.
void StopAfterEarlierCall() {
  const long after = NumberIn("ORX_STOP_AFTER");
  if (after > 0 && changes.calls >= after) {
    std::_Exit(kStoppedStatus);
  }
}

// Makes the change ORX_CHANGE names when the call just counted is the settings replace
// ORX_CHANGE_AT names.
void ChangeUnderTheSave(const std::string& call, const std::string& path) {
  if (changes.calls != NumberIn("ORX_CHANGE_AT") || call != "ReplaceWithFile" ||
      backupName.empty()) {
    return;
  }
  const std::string change = std::getenv("ORX_CHANGE") ? std::getenv("ORX_CHANGE") : "";
  WritableFile file;
  if (change == "gone") {
    RemoveFile(replacementName);
  } else if (change == "other" &&
             CreateFileForWriting(path, false, &file) == NewFileResult::kMade) {
    WriteToFile(file, kOtherWriter);
    CloseFile(&file);
  }
}

}  // namespace

void ReplacementNamesAre(const std::string& replacement, const std::string& backup) {
  replacementName = replacement;
  backupName = backup;
}

bool DiskChangeAllowed(const char* call, const std::string& path) {
  StopAfterEarlierCall();
  const bool fails = changes.Fails(call, path);
  if (fails) {
    changes.Refuse(call, path, 112);
  }
  const bool stops = changes.calls == NumberIn("ORX_STOP_AT");
  const std::string end = std::getenv("ORX_REPLACE_END") ? std::getenv("ORX_REPLACE_END") : "";
  if ((fails || stops) && std::string(call) == "ReplaceWithFile" && !backupName.empty()) {
    if (end == "gone") {
      RemoveFile(path);
    } else if ((end == "aside" || end == "placed") && RenameFile(path, backupName, false) &&
               end == "placed") {
      RenameFile(replacementName, path, false);
    }
  }
  if (stops) {
    std::_Exit(kStoppedStatus);
  }
  ChangeUnderTheSave(call, path);
  backupName.clear();
  return !fails;
}

// The same for every look (look-up, listing, read of a whole file), counted on their own:
// ORX_FAIL_LOOK_AT names the look that fails, ORX_LOOK_COUNT_FILE receives their count and trace.
bool DiskLookAllowed(const char* call, const std::string& path) {
  static CountedDoor door{"ORX_FAIL_LOOK_AT", "ORX_LOOK_COUNT_FILE", 0, {}, {}, 0};
  StopAfterEarlierCall();
  if (!door.Fails(call, path)) {
    return true;
  }
  door.Refuse(call, path, 59);
  return false;
}

}  // namespace orx
