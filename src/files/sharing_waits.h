// Waiting out a moment's sharing: a call that fails because another program holds its file for a
// moment (an on-access scanner, a sync client, a backup agent) is tried again after growing
// pauses, a bounded time per file and for the whole run. Only a sharing or lock violation is
// waited out, never a refusal (a read-only file, a directory): what is held for good still fails
// the run within seconds.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace orx {

// The limits, in milliseconds: the first pause, which doubles up to the longest; the wait for one
// call; the wait summed over the run.
inline constexpr unsigned kFirstSharingPause = 10;
inline constexpr unsigned kLongestSharingPause = 250;
inline constexpr unsigned kSharingWaitPerFile = 2000;
inline constexpr unsigned kSharingWaitPerRun = 8000;

// The pause before the next try of a call that has failed tries times (1 or more) and waited
// waited milliseconds since its first try, with runLeft milliseconds of the run's wait left;
// 0 when it is to be tried no more.
unsigned SharingPause(unsigned tries, std::uint64_t waited, std::uint64_t runLeft);

// Runs call, and again after each pause SharingPause gives while it fails with a sharing or lock
// violation recorded for path (LastSystemFailure); its last result.
bool WaitingOutSharing(const std::string& path, const std::function<bool()>& call);
// ReadFileBytesInto (platform.h), waiting out a moment's sharing of the file before it raises.
void ReadFileBytesWaiting(const std::string& path, std::string* bytes);

}  // namespace orx
