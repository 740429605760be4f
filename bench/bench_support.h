// Small pieces the benchmark programs share.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace orx::bench {

// A native path in the program's form (backslashes).
inline std::string ProgramForm(const std::filesystem::path& native) {
  std::string text = native.string();
  std::replace(text.begin(), text.end(), '/', '\\');
  return text;
}

// The middle value (the upper one of an even count).
inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace orx::bench
