// The fixture of the whole-program scenarios: a sandbox directory, runs of the built program in it,
// and the expected report texts.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program_texts.h"
#include "run_program.h"
#include "test_files.h"

namespace orx::testing {

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

  ScopedTempDir temp_;
};

}  // namespace orx::testing
