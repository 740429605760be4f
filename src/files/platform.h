// The operating-system services the program uses. Everything above this header is plain logic over
// 8-bit strings with backslash paths; platform_win32.cpp and platform_posix.cpp implement it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orx {

// Attribute flags of a directory entry, with the values Windows gives them.
enum FileAttribute : unsigned {
  kAttributeReadOnly = 1,
  kAttributeHidden = 2,
  kAttributeSystem = 4,
  kAttributeVolumeLabel = 8,
  kAttributeDirectory = 16,
  kAttributeArchive = 32,
};

// One entry of a directory listing: its long name (no directory) and its attribute flags.
struct DirectoryEntry {
  std::string name;
  unsigned attributes = 0;
};

// Local calendar date and time of day, to the millisecond.
struct LocalTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// How standard output reaches its reader.
enum class OutputDevice { kNone, kCharacter, kOther };

// True when a lookup of the exact name finds an entry that is not a directory.
bool IsFile(const std::string& path);
// True when the path's attributes can be read and carry the directory flag.
bool IsDirectory(const std::string& path);
// Creates one directory level; true on success.
bool CreateDirectoryA(const std::string& path);
// Copies one file; with failIfExists false an existing target is replaced. True on success.
bool CopyFileA(const std::string& source, const std::string& target, bool failIfExists);
// Lists the entries matching a wildcard pattern (directory + "*.*" or another mask of names), in
// the platform's order, leaving out what the attribute mask excludes (PassesAttributeMask).
std::vector<DirectoryEntry> EnumerateDirectory(const std::string& pattern, unsigned attributeMask);
// The mask rule: an entry is left out when it carries hidden, system, volume label or directory
// and the mask lacks that flag; read-only and archive never leave an entry out.
bool PassesAttributeMask(unsigned attributes, unsigned attributeMask);

// Full path of a possibly relative path; empty when empty, rejected, or longer than 259 characters.
std::string ExpandPath(const std::string& path);
// The current local time.
LocalTime LocalNow();

// Case-insensitive equality under the user's default locale.
bool EqualIgnoringCase(const std::string& a, const std::string& b);
// A key for a text such that two keys are byte-equal exactly when EqualIgnoringCase holds.
// Valid for one run only; never store it.
std::string EqualityKeyOf(const std::string& text);

// Value of an environment variable; empty when not set. A long value is returned whole.
std::string ReadEnvironment(const std::string& name);
// The process's command line as one text, the program's own name first.
std::string CommandLineText();
// Hands main's arguments to ports that have no command-line text of their own.
void RememberProcessArguments(int argc, char** argv);

// The whole content of a file, opened with other readers allowed and writers refused.
// Raises EFOpenError "Cannot open file %s"; a short read raises EReadError.
std::string ReadFileBytes(const std::string& path);
// ReadFileBytes into bytes, replacing their content and reusing their memory, for reading many
// files one after another without fresh memory for each.
void ReadFileBytesInto(const std::string& path, std::string* bytes);
// Creates the file anew (replacing any) and writes the bytes in one piece, without sharing.
// Raises EFCreateError "Cannot create file %s", or EWriteError "Stream write error".
void WriteFileBytes(const std::string& path, const std::string& bytes);
// Replaces the file's content in one step: the bytes go to a temporary file in the same directory,
// are flushed to disk, and the temporary file then takes the file's place. On failure the old file
// is untouched and no temporary file remains; the failures raised are those of WriteFileBytes.
void ReplaceFileBytes(const std::string& path, const std::string& bytes);

// The device behind standard output, opened on first use.
OutputDevice StandardOutputDevice();
// Writes bytes to standard output; 0 on success, else the platform's error code.
unsigned WriteStandardOutput(const char* data, std::size_t size);

// File name (without directory) of the program's module.
std::string ModuleFileName();
// Offset of a code address from the start of the module image that holds it.
std::uint32_t CodeOffsetOf(const void* address);
// What a platform fault is handed to: its kind name, message and code offset. It must not return.
using FaultReporter = void (*)(const char* kind, const char* message, std::uint32_t codeOffset);
// Arranges that a platform fault (invalid memory access and the like) reaches the reporter, unless
// a debugger takes it.
void InstallFaultHandler(FaultReporter reporter);

}  // namespace orx
