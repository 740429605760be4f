// The program's one failure type for what no operation handles: raised at the edge, caught by main.
#pragma once

#include <stdexcept>
#include <string>

namespace orx {

// Kind names of the failures the program raises.
inline constexpr const char kFileOpenError[] = "EFOpenError";
inline constexpr const char kFileCreateError[] = "EFCreateError";
inline constexpr const char kWriteError[] = "EWriteError";
inline constexpr const char kReadError[] = "EReadError";
inline constexpr const char kOutOfMemory[] = "EOutOfMemory";
inline constexpr const char kInOutError[] = "EInOutError";
inline constexpr const char kConvertError[] = "EConvertError";
inline constexpr const char kGeneralError[] = "Exception";

// A failure that ends the run through the entry's default failure handling.
class RaisedFailure : public std::runtime_error {
 public:
  RaisedFailure(std::string kind, const std::string& message, const void* codeAddress)
      : std::runtime_error(message), kind_(std::move(kind)), codeAddress_(codeAddress) {}

  // One word naming the kind of failure ("EFOpenError", ...).
  const std::string& kind() const { return kind_; }
  // Address of the code that raised the failure; the entry shows it as an offset in the module.
  const void* codeAddress() const { return codeAddress_; }

 private:
  std::string kind_;
  const void* codeAddress_;
};

// Throws a RaisedFailure whose code location is the instruction after the call to this function,
// that is, the place in the raising operation.
[[noreturn]] void RaiseFailure(const char* kind, const std::string& message);

// "Cannot open file %s", "Cannot create file %s" and the other messages with a file name in them.
std::string MessageWithName(const char* format, const std::string& name);

}  // namespace orx
