// The program's fixed texts as the scenario tests expect them, byte for byte.
#pragma once

#include <string>

namespace orx::testing {

// An empty line, the title and the rule line, each ended by CR LF.
inline const std::string kBanner =
    "\r\n"
    "Ormatide - Workgroup Configuration Version 3.0 (Console)\r\n"
    "--------------------------------------------------------\r\n";
// The report headers of a successful and of a failed run.
inline const std::string kConfigured = "Ormatide has been configured on this machine.\r\n";
inline const std::string kFailed = "Ormatide configuration failed.\r\n";

}  // namespace orx::testing
