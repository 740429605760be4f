#include "files/file_operations.h"

#include "files/paths.h"
#include "files/platform.h"
#include "files/raised_failure.h"

namespace orx {

namespace {

bool HasAllFiles(const std::string& dir, std::initializer_list<const char*> names) {
  const std::string base = WithTrailingBackslash(dir);
  for (const char* name : names) {
    if (!IsFile(base + name)) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool HasInstallationMarker(const std::string& dir) {
  return HasAllFiles(dir, {kInstallationMarker});
}

bool HasSharedFileSet(const std::string& dir) {
  return HasAllFiles(dir, {"orx.ini", "Data\\ClientProject.txt", "Data\\CategoryActivity.txt"});
}

bool EnsureDataDirectory(const std::string& dir) {
  if (dir.empty()) {
    return true;
  }
  const std::string data = DataDirectoryOf(dir);
  if (IsDirectory(dir) && IsDirectory(data)) {
    return true;
  }
  try {
    return MakeDirectoryPath(data);
  } catch (const RaisedFailure&) {
    return false;
  }
}

bool CopyOneFile(const std::string& source, const std::string& target) {
  const std::string directory = ParentDirectoryOf(target);
  if (!IsDirectory(directory)) {
    MakeDirectoryPath(directory);
  }
  return CopyFileA(source, target, false);
}

bool MakeDirectoryPath(const std::string& path) {
  if (path.empty()) {
    RaiseFailure(kInOutError, "Unable to create directory");
  }
  const std::string directory = WithoutTrailingBackslash(path);
  if (directory.size() < 3 || IsDirectory(directory)) {
    return true;
  }
  const std::string parent = ParentPathOf(directory);
  if (parent == directory) {
    return true;
  }
  // A relative name of one level has nothing above it to create: the current directory is there.
  if (parent.empty()) {
    return CreateDirectoryA(directory);
  }
  return MakeDirectoryPath(parent) && CreateDirectoryA(directory);
}

}  // namespace orx
