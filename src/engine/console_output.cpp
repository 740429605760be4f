#include "engine/console_output.h"

#include <cstddef>

#include "base/name_escapes.h"
#include "base/raised_failure.h"
#include "platform/platform.h"

namespace orx {

namespace {

// The buffer is handed to the platform when full, and at every line end for a character device.
constexpr std::size_t kBufferSize = 128;

struct ConsoleOutput {
  bool opened = false;
  OutputDevice device = OutputDevice::kNone;
  char buffer[kBufferSize];
  std::size_t used = 0;
  unsigned error = 0;
};

ConsoleOutput& Output() {
  static ConsoleOutput output;
  if (!output.opened) {
    output.opened = true;
    output.device = StandardOutputDevice();
  }
  return output;
}

// Error code given for an output that has no usable handle ("invalid handle").
constexpr unsigned kNoOutputHandle = 6;

void Drain(ConsoleOutput& output) {
  if (output.used == 0) {
    return;
  }
  if (output.device == OutputDevice::kNone) {
    output.error = kNoOutputHandle;
  } else if (output.error == 0) {
    output.error = WriteStandardOutput(output.buffer, output.used);
  }
  output.used = 0;
}

void Put(ConsoleOutput& output, const char* data, std::size_t size) {
  while (size > 0) {
    if (output.used == kBufferSize) {
      Drain(output);
    }
    std::size_t room = kBufferSize - output.used;
    std::size_t piece = size < room ? size : room;
    for (std::size_t i = 0; i < piece; ++i) {
      output.buffer[output.used + i] = data[i];
    }
    output.used += piece;
    data += piece;
    size -= piece;
  }
  if (output.used == kBufferSize) {
    Drain(output);
  }
}

// The message of a failed console write with the platform's error code.
std::string InOutErrorMessage(unsigned code) {
  switch (code) {
    case 2:
      return "File not found";
    case 3:
      return "Invalid filename";
    case 4:
      return "Too many open files";
    case 5:
      return "File access denied";
    case 100:
      return "Read beyond end of file";
    case 101:
      return "Disk full";
    case 106:
      return "Invalid numeric input";
    default:
      return "I/O error " + std::to_string(code);
  }
}

}  // namespace

void LineWrite(const std::string& text) {
  ConsoleOutput& output = Output();
  const std::string shown = WithEscapesShown(text);
  Put(output, shown.data(), shown.size());
  Put(output, "\r\n", 2);
  if (output.device == OutputDevice::kCharacter) {
    Drain(output);
  }
  if (output.device == OutputDevice::kNone) {
    output.error = kNoOutputHandle;
  }
  if (output.error != 0) {
    RaiseFailure(kInOutError, InOutErrorMessage(output.error));
  }
}

void FlushOutput() {
  ConsoleOutput& output = Output();
  Drain(output);
}

void ClearOutputError() {
  ConsoleOutput& output = Output();
  output.error = 0;
}

}  // namespace orx
