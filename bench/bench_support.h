// Small pieces the benchmark programs share.
#pragma once

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace orx::bench {

// A native path in the program's form (backslashes).
inline std::string ProgramForm(const std::filesystem::path& native) {
  std::string text = native.string();
  std::replace(text.begin(), text.end(), '/', '\\');
  return text;
}

// Processor time this process has used, in seconds: on a machine that other work shares,
// wall-clock time measures the neighbours as much as the program. (The Windows C library's clock()
// is wall-clock time.)
inline double ProcessorSeconds() {
#ifdef _WIN32
  FILETIME creation, exit, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
  const auto seconds = [](const FILETIME& time) {
    return static_cast<double>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) |
                               time.dwLowDateTime) /
           1e7;
  };
  return seconds(kernel) + seconds(user);
#else
  return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
#endif
}

// The middle value (the upper one of an even count).
inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace orx::bench
