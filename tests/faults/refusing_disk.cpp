// Linked into the test copy of the program in place of the program's own answer: counts every
// disk-changing call and fails the one that ORX_FAIL_AT names (1 for the first). ORX_COUNT_FILE,
// when set, receives after each call the number of calls so far and one line per call.
// ORX_REPLACE_END makes that call, when it is a settings replace, first leave the disk in one of
// ReplaceFileW's half-way end states: "kept" (1175; 1176 with a backup name), "gone" (1176 without
// one; a target deleted meanwhile), "aside" (1177; Wine's 1176: the old file under the backup
// name), "placed" (the new file in place, the old one under the backup name).
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

}  // namespace

void ReplacementNamesAre(const std::string& replacement, const std::string& backup) {
  replacementName = replacement;
  backupName = backup;
}

bool DiskChangeAllowed(const char* call, const std::string& path) {
  static CountedDoor door{"ORX_FAIL_AT", "ORX_COUNT_FILE", 0, {}, {}, 0};
  const bool fails = door.Fails(call, path);
  if (fails) {
    door.Refuse(call, path, 112);
  }
  const std::string end = std::getenv("ORX_REPLACE_END") ? std::getenv("ORX_REPLACE_END") : "";
  if (fails && std::string(call) == "ReplaceWithFile" && !backupName.empty()) {
    if (end == "gone") {
      RemoveFile(path);
    } else if ((end == "aside" || end == "placed") && RenameFile(path, backupName, false) &&
               end == "placed") {
      RenameFile(replacementName, path, false);
    }
  }
  backupName.clear();
  return !fails;
}

// The same for every look (look-up, listing, read of a whole file), counted on their own:
// ORX_FAIL_LOOK_AT names the look that fails, ORX_LOOK_COUNT_FILE receives their count and trace.
bool DiskLookAllowed(const char* call, const std::string& path) {
  static CountedDoor door{"ORX_FAIL_LOOK_AT", "ORX_LOOK_COUNT_FILE", 0, {}, {}, 0};
  if (!door.Fails(call, path)) {
    return true;
  }
  door.Refuse(call, path, 59);
  return false;
}

}  // namespace orx
