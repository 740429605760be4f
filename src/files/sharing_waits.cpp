#include "files/sharing_waits.h"

#include <algorithm>
#include <optional>

#include "base/raised_failure.h"
#include "platform/platform.h"

namespace orx {

namespace {

// What is left of the run's wait; one process makes one run.
std::uint64_t runWaitLeft = kSharingWaitPerRun;

bool HeldForAMoment(const std::string& path) {
  const SystemFailure failure = LastSystemFailure();
  return failure.path == path && KindOfFailure(failure.code) == FailureKind::kSharing;
}

}  // namespace

unsigned SharingPause(unsigned tries, std::uint64_t waited, std::uint64_t runLeft) {
  if (tries == 0 || waited >= kSharingWaitPerFile) {
    return 0;
  }
  const std::uint64_t doubled =
      tries > 8 ? kLongestSharingPause : std::uint64_t{kFirstSharingPause} << (tries - 1);
  return static_cast<unsigned>(std::min<std::uint64_t>(
      {doubled, kLongestSharingPause, kSharingWaitPerFile - waited, runLeft}));
}

bool WaitingOutSharing(const std::string& path, const std::function<bool()>& call) {
  if (call()) {
    return true;
  }
  const std::uint64_t start = SteadyMilliseconds();
  for (unsigned tries = 1; HeldForAMoment(path); ++tries) {
    const unsigned pause = SharingPause(tries, SteadyMilliseconds() - start, runWaitLeft);
    if (pause == 0) {
      return false;
    }
    PauseFor(pause);
    runWaitLeft -= pause;
    if (call()) {
      return true;
    }
  }
  return false;
}

void ReadFileBytesWaiting(const std::string& path, std::string* bytes) {
  // A failed open raises; the wait happens only then, so a read that succeeds costs nothing more.
  std::optional<RaisedFailure> last;
  const bool read = WaitingOutSharing(path, [&] {
    try {
      ReadFileBytesInto(path, bytes);
      return true;
    } catch (const RaisedFailure& failure) {
      last = failure;
      return false;
    }
  });
  if (!read) {
    throw *last;
  }
}

}  // namespace orx
