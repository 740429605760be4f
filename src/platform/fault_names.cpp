#include "platform/fault_names.h"

namespace orx {

FaultName NameOfFault(FaultKind kind) {
  switch (kind) {
    case FaultKind::kAccessViolation:
      return {"EAccessViolation", "Access violation"};
    case FaultKind::kDivisionByZero:
      return {"EDivByZero", "Division by zero"};
    case FaultKind::kStackOverflow:
      return {"EStackOverflow", "Stack overflow"};
    case FaultKind::kPrivilegedInstruction:
      return {"EPrivilege", "Privileged instruction"};
    case FaultKind::kExternal:
      break;
  }
  return {"EExternalException", "External exception"};
}

}  // namespace orx
