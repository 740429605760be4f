#include "platform/unix_path.h"

#include <algorithm>

#include "base/paths.h"

namespace orx {

std::string UnixPathOf(const std::string& path) {
  std::string native = HasDrivePrefix(path) ? path.substr(2) : path;
  std::replace(native.begin(), native.end(), '\\', '/');
  if (HasDrivePrefix(path) && (native.empty() || native[0] != '/')) {
    native.insert(native.begin(), '/');
  }
  return native;
}

bool IsServerOrShare(const std::string& path) {
  const auto isSeparator = [](char c) { return c == '\\' || c == '/'; };
  if (path.size() < 3 || !isSeparator(path[0]) || !isSeparator(path[1])) {
    return false;
  }
  int separators = 0;
  for (std::string::size_type i = 2; i < path.size(); ++i) {
    if (isSeparator(path[i]) && i + 1 < path.size()) {
      ++separators;
    }
  }
  return separators < 2;
}

}  // namespace orx
