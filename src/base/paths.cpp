#include "base/paths.h"

#include "base/characters.h"

namespace orx {

namespace {

std::string::size_type LastDelimiter(const std::string& path) {
  return FindLastCharacterOf(path, "\\:");
}

}  // namespace

std::string WithTrailingBackslash(const std::string& path) {
  if (path.empty() || EndsWithCharacter(path, '\\')) {
    return path;
  }
  return path + '\\';
}

std::string WithoutTrailingBackslash(const std::string& path) {
  if (EndsWithCharacter(path, '\\')) {
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
  const std::string parent = ParentPathOf(path);
  if (parent.size() < 2 || !EndsWithCharacter(parent, '\\')) {
    return parent;
  }
  const std::string before = parent.substr(0, parent.size() - 1);
  return EndsWithCharacter(before, ':') || EndsWithCharacter(before, '\\') ? parent : before;
}

bool HasDrivePrefix(const std::string& path) {
  if (path.size() < 2 || path[1] != ':') {
    return false;
  }
  const char c = path[0];
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace orx
