// The built orxconfigc.exe as administrators inspect it: its version resource, its manifest, and
// the banner's and the log's version against the resource's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run_program.h"
#include "test_files.h"
#include "version_probe.h"

namespace orx::testing {
namespace {

std::vector<std::string> OutputLines(const std::string& output) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end = output.find("\r\n"); end != std::string::npos;
       end = output.find("\r\n", start)) {
    lines.push_back(output.substr(start, end - start));
    start = end + 2;
  }
  lines.push_back(output.substr(start));
  return lines;
}

// The first count parts of a version, joined by dots.
std::string VersionText(const unsigned (&parts)[4], int count) {
  std::string text = std::to_string(parts[0]);
  for (int part = 1; part < count; ++part) {
    text += "." + std::to_string(parts[part]);
  }
  return text;
}

// The named string of the resource, or a text no version string can be.
std::string StringOf(const VersionResource& resource, const std::string& name) {
  const auto found = resource.strings.find(name);
  return found != resource.strings.end() ? found->second : "<no " + name + ">";
}

// What Explorer shows: the built file's own name, the version and copyright the build was
// configured with, and a description and product name.
TEST(VersionResource, NamesTheBuiltProgramWithTheConfiguredVersion) {
  const std::optional<VersionResource> resource = ReadVersionResource(ProgramPath());
  ASSERT_TRUE(resource) << ProgramPath() << " has no readable version resource";
  const std::string fileName = ProgramPath().substr(ProgramPath().rfind('\\') + 1);
  const struct {
    const char* name;
    std::string expected;
  } rows[] = {
      {"FileVersion", ORX_EXPECTED_VERSION},
      {"ProductVersion", ORX_EXPECTED_VERSION},
      {"OriginalFilename", fileName},
      {"InternalName", fileName},
      {"LegalCopyright", ORX_EXPECTED_COPYRIGHT},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(StringOf(*resource, row.name), row.expected);
  }
  for (const char* name : {"FileDescription", "ProductName"}) {
    SCOPED_TRACE(name);
    const auto found = resource->strings.find(name);
    ASSERT_NE(found, resource->strings.end());
    EXPECT_FALSE(found->second.empty());
  }
}

TEST(VersionResource, FixedVersionsMatchTheVersionStrings) {
  const std::optional<VersionResource> resource = ReadVersionResource(ProgramPath());
  ASSERT_TRUE(resource);
  EXPECT_EQ(VersionText(resource->fileVersion, 4), StringOf(*resource, "FileVersion"));
  EXPECT_EQ(VersionText(resource->productVersion, 4), StringOf(*resource, "ProductVersion"));
}

TEST(VersionResource, BannerTitleCarriesTheResourceVersion) {
  const std::optional<VersionResource> resource = ReadVersionResource(ProgramPath());
  ASSERT_TRUE(resource);
  const ProgramResult run = RunProgram({});
  ASSERT_EQ(run.exitStatus, 0);
  const std::vector<std::string> lines = OutputLines(run.output);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[1], "Ormatide - Workgroup Configuration Version " +
                          VersionText(resource->fileVersion, 2) + " (Console)");
}

// The log tells releases apart where the banner cannot: its Program: line carries the
// resource's first three parts.
TEST(VersionResource, LogNamesTheResourceRelease) {
  const std::optional<VersionResource> resource = ReadVersionResource(ProgramPath());
  ASSERT_TRUE(resource);
  ScopedTempDir temp;
  MakeDirectories(temp / "inst");
  const ProgramResult run = RunProgram({"/v" + temp / "inst", "/l" + temp / "run.log"});
  ASSERT_EQ(run.exitStatus, 0) << run.output;
  const std::string program =
      "\r\nProgram: orxconfigc.exe " + VersionText(resource->fileVersion, 3) + "\r\n";
  EXPECT_NE(ReadFile(temp / "run.log").find(program), std::string::npos);
}

TEST(ProcessManifest, RunsAsInvokerOnWindows7To11InTheUsersCodePage) {
  const std::optional<std::string> manifest = ReadProcessManifest(ProgramPath());
  ASSERT_TRUE(manifest) << ProgramPath() << " has no embedded manifest";
  EXPECT_EQ(XmlAttribute(*manifest, "requestedExecutionLevel", "level"), "asInvoker");
  EXPECT_EQ(XmlAttribute(*manifest, "requestedExecutionLevel", "uiAccess"), "false");
  const struct {
    const char* system;
    const char* id;
  } rows[] = {
      {"Windows 7", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"},
      {"Windows 8", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"},
      {"Windows 8.1", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}"},
      {"Windows 10 and 11", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.system);
    EXPECT_NE(manifest->find("<supportedOS Id=\"" + std::string(row.id) + "\"/>"),
              std::string::npos);
  }
  // A code page of the manifest's own would turn the A-functions' bytes into UTF-8.
  EXPECT_EQ(manifest->find("<activeCodePage"), std::string::npos);
}

TEST(ProcessManifest, AttributeReaderTakesOnlyWholeNames) {
  const struct {
    const char* xml;
    const char* element;
    const char* attribute;
    std::optional<std::string> expected;
  } rows[] = {
      {"<a level=\"x\"/>", "a", "level", "x"},
      {"<a\n  level='x'>", "a", "level", "x"},
      {"<ab level=\"x\"/><a level=\"y\"/>", "a", "level", "y"},
      {"<a sublevel=\"x\" level=\"y\"/>", "a", "level", "y"},
      {"<a other=\"x\"/>", "a", "level", std::nullopt},
      {"<b level=\"x\"/>", "a", "level", std::nullopt},
      {"<a level=\"x/>", "a", "level", std::nullopt},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.xml);
    EXPECT_EQ(XmlAttribute(row.xml, row.element, row.attribute), row.expected);
  }
}

}  // namespace
}  // namespace orx::testing
