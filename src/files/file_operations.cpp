#include "files/file_operations.h"

#include "files/disk_changes.h"
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

bool CopyFileWhole(const std::string& source, const std::string& target, ExistingFile existing) {
  const bool replace = existing == ExistingFile::kReplace;
  unsigned attributes = 0;
  if (ReadAttributes(target, &attributes)) {
    if ((attributes & kAttributeDirectory) != 0) {
      return false;
    }
    if (!replace) {
      return true;
    }
    // Windows refuses to copy over a read-only file; a rename would not.
    if ((attributes & kAttributeReadOnly) != 0) {
      return false;
    }
  }
  std::string temporary;
  NewFileResult copy = NewFileResult::kNameTaken;
  for (int attempt = 0; attempt < 64 && copy == NewFileResult::kNameTaken; ++attempt) {
    temporary = TemporaryNameBeside(target);
    copy = DiskChangeAllowed("CopyToNewFile", temporary) ? CopyToNewFile(source, temporary)
                                                         : NewFileResult::kFailed;
  }
  if (copy != NewFileResult::kMade) {
    return false;
  }
  if (DiskChangeAllowed("RenameFile", target) && RenameFile(temporary, target, replace)) {
    return true;
  }
  RemoveFile(temporary);
  // Placed by another process meanwhile: its copy is as whole as this one.
  return !replace && IsFile(target);
}

bool CopyOneFile(const std::string& source, const std::string& target, ExistingFile existing) {
  const std::string directory = ParentDirectoryOf(target);
  if (!IsDirectory(directory)) {
    MakeDirectoryPath(directory);
  }
  return CopyFileWhole(source, target, existing);
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
  if (!parent.empty() && !MakeDirectoryPath(parent)) {
    return false;
  }
  // Another process may have made it since the test above.
  return (DiskChangeAllowed("CreateDirectoryA", directory) && CreateDirectoryA(directory)) ||
         IsDirectory(directory);
}

}  // namespace orx
