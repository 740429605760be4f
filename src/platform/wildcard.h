// How Windows matches the names of a directory listing against a wildcard pattern.
#pragma once

#include <string>

namespace orx {

// True when name matches pattern without regard to case (CaseFolded): '*' stands for any run of
// characters, '?' for any one character, and a final ".*" also matches a name without a dot, so
// "*.*" matches every name. (Windows also matches 8.3 short names; callers that need an exact
// rule check each listed name themselves.)
bool MatchesWildcard(const std::string& pattern, const std::string& name);

}  // namespace orx
