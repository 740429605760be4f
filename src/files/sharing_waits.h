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

// Runs call, and again after each pause of the policy while it fails with the failure recorded
// for path (LastSystemFailure) meaning held; its last result. The call passes its door itself, so
// that each try is judged and counted anew.
bool WaitingOutSharing(const std::string& path, const std::function<bool()>& call);
// ReadFileBytesInto (platform.h), which waits out a moment's sharing of the file before it raises.
void ReadFileBytesWaiting(const std::string& path, std::string* bytes);

}  // namespace orx
