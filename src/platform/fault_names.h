// The names a platform fault is reported under, whichever port caught it.
#pragma once

namespace orx {

// The faults a port tells apart; anything else is kExternal.
enum class FaultKind {
  kAccessViolation,
  kDivisionByZero,
  kStackOverflow,
  kPrivilegedInstruction,
  kExternal,
};

struct FaultName {
  const char* kind;     // the exception class, "EAccessViolation"
  const char* message;  // its message, "Access violation"
};

// The names of a fault kind; static texts, so a signal handler may call it.
FaultName NameOfFault(FaultKind kind);

}  // namespace orx
