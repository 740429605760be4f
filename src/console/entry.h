// The program's entry: banner, then the syntax screen or a configuration run, and the default
// handling of failures that no operation handles.
#pragma once

#include <cstdint>
#include <string>

namespace orx {

// "Ormatide - Workgroup Configuration Version 3.0 (Console)".
std::string ProgramTitle();
// Writes the syntax screen as one line.
void ShowSyntax();
// The default failure text: "Exception <kind> in module <module> at <offset>." LF message ".".
std::string FailureText(const std::string& kind, const std::string& module, std::uint32_t offset,
                        const std::string& message);
// Runs the program with main's arguments and returns its exit status.
int RunProgram(int argc, char** argv);

}  // namespace orx
