// Reads a Windows executable's version resource and manifest back, as Explorer and software
// inventories read them (Windows builds only).
#pragma once

#include <map>
#include <optional>
#include <string>

namespace orx::testing {

struct VersionResource {
  // The four parts of the fixed file and product versions, most significant first.
  unsigned fileVersion[4] = {0, 0, 0, 0};
  unsigned productVersion[4] = {0, 0, 0, 0};
  // The named strings of the resource's first translation; a missing name has no entry.
  std::map<std::string, std::string> strings;
};

// The version resource of the executable at path; nullopt when it has none that can be read.
std::optional<VersionResource> ReadVersionResource(const std::string& path);
// The bytes of the executable's process manifest (RT_MANIFEST 1); nullopt when it has none.
std::optional<std::string> ReadProcessManifest(const std::string& path);
// The value of attribute in the first element named element in xml; nullopt when absent.
std::optional<std::string> XmlAttribute(const std::string& xml, const std::string& element,
                                        const std::string& attribute);

}  // namespace orx::testing
