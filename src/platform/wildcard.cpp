#include "platform/wildcard.h"

#include "platform/case_fold.h"

namespace orx {

namespace {

// Matches texts already folded, backtracking to the last '*' only.
bool MatchesFolded(const std::string& pattern, const std::string& name) {
  std::string::size_type p = 0;
  std::string::size_type n = 0;
  std::string::size_type starP = std::string::npos;
  std::string::size_type starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') {
    ++p;
  }
  return p == pattern.size();
}

}  // namespace

bool MatchesWildcard(const std::string& pattern, const std::string& name) {
  const std::string foldedPattern = CaseFolded(pattern);
  const std::string folded = CaseFolded(name);
  if (MatchesFolded(foldedPattern, folded)) {
    return true;
  }
  const std::string::size_type size = foldedPattern.size();
  return size >= 2 && foldedPattern.compare(size - 2, 2, ".*") == 0 &&
         MatchesFolded(foldedPattern.substr(0, size - 2), folded);
}

}  // namespace orx
