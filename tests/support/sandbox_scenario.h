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

  // Runs the program in the sandbox, with APPDATA pointing into it.
  ProgramResult Run(const std::vector<std::string>& arguments) const {
    RunOptions options;
    options.workingDirectory = temp_.path();
    options.appData = temp_.path() + "appdata";
    return RunProgram(arguments, options);
  }

  // The banner, the report header and the further lines, as the program prints them.
  static std::string Report(const std::string& header, const std::vector<std::string>& lines) {
    std::string text = kBanner + header;
    for (const std::string& line : lines) {
      text += "\r\n" + line;
    }
    return text + "\r\n";
  }

  ScopedTempDir temp_;
};

}  // namespace orx::testing
