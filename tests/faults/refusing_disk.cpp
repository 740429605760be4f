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
}  // namespace

void ReplacementNamesAre(const std::string& replacement, const std::string& backup) {
  replacementName = replacement;
  backupName = backup;
}

bool DiskChangeAllowed(const char* call, const std::string& path) {
  static const long failAt =
      std::atol(std::getenv("ORX_FAIL_AT") ? std::getenv("ORX_FAIL_AT") : "0");
  static long calls = 0;
  static std::string trace;
  ++calls;
  trace += std::string(call) + ' ' + path + '\n';
  // Written at every call: a run may end without running the program's exit handlers.
  if (const char* name = std::getenv("ORX_COUNT_FILE")) {
    if (std::FILE* file = std::fopen(name, "wb")) {
      const std::string text = std::to_string(calls) + "\n" + trace;
      std::fwrite(text.data(), 1, text.size(), file);
      std::fclose(file);
    }
  }
  const std::string end = std::getenv("ORX_REPLACE_END") ? std::getenv("ORX_REPLACE_END") : "";
  if (calls == failAt && std::string(call) == "ReplaceWithFile" && !backupName.empty()) {
    if (end == "gone") {
      RemoveFile(path);
    } else if ((end == "aside" || end == "placed") && RenameFile(path, backupName, false) &&
               end == "placed") {
      RenameFile(replacementName, path, false);
    }
  }
  backupName.clear();
  return calls != failAt;
}

}  // namespace orx

namespace orx {

// The same for every look (look-up, listing, read of a whole file), counted on their own:
// ORX_FAIL_LOOK_AT names the look that fails, ORX_LOOK_COUNT_FILE receives their count and trace.
bool DiskLookAllowed(const char* call, const std::string& path) {
  static const long failAt =
      std::atol(std::getenv("ORX_FAIL_LOOK_AT") ? std::getenv("ORX_FAIL_LOOK_AT") : "0");
  static long calls = 0;
  static std::string trace;
  ++calls;
  trace += std::string(call) + ' ' + path + '\n';
  if (const char* name = std::getenv("ORX_LOOK_COUNT_FILE")) {
    if (std::FILE* file = std::fopen(name, "wb")) {
      const std::string text = std::to_string(calls) + "\n" + trace;
      std::fwrite(text.data(), 1, text.size(), file);
      std::fclose(file);
    }
  }
  return calls != failAt;
}

}  // namespace orx
