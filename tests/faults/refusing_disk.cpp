// Linked into the test copy of the program in place of the program's own answer: counts every
// disk-changing call and fails the one that ORX_FAIL_AT names (1 for the first). ORX_COUNT_FILE,
// when set, receives after each call the number of calls so far and one line per call.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/disk_changes.h"

namespace orx {

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
