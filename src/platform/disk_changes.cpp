#include "platform/disk_changes.h"

namespace orx {

bool DiskChangeAllowed(const char*, const std::string&) {
  return true;
}

bool DiskLookAllowed(const char*, const std::string&) {
  return true;
}
void ReplacementNamesAre(const std::string&, const std::string&) {}

}  // namespace orx
