// Platform rules that are the same on every port.
#include "platform/platform.h"

#include "base/paths.h"

#include <algorithm>
#include <cstdio>

namespace orx {

bool PassesAttributeMask(unsigned attributes, unsigned attributeMask) {
  const unsigned excluding =
      kAttributeHidden | kAttributeSystem | kAttributeVolumeLabel | kAttributeDirectory;
  return (attributes & excluding & ~attributeMask) == 0;
}

std::vector<DirectoryEntry> EnumerateDirectory(const std::string& pattern, unsigned attributeMask) {
  std::vector<DirectoryEntry> entries;
  ListDirectory(pattern, attributeMask, &entries);
  return entries;
}

std::string TemporaryNameBeside(const std::string& path) {
  static unsigned counter = ProcessNumber() * 2654435761u;
  char name[8];
  std::snprintf(name, sizeof(name), "~ox%04X", (++counter) & 0xFFFFu);
  return ParentPathOf(path) + name;
}

bool IsTemporaryName(const std::string& name) {
  const auto isHexDigit = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); };
  return name.size() == 7 && name.compare(0, 3, "~ox") == 0 &&
         std::all_of(name.begin() + 3, name.end(), isHexDigit);
}

std::string ReadFileBytes(const std::string& path) {
  std::string bytes;
  ReadFileBytesInto(path, &bytes);
  return bytes;
}

}  // namespace orx
