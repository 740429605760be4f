// Times a whole configuration run that moves ten years of month data (120 files of 2 000 lines) to
// a new redirection, against `cp -r` of the same Data tree. Prints the figures and the ratio.
#include <unistd.h>

#include <algorithm>
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
using orx::bench::TimedRun;

void MakeInstallation(const fs::path& install) {
  orx::bench::WriteInstallationFiles(install);
  char name[16];
  char line[96];
  for (int year = 2015; year < 2025; ++year) {
    for (int month = 1; month <= 12; ++month) {
      std::snprintf(name, sizeof(name), "%04d-%02d.txt", year, month);
      std::ofstream out(install / "Data" / name, std::ios::binary);
      for (int i = 0; i < 2000; ++i) {
        std::snprintf(line, sizeof(line),
                      "%04d-%02d-%02d;Client %d;Category %d;Activity %d;%d.%d\r\n", year, month,
                      i % 28 + 1, i % 37, i % 11, i % 53, i % 9, i % 10);
        out << line;
      }
    }
  }
}

}  // namespace

int main() {
  const fs::path root = fs::temp_directory_path() / ("orxbench-" + std::to_string(getpid()));
  const fs::path install = root / "inst";
  MakeInstallation(install);
  const int rounds = 5;
  std::vector<double> runs;
  std::vector<double> copies;
  fs::copy_file(install / "orx.ini", root / "orx.ini.saved");
  for (int round = 0; round < rounds; ++round) {
    const fs::path redirection = root / ("redir" + std::to_string(round));
    const fs::path copy = root / ("copy" + std::to_string(round));
    runs.push_back(
        TimedRun({ORX_PROGRAM_PATH, "/v" + ProgramForm(install), "/r" + ProgramForm(redirection)}));
    // Undo the redirection so that every round moves the data anew.
    fs::copy_file(root / "orx.ini.saved", install / "orx.ini",
                  fs::copy_options::overwrite_existing);
    copies.push_back(TimedRun({"cp", "-r", (install / "Data").string(), copy.string()}));
  }
  const double run = Median(runs);
  const double copy = Median(copies);
  std::printf("whole run moving 120 month files of 2000 lines: %.4f s (median of %d)\n", run,
              rounds);
  std::printf("cp -r of the same Data tree:                    %.4f s (median of %d)\n", copy,
              rounds);
  std::printf("ratio: %.2f (target <= 1.5)\n", run / copy);
  fs::remove_all(root);
  return 0;
}
