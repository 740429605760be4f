#include "platform/error_classes.h"

#include <algorithm>
#include <cerrno>
#include <iterator>

#include "base/characters.h"

namespace orx {

ErrorClass ClassOfWindowsError(unsigned code, CallKind call, bool targetRefusing) {
  switch (code) {
    case 2:    // ERROR_FILE_NOT_FOUND
    case 3:    // ERROR_PATH_NOT_FOUND: the caller asks the root whether it is there
    case 123:  // ERROR_INVALID_NAME: no file can have the name (Wine: a file on the way)
    case 267:  // ERROR_DIRECTORY: a file where the path names a folder
      return ErrorClass::kNotThere;
    case 15:    // ERROR_INVALID_DRIVE
    case 21:    // ERROR_NOT_READY
    case 51:    // ERROR_REM_NOT_LIST: the server does not answer
    case 53:    // ERROR_BAD_NETPATH
    case 54:    // ERROR_NETWORK_BUSY
    case 55:    // ERROR_DEV_NOT_EXIST
    case 59:    // ERROR_UNEXP_NET_ERR
    case 64:    // ERROR_NETNAME_DELETED: the connection dropped
    case 67:    // ERROR_BAD_NET_NAME: the share is not there, or not yet
    case 121:   // ERROR_SEM_TIMEOUT: SMB's time-out
    case 1203:  // ERROR_NO_NET_OR_BAD_PATH
    case 1222:  // ERROR_NO_NETWORK
    case 1231:  // ERROR_NETWORK_UNREACHABLE
    case 1232:  // ERROR_HOST_UNREACHABLE
      return ErrorClass::kUnreachable;
    case 32:  // ERROR_SHARING_VIOLATION
    case 33:  // ERROR_LOCK_VIOLATION
      return ErrorClass::kHeld;
    case 5:  // ERROR_ACCESS_DENIED: also a rename or removal onto a file open without delete
             // sharing
      return call == CallKind::kRenameOrRemove && !targetRefusing ? ErrorClass::kHeld
                                                                  : ErrorClass::kRefused;
    case 19:  // ERROR_WRITE_PROTECT
      return ErrorClass::kRefused;
    case 39:   // ERROR_HANDLE_DISK_FULL
    case 112:  // ERROR_DISK_FULL
      return ErrorClass::kFull;
    default:
      return ErrorClass::kOther;
  }
}

ErrorClass ClassOfPosixError(int code, CallKind call, bool targetRefusing) {
  switch (code) {
    case ENOENT:
    case ENOTDIR:
      return ErrorClass::kNotThere;
    case ENODEV:
    case ENXIO:
#ifdef EHOSTDOWN
    case EHOSTDOWN:
#endif
    case EHOSTUNREACH:
    case ENETDOWN:
    case ENETUNREACH:
    case ENETRESET:
    case ECONNRESET:
    case ECONNABORTED:
    case ETIMEDOUT:
#ifdef ESTALE
    case ESTALE:
#endif
      return ErrorClass::kUnreachable;
    case EBUSY:
    case ETXTBSY:
    case EAGAIN:
      return ErrorClass::kHeld;
    case EACCES:
    case EPERM:
      return call == CallKind::kRenameOrRemove && !targetRefusing ? ErrorClass::kHeld
                                                                  : ErrorClass::kRefused;
    case EROFS:
    case EISDIR:
      return ErrorClass::kRefused;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG:
      return ErrorClass::kFull;
    default:
      return ErrorClass::kOther;
  }
}

int PosixErrorOf(unsigned windowsCode) {
  switch (windowsCode) {
    case 2:
    case 3:
      return ENOENT;
    case 5:
      return EACCES;
    case 15:
    case 21:
    case 55:
      return ENODEV;
    case 19:
      return EROFS;
    case 32:
      return EBUSY;
    case 33:
      return EAGAIN;
    case 39:
    case 112:
      return ENOSPC;
    case 51:
    case 53:
    case 1232:
      return EHOSTUNREACH;
    case 59:
    case 64:
      return ECONNRESET;
    case 67:
      return ENXIO;
    case 121:
      return ETIMEDOUT;
    case 1203:
    case 1222:
    case 1231:
      return ENETUNREACH;
    case 267:
      return ENOTDIR;
    default:
      return EIO;
  }
}

std::string RootOf(const std::string& path) {
  std::string::size_type end = 0;
  if (path.size() >= 2 && path[1] == ':' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
    end = 2;
  } else if (path.compare(0, 2, "\\\\") == 0 && path.compare(0, 4, "\\\\?\\") != 0) {
    // \\server\share: the second backslash after the first two ends it, counted by characters.
    int separators = 0;
    for (end = 2; end < path.size() && separators < 2; end += CharacterLength(path, end)) {
      separators += path[end] == '\\' && CharacterLength(path, end) == 1 ? 1 : 0;
    }
    if (separators < 2) {
      return std::string();
    }
    --end;
  } else if (path.size() > 1 && path[0] == '\\' && path[1] != '\\') {
    return "\\";  // the root of the current drive
  } else {
    return std::string();
  }
  const std::string root = path.substr(0, end) + "\\";
  return root.size() >= path.size() ? std::string() : root;
}

unsigned RetryPause(ErrorClass meaning, CallKind call, unsigned tries, std::uint64_t waited,
                    std::uint64_t runLeft) {
  static constexpr unsigned kLookPauses[] = {10, 30, 60};
  std::uint64_t pause = 0;
  if (tries == 0) {
    return 0;
  }
  if (meaning == ErrorClass::kHeld) {
    if (waited >= kHeldWaitPerCall) {
      return 0;
    }
    const std::uint64_t doubled =
        tries > 8 ? kLongestHeldPause : std::uint64_t{kFirstHeldPause} << (tries - 1);
    pause = std::min<std::uint64_t>({doubled, kLongestHeldPause, kHeldWaitPerCall - waited});
  } else if (call == CallKind::kLook &&
             (meaning == ErrorClass::kUnreachable || meaning == ErrorClass::kOther) &&
             tries <= std::size(kLookPauses)) {
    pause = kLookPauses[tries - 1];
  }
  return static_cast<unsigned>(std::min(pause, runLeft));
}

}  // namespace orx
