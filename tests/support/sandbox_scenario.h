// The fixture of the whole-program scenarios: a sandbox directory, runs of the built program in it,
// a workstation installation to start from, and the expected report texts.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "program_texts.h"
#include "run_program.h"
#include "test_files.h"

namespace orx::testing {

// A workstation's settings file, and what the store writes back for it: comments dropped, one
// empty line after each section.
inline const std::string kLocalSettings =
    ";Ormatide settings\r\n[Setup]\r\nVersion=3\r\n\r\n[Display]\r\nTheme=Blue\r\n";
inline const std::string kLocalSettingsRewritten =
    "[Setup]\r\nVersion=3\r\n\r\n[Display]\r\nTheme=Blue\r\n\r\n";

// A workstation installation with its settings, marker, shared files and two months of data.
inline const Tree kInstallation = {
    {"orx.ini", kLocalSettings},
    {"orx.inf", "Ormatide 3.0\r\n"},
    {"Data\\ClientProject.txt", "Acme;Project A\r\n"},
    {"Data\\CategoryActivity.txt", "Design;Drawing\r\n"},
    {"Data\\2024-01.txt", "2024-01-02;Acme;8\r\n2024-01-03;Acme;6\r\n"},
    {"Data\\2024-02.txt", "2024-02-01;Acme;7\r\n"},
};

class SandboxScenario : public ::testing::Test {
 protected:
  // A directory of the sandbox, as the program shows it: lower case, one trailing backslash.
  std::string Dir(const std::string& name) const { return temp_.path() + name + "\\"; }
  // The same without the trailing backslash, as the settings file stores it.
  std::string Stored(const std::string& name) const { return temp_.path() + name; }

  // A run in the sandbox as its current directory, with APPDATA pointing into it.
  RunOptions Options() const {
    RunOptions options;
    options.workingDirectory = temp_.path();
    options.appData = temp_.path() + "appdata";
    return options;
  }
  ProgramResult Run(const std::vector<std::string>& arguments) const {
    return RunProgram(arguments, Options());
  }

  // The banner, the report header and the further lines, as the program prints them.
  static std::string Report(const std::string& header, const std::vector<std::string>& lines) {
    std::string text = kBanner + header;
    for (const std::string& line : lines) {
      text += "\r\n" + line;
    }
    return text + "\r\n";
  }
  // The banner and the failure report with its message, as the program prints them.
  static std::string FailureReport(const std::string& message) {
    return kBanner + kFailed + message + "\r\n";
  }
  // The banner and the default failure text of a raised failure, whatever its code location.
  static std::regex FailureTextPattern(const std::string& kind, const std::string& message) {
    return std::regex(Literal(kBanner) + "Exception " + kind +
                      " in module orxconfigc(\\.exe)? at [0-9A-F]{8}\\.\n" + Literal(message) +
                      "\\.\r\n");
  }
  // One record of a run with these arguments that /l appends: any time and user, the computer,
  // the output after the banner as it was printed, the failed call when code is not 0, the status.
  static std::string RecordPattern(const std::string& computer,
                                   const std::vector<std::string>& arguments,
                                   const std::string& output, const std::string& failedPath,
                                   unsigned code, int exitStatus) {
    std::string commandLine;
    for (const std::string& argument : arguments) {
      commandLine += " " + argument;
    }
    return "Run: \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d [+-]\\d\\d:\\d\\d\r\nComputer: " +
           Literal(computer) + "\r\nUser: [^\r\n]*\r\nProgram: orxconfigc\\.exe 3\\.0\\.1\r\n" +
           "Command line: [^\r\n]*" + Literal(commandLine) + "\r\n" +
           Literal(output.substr(std::min(output.size(), kBanner.size()))) +
           (code == 0 ? std::string()
                      : "Failed path: " + Literal(failedPath) +
                            "\r\nSystem error: " + std::to_string(code) + " \\([^\r\n]+\\)\r\n") +
           "Exit status: " + std::to_string(exitStatus) + "\r\n\r\n";
  }
  // Text as a regular expression that matches exactly it.
  static std::string Literal(const std::string& text) {
    return std::regex_replace(text, std::regex(R"([-()\\.\[\]{}^$*+?|])"), "\\$&");
  }

  ScopedTempDir temp_;
};

}  // namespace orx::testing
