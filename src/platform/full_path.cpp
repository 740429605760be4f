#include "platform/full_path.h"

#include <algorithm>
#include <vector>

#include "base/paths.h"
#include "base/text_encoding.h"

namespace orx {

namespace {

std::string Backslashed(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

}  // namespace

std::string FullPathOf(const std::string& path, const std::string& currentDirectory) {
  if (path.empty()) {
    return std::string();
  }
  const std::string text = Backslashed(path);
  // The root the path keeps: a drive, a network share, or the root of the current directory.
  std::string root;
  std::string rest;
  if (HasDrivePrefix(text)) {
    root = text.substr(0, 2) + '\\';
    rest = text.substr(2);
  } else if (text.compare(0, 2, "\\\\") == 0) {
    std::string::size_type end = text.find('\\', 2);
    end = end == std::string::npos ? std::string::npos : text.find('\\', end + 1);
    root = text.substr(0, end) + '\\';
    rest = end == std::string::npos ? std::string() : text.substr(end + 1);
  } else if (text[0] == '\\') {
    root = "\\";
    rest = text;
  } else {
    return currentDirectory.empty()
               ? std::string()
               : FullPathOf(WithTrailingBackslash(Backslashed(currentDirectory)) + text,
                            std::string());
  }
  std::vector<std::string> parts;
  std::string::size_type start = 0;
  while (start <= rest.size()) {
    std::string::size_type end = rest.find('\\', start);
    if (end == std::string::npos) {
      end = rest.size();
    }
    const std::string part = rest.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) {
        parts.pop_back();
      }
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string result = root;
  for (std::vector<std::string>::size_type i = 0; i < parts.size(); ++i) {
    if (i > 0) {
      result += '\\';
    }
    result += parts[i];
  }
  // A final separator stays, as GetFullPathNameW keeps it.
  if (!parts.empty() && text.back() == '\\') {
    result += '\\';
  }
  return UnitsOfEscapedUtf8(result).size() > 259 ? std::string() : result;
}

}  // namespace orx
