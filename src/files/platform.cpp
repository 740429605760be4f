// Platform rules that are the same on every port.
#include "files/platform.h"

namespace orx {

bool PassesAttributeMask(unsigned attributes, unsigned attributeMask) {
  const unsigned excluding =
      kAttributeHidden | kAttributeSystem | kAttributeVolumeLabel | kAttributeDirectory;
  return (attributes & excluding & ~attributeMask) == 0;
}

std::string ReadFileBytes(const std::string& path) {
  std::string bytes;
  ReadFileBytesInto(path, &bytes);
  return bytes;
}

}  // namespace orx
