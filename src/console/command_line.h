// The splitting of the process's command line into arguments.
#pragma once

#include <string>
#include <vector>

namespace orx {

// The longest argument: a longer run of characters continues in the next argument.
inline constexpr std::size_t kMaximumArgumentLength = 4096;

// The arguments of a command line (the program's own name not included), up to the first empty
// token. A pure function of the text.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

}  // namespace orx
