#include "base/raised_failure.h"

#if defined(_MSC_VER)
#include <intrin.h>
#pragma intrinsic(_ReturnAddress)
#define ORX_RETURN_ADDRESS() _ReturnAddress()
#define ORX_NOINLINE __declspec(noinline)
#else
#define ORX_RETURN_ADDRESS() __builtin_return_address(0)
#define ORX_NOINLINE __attribute__((noinline))
#endif

namespace orx {

ORX_NOINLINE void RaiseFailure(const char* kind, const std::string& message) {
  throw RaisedFailure(kind, message, ORX_RETURN_ADDRESS());
}

std::string MessageWithName(const char* format, const std::string& name) {
  std::string text(format);
  const std::string::size_type at = text.find("%s");
  if (at != std::string::npos) {
    text.replace(at, 2, name);
  }
  return text;
}

}  // namespace orx
