// Waiting out a moment's sharing: a change that fails because another program holds its file for
// a moment (an on-access scanner, a sync client, a backup agent) is tried again under the one
// retry policy of the platform (PauseBeforeRetry, error_classes.h): growing pauses, a bounded time
// per call and one cap for the whole run, measured by the clock. Only what the table calls held
// is waited out, never a refusal (a read-only file, a folder): what is held for good still fails
// the run within seconds. Looks and reads wait of themselves (platform.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/error_classes.h"

namespace orx {

// The limits of the policy for a held file, in milliseconds (error_classes.h).
inline constexpr unsigned kFirstSharingPause = kFirstHeldPause;
inline constexpr unsigned kLongestSharingPause = kLongestHeldPause;
inline constexpr unsigned kSharingWaitPerFile = kHeldWaitPerCall;
inline constexpr unsigned kSharingWaitPerRun = kWaitPerRun;

// The pause before the next try of a call on a held file that has failed tries times (1 or more)
// and waited waited milliseconds since its first try, with runLeft milliseconds of the run's wait
// left; 0 when it is to be tried no more.
unsigned SharingPause(unsigned tries, std::uint64_t waited, std::uint64_t runLeft);

// Runs call, and again after each pause of the policy while it fails with the failure recorded
// for path (LastSystemFailure) meaning held; its last result. The call passes its door itself, so
// that each try is judged and counted anew.
bool WaitingOutSharing(const std::string& path, const std::function<bool()>& call);
// ReadFileBytesInto (platform.h), which waits out a moment's sharing of the file before it raises.
void ReadFileBytesWaiting(const std::string& path, std::string* bytes);

}  // namespace orx
