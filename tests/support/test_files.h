// Test helpers over real disks: a scoped temporary directory, trees written from and read back
// into tables. Paths are in the program's form (backslashes) on every build.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace orx::testing {

// A fresh, empty directory removed again with everything in it at the end of the scope.
class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  // The directory in the program's form, lower case, ending in one backslash.
  const std::string& path() const { return path_; }
  // path() + relative (relative uses backslashes).
  std::string operator/(const std::string& relative) const { return path_ + relative; }

 private:
  std::string path_;
};

// The native path of a program-form path (backslashes become slashes on POSIX).
std::string NativePath(const std::string& path);

// Writes a file with exactly these bytes, creating missing parent directories.
void WriteFile(const std::string& path, const std::string& bytes);
// The whole content of a file; fails the test when it cannot be read.
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
void MakeDirectories(const std::string& path);
// Marks a file read-only (or writable again).
void SetReadOnly(const std::string& path, bool readOnly);
// Whether this process is refused writing into a read-only file, as Windows refuses every user.
// Wine run as root is not refused (it writes where the Unix root may); the POSIX port refuses
// always. Where it is not refused and ORX_REQUIRE_READ_ONLY_REFUSAL is set, the call fails the
// test, so that a run meant to exercise the read-only cases cannot pass by skipping them.
bool ReadOnlyFilesAreRefused();

// Keeps every other opener away from a file for the scope, as an application that holds it open
// without sharing does on Windows (this process holds it so). POSIX has no share modes: there the
// file is replaced by a socket of its name, which no process can open, root's included, and the
// file's content is put back at the end. Either way the constructor checks that a reader is
// refused.
class ScopedUnopenableFile {
 public:
  explicit ScopedUnopenableFile(const std::string& path);
  ~ScopedUnopenableFile();
  ScopedUnopenableFile(const ScopedUnopenableFile&) = delete;
  ScopedUnopenableFile& operator=(const ScopedUnopenableFile&) = delete;

 private:
#ifdef _WIN32
  void* handle_;
#else
  std::string path_;
  std::string content_;
  int socket_;
#endif
};

// Takes every permission from a folder while it lives, and gives the owner's back at the end.
// refused() tells whether this user is then refused the folder's listing (root is not).
class ScopedUnlistableFolder {
 public:
  explicit ScopedUnlistableFolder(const std::string& path);
  ~ScopedUnlistableFolder();
  ScopedUnlistableFolder(const ScopedUnlistableFolder&) = delete;
  ScopedUnlistableFolder& operator=(const ScopedUnlistableFolder&) = delete;

  bool refused() const { return refused_; }

 private:
  std::string native_;
  bool refused_;
};

// A fresh folder (program form, trailing backslash) on the small volume of its own that the
// scripts mount for the full-disk tests (ORX_SMALL_VOLUME, a Unix path); empty when none is.
std::string FolderOnSmallVolume(const std::string& name);

// A tree as a table: relative path (backslashes) → content; a directory is listed with a final
// backslash and an empty content.
using Tree = std::map<std::string, std::string>;
// Writes every entry of the table under root.
void WriteTree(const std::string& root, const Tree& tree);
// Reads everything under root back into a table.
Tree ReadTree(const std::string& root);
// WriteTree and ReadTree with the relative names in UTF-8, on every build: for names that the
// program's code page cannot spell.
void WriteUtf8Tree(const std::string& root, const Tree& tree);
Tree ReadUtf8Tree(const std::string& root);
// The table with every parent directory listed too, as ReadTree gives it.
Tree WithDirectories(Tree tree);
// The table with the given entries added or replaced.
Tree Replaced(Tree tree, const Tree& changes);

}  // namespace orx::testing
