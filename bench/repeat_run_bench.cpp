// Times the daily login-script run: the same /r line run again on a workstation whose data already
// live in that redirection, with 12 month files of 1 000 lines (0.6 MB) and of 40 000 lines (24
// MB). The repeat run has nothing to move, so its time should not grow with the data. Usage:
// bench_repeat_run [rounds, default 9] [program [loader]]
//   without a program the host build's; with a loader (/usr/lib/wine/wine64) the program runs
//   under it, in the environment this process has (scripts/env.sh sets Wine's).
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_support.h"

namespace fs = std::filesystem;

namespace {

using orx::bench::Median;
using orx::bench::ProgramForm;
using orx::bench::ReadAll;
using orx::bench::TimedRun;

constexpr int kMonthFiles = 12;

// An installation with kMonthFiles month files of linesPerFile booking lines of about 50 bytes.
void MakeInstallation(const fs::path& install, int linesPerFile) {
  orx::bench::WriteInstallationFiles(install);
  char name[16];
  char line[96];
  for (int month = 1; month <= kMonthFiles; ++month) {
    std::snprintf(name, sizeof name, "2024-%02d.txt", month);
    std::string text;
    for (int i = 0; i < linesPerFile; ++i) {
      std::snprintf(line, sizeof line, "2024-%02d-%02d;Client %05d;Project %05d;%05d;%d.%02d\r\n",
                    month, 1 + i % 28, i % 4999, i % 7919, i, i % 9, i % 100);
      text += line;
    }
    std::ofstream(install / "Data" / name, std::ios::binary) << text;
  }
}

struct Setup {
  explicit Setup(int lines) : linesPerFile(lines) {}
  int linesPerFile;
  double megabytes = 0;
  std::vector<std::string> repeat;  // the repeated command line
  std::vector<double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 9;
  const std::string program = argc > 2 ? argv[2] : ORX_PROGRAM_PATH;
  const std::string loader = argc > 3 ? argv[3] : "";
  const fs::path root =
      fs::temp_directory_path() / ("orx-bench-repeat-" + std::to_string(getpid()));
  const fs::path output = root / "output.txt";
  fs::create_directories(root);

  std::vector<std::string> launch;
  if (!loader.empty()) {
    launch.push_back(loader);
  }
  launch.push_back(program);
  // Drive z: is the root under Wine, and the host build maps any drive prefix to the root.
  const auto dir = [](const fs::path& path) { return "z:" + ProgramForm(path); };

  std::vector<Setup> setups = {Setup(1000), Setup(40000)};
  for (Setup& setup : setups) {
    const fs::path base = root / std::to_string(setup.linesPerFile);
    MakeInstallation(base / "inst", setup.linesPerFile);
    fs::create_directories(base / "server");
    for (const auto& entry : fs::directory_iterator(base / "inst" / "Data")) {
      setup.megabytes += static_cast<double>(entry.file_size()) / 1e6;
    }
    std::vector<std::string> first = launch;
    first.insert(first.end(), {"/v" + dir(base / "inst"), "/s" + dir(base / "server"),
                               "/r" + dir(base / "redir"), "/d", "/a"});
    const double firstSeconds = TimedRun(first, output.string());
    if (ReadAll(output).find("Data files have been copied") == std::string::npos) {
      std::fprintf(stderr, "the first run did not move the data:\n%s", ReadAll(output).c_str());
      return 1;
    }
    // As a login script repeats it: another letter case than the stored Redirect, no /d.
    setup.repeat = launch;
    setup.repeat.insert(setup.repeat.end(), {"/v" + dir(base / "inst"), "/s" + dir(base / "server"),
                                             "/r" + dir(base / "Redir"), "/a"});
    TimedRun(setup.repeat, output.string());
    const std::string report = ReadAll(output);
    if (report.find("Ormatide has been configured on this machine.") == std::string::npos ||
        report.find("Data files have been copied") != std::string::npos) {
      std::fprintf(stderr, "the repeat run did not end as expected:\n%s", report.c_str());
      return 1;
    }
    std::printf("%6d lines x %d month files (%.1f MB): first run (moves the data) %.3f s\n",
                setup.linesPerFile, kMonthFiles, setup.megabytes, firstSeconds);
  }
  // Alternating the sizes spreads the machine's other work over both alike.
  for (int round = 0; round < rounds; ++round) {
    for (Setup& setup : setups) {
      setup.seconds.push_back(TimedRun(setup.repeat, output.string()));
    }
  }
  for (const Setup& setup : setups) {
    std::printf("repeat run, %5.1f MB of month data: %.4f s (median of %d)\n", setup.megabytes,
                Median(setup.seconds), rounds);
  }
  const double ratio = Median(setups[1].seconds) / Median(setups[0].seconds);
  std::printf("ratio 24 MB / 0.6 MB: %.2f (target <= 1.2): %s\n", ratio,
              ratio <= 1.2 ? "met" : "missed");
  fs::remove_all(root);
  return 0;
}
