// What the system's answers mean: the one table from an error number to what the program does
// about it, and the one retry policy that follows from it. Pure rules, tested on every build; the
// ports only collect the number (and, for a rename or removal, whether its target is read-only or
// a folder).
#pragma once

#include <cstdint>
#include <string>

namespace orx {

// The meaning of a failed call's error.
enum class ErrorClass {
  kNotThere,     // no such file or folder (under a root that answers)
  kUnreachable,  // the drive or share cannot be reached: never "not there"
  kHeld,         // another program holds the file for a moment: waited out
  kRefused,      // access denied for good: a read-only file, a folder, a protected volume
  kFull,         // no room left on the volume
  kOther,        // anything else
};

// The kind of call that failed, where a number's meaning depends on it.
enum class CallKind {
  kLook,            // a look-up, listing or read
  kRenameOrRemove,  // a rename onto a name, or the removal of a file
  kChange,          // any other change: a directory made, a file created, written or replaced
};

// Windows' error numbers. targetRefusing tells, for a rename or removal that answered 5, whether
// its target is read-only or a folder (a refusal) rather than open without delete sharing (held).
ErrorClass ClassOfWindowsError(unsigned code, CallKind call, bool targetRefusing);
// POSIX errno values, into the same classes.
ErrorClass ClassOfPosixError(int code, CallKind call, bool targetRefusing);
// The errno the POSIX port gives where Windows answers code; EIO where none is closer.
int PosixErrorOf(unsigned windowsCode);

// The root a path lies under, with its final backslash: "h:\" of "h:\ormatide\orx.ini",
// "\\server\share\" of "\\server\share\a", "\" (the current drive's) of "\ormatide". Empty for a
// relative path (the current folder answers for it) and for a root that is the path itself.
std::string RootOf(const std::string& path);

// The limits of the one retry policy, in milliseconds: a look that fails otherwise than "not
// there" is tried again after 10, 30 and 60 ms; a call on a file held for a moment after pauses
// from 10 ms doubling up to 250 ms, for at most 2 s from its first try. Every pause of the run
// counts against 8 s, measured by the clock.
inline constexpr unsigned kFirstHeldPause = 10;
inline constexpr unsigned kLongestHeldPause = 250;
inline constexpr unsigned kHeldWaitPerCall = 2000;
inline constexpr unsigned kWaitPerRun = 8000;

// The pause before the next try of a call whose last try failed with meaning, after tries tries
// (1 or more) and waited milliseconds since the first, with runLeft milliseconds of the run's
// waiting left; 0 when it is to be tried no more. Only a look is tried again after an unreachable
// or other answer, and only a held file after anything that changes the disk.
unsigned RetryPause(ErrorClass meaning, CallKind call, unsigned tries, std::uint64_t waited,
                    std::uint64_t runLeft);

}  // namespace orx
