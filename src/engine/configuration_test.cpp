#include "engine/configuration.h"

#include <gtest/gtest.h>

#include "failure_of.h"
#include "settings/installation_settings.h"
#include "test_files.h"

namespace orx {
namespace {

TEST(Configure, OfTwoRunsOnOneInstallationTheLaterWriterFailsAndLeavesTheOthersRedirection) {
  testing::ScopedTempDir dir;
  const std::string settings = dir / "inst\\orx.ini";
  testing::WriteFile(settings, "[Setup]\r\nVersion=3\r\n");
  ConfigurationRequest request;
  request.installDirectory = dir / "inst\\";
  request.newRedirection = dir / "mine\\";
  const SettingsDocument read = OpenSettingsDocument(settings);
  // The other run records its own redirection after this one has read the settings.
  WriteRedirection(request.installDirectory, dir / "theirs\\");
  const std::string theirs = testing::ReadFile(settings);

  EXPECT_EQ(testing::FailureOf([&] { Configure(request, read); }),
            "EFCreateError Cannot create file " + settings);
  EXPECT_EQ(testing::ReadFile(settings), theirs);
}

}  // namespace
}  // namespace orx
