#include "files/sharing_waits.h"

#include "platform/platform.h"

namespace orx {

namespace {

bool HeldForAMoment(const std::string& path) {
  const SystemFailure failure = LastSystemFailure();
  return failure.path == path && failure.meaning == ErrorClass::kHeld;
}

}  // namespace

bool WaitingOutSharing(const std::string& path, const std::function<bool()>& call) {
  if (call()) {
    return true;
  }
  const std::uint64_t started = SteadyMilliseconds();
  for (unsigned tries = 1;
       HeldForAMoment(path) && PauseBeforeRetry(CallKind::kChange, tries, started); ++tries) {
    if (call()) {
      return true;
    }
  }
  return false;
}

void ReadFileBytesWaiting(const std::string& path, std::string* bytes) {
  ReadFileBytesInto(path, bytes);
}

}  // namespace orx
