#include "base/paths.h"

namespace orx {

namespace {

std::string::size_type LastDelimiter(const std::string& path) {
  return path.find_last_of("\\:");
}

}  // namespace

std::string WithTrailingBackslash(const std::string& path) {
  if (path.empty() || path.back() == '\\') {
    return path;
  }
  return path + '\\';
}

std::string WithoutTrailingBackslash(const std::string& path) {
  if (!path.empty() && path.back() == '\\') {
    return path.substr(0, path.size() - 1);
  }
  return path;
}

std::string DataDirectoryOf(const std::string& dir) {
  return WithTrailingBackslash(dir) + "Data\\";
}

std::string FileNameOf(const std::string& path) {
  const std::string::size_type at = LastDelimiter(path);
  return at == std::string::npos ? path : path.substr(at + 1);
}

std::string ExtensionOf(const std::string& path) {
  const std::string::size_type dot = path.rfind('.');
  const std::string::size_type delimiter = LastDelimiter(path);
  if (dot == std::string::npos || (delimiter != std::string::npos && dot < delimiter)) {
    return std::string();
  }
  return path.substr(dot);
}

std::string ParentPathOf(const std::string& path) {
  const std::string::size_type at = LastDelimiter(path);
  return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

std::string ParentDirectoryOf(const std::string& path) {
  std::string parent = ParentPathOf(path);
  const std::string::size_type last = parent.size();
  if (last > 1 && parent[last - 1] == '\\' && parent[last - 2] != ':' && parent[last - 2] != '\\') {
    parent.pop_back();
  }
  return parent;
}

bool HasDrivePrefix(const std::string& path) {
  if (path.size() < 2 || path[1] != ':') {
    return false;
  }
  const char c = path[0];
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace orx
