// The month-file comparison walked line by line: a linear search for every line, quadratic per
// file pair. The counting comparison must give the same results; the benchmark times both.
#pragma once

#include <string>

#include "base/paths.h"
#include "files/month_compare.h"
#include "files/text.h"
#include "platform/platform.h"

namespace orx::testing {

inline int ReferenceCompareMonthData(const std::string& first, const std::string& second) {
  std::string directories[2] = {WithTrailingBackslash(first), WithTrailingBackslash(second)};
  TextLines files[2];
  for (int side = 0; side < 2; ++side) {
    const std::string data = directories[side] + "Data\\";
    for (const DirectoryEntry& entry : EnumerateDirectory(data + "????"
                                                                 "-??.txt",
                                                          47)) {
      if (IsMonthFileName(data + entry.name)) {
        files[side].push_back(LowerCase(data + entry.name));
      }
    }
  }
  long long unmatched[2] = {0, 0};
  const int walked = files[0].size() < files[1].size() ? 0 : 1;
  const int partner = 1 - walked;
  while (!files[walked].empty()) {
    const std::string entry = files[walked].back();
    const std::string partnerPath = LowerCase(directories[partner] + "Data\\" + FileNameOf(entry));
    const int found = FindLine(files[partner], partnerPath);
    if (found < 0) {
      unmatched[walked] += static_cast<long long>(ReadTextLines(entry).size());
    } else {
      TextLines lines[2];
      lines[partner] = ReadTextLines(files[partner][found]);
      lines[walked] = ReadTextLines(entry);
      const int shorter = lines[walked].size() < lines[partner].size() ? walked : partner;
      const int longer = 1 - shorter;
      while (!lines[shorter].empty()) {
        const int match = FindLine(lines[longer], lines[shorter].back());
        if (match >= 0) {
          lines[longer].erase(lines[longer].begin() + match);
        } else {
          ++unmatched[shorter];
        }
        lines[shorter].pop_back();
      }
      unmatched[longer] += static_cast<long long>(lines[longer].size());
      files[partner].erase(files[partner].begin() + found);
    }
    files[walked].pop_back();
  }
  for (const std::string& entry : files[partner]) {
    unmatched[partner] += static_cast<long long>(ReadTextLines(entry).size());
  }
  if (unmatched[0] > 0 && unmatched[1] > 0) {
    return -1;
  }
  return unmatched[0] > 0 ? 1 : unmatched[1] > 0 ? 2 : 0;
}

}  // namespace orx::testing
