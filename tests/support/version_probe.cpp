#include "version_probe.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace orx::testing {

namespace {

const char* const kStringNames[] = {
    "Comments",       "CompanyName",     "FileDescription",  "FileVersion", "InternalName",
    "LegalCopyright", "LegalTrademarks", "OriginalFilename", "ProductName", "ProductVersion"};

void SplitVersion(DWORD high, DWORD low, unsigned (&parts)[4]) {
  parts[0] = HIWORD(high);
  parts[1] = LOWORD(high);
  parts[2] = HIWORD(low);
  parts[3] = LOWORD(low);
}

}  // namespace

std::optional<VersionResource> ReadVersionResource(const std::string& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) {
    return std::nullopt;
  }
  std::vector<char> block(size);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) {
    return std::nullopt;
  }
  VersionResource resource;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), "\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) {
    return std::nullopt;
  }
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  if (fixed->dwSignature != 0xFEEF04BD) {
    return std::nullopt;
  }
  SplitVersion(fixed->dwFileVersionMS, fixed->dwFileVersionLS, resource.fileVersion);
  SplitVersion(fixed->dwProductVersionMS, fixed->dwProductVersionLS, resource.productVersion);

  // Readers find the strings through the first translation, so a block that no translation
  // names is as good as missing.
  if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length) ||
      length < 2 * sizeof(WORD)) {
    return std::nullopt;
  }
  const auto* translation = static_cast<const WORD*>(value);
  char prefix[64];
  std::snprintf(prefix, sizeof(prefix), "\\StringFileInfo\\%04X%04X\\", translation[0],
                translation[1]);
  for (const char* name : kStringNames) {
    const std::string query = std::string(prefix) + name;
    if (VerQueryValueA(block.data(), query.c_str(), &value, &length)) {
      // The length counts the terminating zero, when there is one.
      std::string text(static_cast<const char*>(value), length);
      while (!text.empty() && text.back() == '\0') {
        text.pop_back();
      }
      resource.strings[name] = text;
    }
  }
  return resource;
}

std::optional<std::string> ReadProcessManifest(const std::string& path) {
  HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) {
    return std::nullopt;
  }
  std::optional<std::string> manifest;
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes != nullptr) {
    manifest.emplace(static_cast<const char*>(bytes), SizeofResource(module, found));
  }
  FreeLibrary(module);
  return manifest;
}

std::optional<std::string> XmlAttribute(const std::string& xml, const std::string& element,
                                        const std::string& attribute) {
  const std::string open = "<" + element;
  std::size_t start = xml.find(open);
  // A longer name with the same beginning is another element.
  while (start != std::string::npos && start + open.size() < xml.size() &&
         xml.find_first_of(" \t\r\n/>", start + open.size()) != start + open.size()) {
    start = xml.find(open, start + 1);
  }
  if (start == std::string::npos) {
    return std::nullopt;
  }
  const std::size_t end = xml.find('>', start);
  const std::string tag = xml.substr(start, end == std::string::npos ? end : end - start);
  const std::string key = attribute + "=";
  std::size_t at = tag.find(key);
  // Only a whole attribute name counts, not the end of a longer one.
  while (at != std::string::npos && std::string(" \t\r\n").find(tag[at - 1]) == std::string::npos) {
    at = tag.find(key, at + 1);
  }
  if (at == std::string::npos || at + key.size() >= tag.size()) {
    return std::nullopt;
  }
  const char quote = tag[at + key.size()];
  const std::size_t valueStart = at + key.size() + 1;
  const std::size_t valueEnd = tag.find(quote, valueStart);
  if ((quote != '"' && quote != '\'') || valueEnd == std::string::npos) {
    return std::nullopt;
  }
  return tag.substr(valueStart, valueEnd - valueStart);
}

}  // namespace orx::testing
