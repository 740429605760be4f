// The operating-system services the program uses. Everything above this header is plain logic over
// 8-bit strings with backslash paths; platform_win32.cpp and platform_posix.cpp implement it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/characters.h"
#include "platform/error_classes.h"

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

// What the program tells apart among the system's reasons for a failed call, for callers that
// need no more than this of the table in error_classes.h.
enum class FailureKind {
  kNotFound,  // no such file or folder on the way (Windows 2, 3, 123, 267; ENOENT, ENOTDIR)
  kSharing,   // another opener holds the file for a moment (Windows 32 and 33)
  kOther,     // anything else: access refused, the share away, an I/O error
};
// The last platform call of this process that failed: the path it concerned, the system's error
// code (Windows' error number; errno on POSIX) and what it means for that call (error_classes.h).
// A call that succeeds, and a look that finds its name missing, leave it as it was. A step that
// refuses by a rule of its own (RecordRefusal) leaves the path and why, with code 0.
struct SystemFailure {
  std::string path;
  unsigned code = 0;
  ErrorClass meaning = ErrorClass::kOther;
  CallKind call = CallKind::kChange;
  std::string refusal;  // why the step refused path, when it did so by its own rule
};
SystemFailure LastSystemFailure();
// Makes failure the last one: an earlier failure again after an expected one.
void SetSystemFailure(const SystemFailure& failure);
// Records that a step refused path by a rule of its own, saying why ("the file is read-only"):
// the failure behind the step, without a system error.
void RecordRefusal(const std::string& path, const std::string& why);
// The kind of a system error code.
FailureKind KindOfFailure(unsigned code);
// The one retry policy (RetryPause): after a call of the kind has failed tries times, the first
// at started (SteadyMilliseconds), waits the pause the last failure's meaning calls for and
// answers true, or answers false when the call is to be tried no more. Each pause is measured by
// the clock and counts against the run's one cap. Every look of this header is retried so; a
// change is retried by its caller, which may have to judge again before the next try.
bool PauseBeforeRetry(CallKind call, unsigned tries, std::uint64_t started);
// The system's own text for an error code: one line, without a line end or a closing full stop.
std::string SystemErrorText(unsigned code);

// What a look at a name found. Only the system's "not found" (kNotThere of error_classes.h: also
// a file standing where the path names a folder, and a name Windows refuses as such) makes
// kNotThere, and "path not found" only while the root the path lies under (its drive, its
// \\server\share) answers: a drive not mapped or a share away is never taken for absence. Any other
// failure is kUnknown: a share that fails for a moment has not lost its files. LastSystemFailure
// tells why. Every look passes the door of disk_changes.h and is retried by the one policy; a look
// that succeeds costs nothing more.
enum class Found { kThere, kNotThere, kUnknown };
// kThere when a lookup of the exact name finds an entry that is not a directory; a directory there
// is kNotThere.
Found IsFile(const std::string& path);
// kThere when the path's attributes can be read and carry the directory flag; a file is kNotThere.
Found IsDirectory(const std::string& path);
// The attribute flags of an existing entry (kThere).
Found ReadAttributes(const std::string& path, unsigned* attributes);
// When an existing file was last written (kThere), on a clock of the port's own that only orders
// two such times.
Found LastWriteTime(const std::string& path, std::uint64_t* time);
// Creates one directory level; true on success (an existing directory is a failure).
bool CreateDirectoryA(const std::string& path);

// How the making of a file under a name that did not exist ended.
enum class NewFileResult { kMade, kNameTaken, kFailed };
// A copy CopyToNewFile made and kept open under its temporary name, so that PlaceCopy can give it
// its name without looking for it again; DropCopy removes it instead.
struct OpenCopy {
  std::string path;
  std::intptr_t handle = -1;
};
// Copies source to target, a name that must not exist yet; the copy takes the source's attributes
// and last-write time. With open, the copy stays open there for PlaceCopy or DropCopy.
// kNameTaken leaves the existing entry alone; after kFailed no part of the copy remains.
NewFileResult CopyToNewFile(const std::string& source, const std::string& target,
                            OpenCopy* open = nullptr);
// Gives the open copy the name to in one step, as RenameFile does, and closes it; true on success.
// A copy that could not be placed stays open under its temporary name.
bool PlaceCopy(OpenCopy* copy, const std::string& to, bool replaceExisting);
// Closes the open copy and removes it.
void DropCopy(OpenCopy* copy);
// Gives the file from the name to in one step. With replaceExisting an existing file of that name
// is replaced; without it the rename fails when the name exists. True on success.
bool RenameFile(const std::string& from, const std::string& to, bool replaceExisting);
// Removes a file, also a read-only one; true when it was removed.
bool RemoveFile(const std::string& path);

// How a directory listing ended.
enum class ListingResult { kListed, kNoDirectory, kFailed };
// Lists the entries matching a wildcard pattern (directory + "*.*" or another mask of names) into
// entries, in the platform's order, leaving out what the attribute mask excludes
// (PassesAttributeMask). kListed also when nothing matches; kNoDirectory when the directory does
// not exist (the system says "not found", or a file stands there); kFailed for any other error,
// with the entries found until then. Passes the door and is retried as the looks above are.
ListingResult ListDirectory(const std::string& pattern, unsigned attributeMask,
                            std::vector<DirectoryEntry>* entries);
// The entries ListDirectory finds, whatever its result.
std::vector<DirectoryEntry> EnumerateDirectory(const std::string& pattern, unsigned attributeMask);
// The mask rule: an entry is left out when it carries hidden, system, volume label or directory
// and the mask lacks that flag; read-only and archive never leave an entry out.
bool PassesAttributeMask(unsigned attributes, unsigned attributeMask);

// Full path of a possibly relative path; empty when empty, rejected, or longer than 259 characters.
std::string ExpandPath(const std::string& path);
// The current local time.
LocalTime LocalNow();
// Milliseconds on a clock that never goes back, from an arbitrary start.
std::uint64_t SteadyMilliseconds();
// Lets the given milliseconds pass before returning.
void PauseFor(unsigned milliseconds);

// The program's 8-bit text of UTF-16 units: on Windows in the ANSI code page, on POSIX in UTF-8.
// A unit the text cannot spell exactly, and U+0001, becomes an escape (name_escapes.h), so that
// UnitsOfText gives the very same units back; U+0000 becomes a zero byte.
std::string TextOfUnits(const std::u16string& units);
// The UTF-16 units of a program text: its characters, and each escape as its unit.
std::u16string UnitsOfText(const std::string& text);

// The lead bytes of the code page the program's text is in (GetCPInfo's ranges on Windows; none
// for UTF-8 and the single-byte code pages), for UseLeadBytes.
std::vector<LeadByteRange> LeadByteRanges();

// Case-insensitive equality under the user's default locale.
bool EqualIgnoringCase(const std::string& a, const std::string& b);
// A key for a text such that two keys are byte-equal exactly when EqualIgnoringCase holds.
// Valid for one run only; never store it.
std::string EqualityKeyOf(const std::string& text);

// Value of an environment variable; empty when not set. A long value is returned whole. A
// character the code page cannot spell comes as an escape (name_escapes.h), as in listed names.
std::string ReadEnvironment(const std::string& name);
// The process's command line as one text, the program's own name first; escapes as above.
std::string CommandLineText();
// Hands main's arguments to ports that have no command-line text of their own.
void RememberProcessArguments(int argc, char** argv);

// The whole content of a file, opened with other readers allowed and writers refused.
// Raises EFOpenError "Cannot open file %s"; a short read raises EReadError. Passes the door and is
// retried as the looks above are.
std::string ReadFileBytes(const std::string& path);
// ReadFileBytes into bytes, replacing their content and reusing their memory, for reading many
// files one after another without fresh memory for each.
void ReadFileBytesInto(const std::string& path, std::string* bytes);

// A file open for writing, made by CreateFileForWriting and released by CloseFile.
struct WritableFile {
  std::intptr_t handle = -1;
};
// Creates path for writing, without sharing: with mustBeNew only where no entry has that name
// (kNameTaken otherwise), else replacing a file there. Windows refuses to create over a directory
// or a read-only file; so does every port.
NewFileResult CreateFileForWriting(const std::string& path, bool mustBeNew, WritableFile* file);
// Writes all bytes at the file's position; false when fewer were stored.
bool WriteToFile(const WritableFile& file, const std::string& bytes);
// Brings what was written to the disk; true on success.
bool FlushFile(const WritableFile& file);
// Closes the file, whatever happened before; true when the close reported no error.
bool CloseFile(WritableFile* file);
// Gives replacement the name of target in one step, keeping target's attributes; target exists.
// Where that takes more than one step (Windows), the old file passes through backup, a name beside
// target that does not exist, so that a replace stopped half-way leaves only these three names; on
// success backup holds the file that was replaced (every port keeps it there). True on success.
bool ReplaceWithFile(const std::string& target, const std::string& replacement,
                     const std::string& backup);

// A number of this process, for names that others running at once should not pick.
unsigned ProcessNumber();
// A name for a temporary file in the directory of path: "~ox" and four hexadecimal digits, no
// longer than "orx.ini", so a file whose path fits a length limit can always be written beside.
// Each call gives the next of a sequence that starts from the process's number.
std::string TemporaryNameBeside(const std::string& path);
// Whether a name (without directory) has exactly the form TemporaryNameBeside gives.
bool IsTemporaryName(const std::string& name);

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

// ---- The account of a run -----------------------------------------------------------------------

// Local date and time, and how far local time is ahead of UTC (minutes; negative west of UTC).
struct ZonedTime {
  LocalTime local;
  int utcOffsetMinutes = 0;
};
// The current local time with its offset from UTC, both of one instant.
ZonedTime ZonedNow();
// The computer's own name (its NetBIOS name on Windows, the host name on POSIX); empty if unknown.
std::string ComputerName();
// The name of the user the process runs as; empty if unknown.
std::string UserName();
// Appends bytes at the end of the file, made when missing, in one write and without reading it,
// so that processes appending to one file at once never tear or interleave each other's bytes
// (it waits a few seconds at most for another appender). True when every byte was written.
// Records no failure.
bool AppendToFile(const std::string& path, const std::string& bytes);
// Forgets the last failed call, so that a step can tell a failure of its own from an earlier one.
void ForgetSystemFailure();

// ---- A check that changes nothing ---------------------------------------------------------------

// From now on for the rest of the process no call of this header changes a disk (AppendToFile
// aside): each change is recorded in memory instead, and every later look, listing and read sees
// what the recorded changes would have made (what_if.h). A change is taken to succeed unless what
// can be seen refuses it (a name taken, a missing folder, a read-only file to be written over).
void CheckOnlyFromNow();
// Whether the changes recorded since CheckOnlyFromNow, taken together, would leave the disk other
// than it is: a name that would be made, or gone, or hold other bytes or other read-only, hidden
// or system flags. A temporary file made and removed again, and a file written anew with the bytes
// and flags it holds, change nothing (its time of last change aside). False without a check.
bool CheckedChangesAlterDisk();

// ---- A rewrite that would change nothing --------------------------------------------------------

// How a file compared with the bytes it was to be given.
enum class FileComparison { kEqual, kDiffers, kFailed };
// Opens the existing file as its rewrite would, for writing and without sharing, so that it fails
// where a write would (a read-only file, a folder of that name, a file another process holds, a
// missing file or folder), reads it through that handle and closes it untouched: its bytes and
// last-write time stay. kEqual when it holds exactly bytes; kFailed records the failure. It
// changes nothing, so it passes the door of the looks and is tried again as the looks are.
FileComparison CompareFileForWriting(const std::string& path, const std::string& bytes);

}  // namespace orx
