// Times the data move of a whole run, 20 000 files in 200 folders (1 B to 4 KiB each) moved to a
// new redirection, against Wine's "xcopy /e /h /i /y" of the same Data tree (or "cp -r" without a
// loader), alternating the two, and prints every figure and the ratio of the medians.
// Usage: bench_data_move [runs, default 3] [program [loader]]
//   without a program the host build's; with a loader (/usr/lib/wine/wine64) the program and
//   xcopy run under it, in the environment this process has (scripts/env.sh sets Wine's).
#include <unistd.h>

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
using orx::bench::PrintRuns;
using orx::bench::ProgramForm;
using orx::bench::ReadAll;
using orx::bench::TimedRun;

constexpr int kFolders = 200;
constexpr int kFilesPerFolder = 100;

// The number of files under root, to check that each side copied the whole tree.
int FileCount(const fs::path& root) {
  int count = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    count += entry.is_regular_file() ? 1 : 0;
  }
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::atoi(argv[1]) : 3;
  const std::string program = argc > 2 ? argv[2] : ORX_PROGRAM_PATH;
  const std::string loader = argc > 3 ? argv[3] : "";
  const fs::path root = fs::temp_directory_path() / ("orx-bench-move-" + std::to_string(getpid()));
  const fs::path install = root / "inst";
  std::uintmax_t bytes = 0;
  for (const fs::path& file :
       orx::bench::WriteBigInstallation(install, kFolders, kFilesPerFolder)) {
    bytes += fs::file_size(file);
  }
  const int files = FileCount(install / "Data");
  fs::copy_file(install / "orx.ini", root / "orx.ini.saved");
  const fs::path output = root / "output.txt";
  // Drive z: is the root under Wine, and the host build maps any drive prefix to the root.
  const auto dir = [](const fs::path& path) { return "z:" + ProgramForm(path); };

  std::vector<double> moves;
  std::vector<double> copies;
  for (int run = 0; run < runs; ++run) {
    const fs::path redirection = root / ("redir" + std::to_string(run));
    const fs::path copy = root / ("copy" + std::to_string(run)) / "Data";
    std::vector<std::string> move;
    std::vector<std::string> reference;
    if (!loader.empty()) {
      move.push_back(loader);
      reference = {loader, "xcopy", "/e", "/h", "/i", "/y", dir(install / "Data"), dir(copy)};
    } else {
      reference = {"cp", "-r", (install / "Data").string(), copy.string()};
      fs::create_directories(copy.parent_path());
    }
    move.insert(move.end(), {program, "/v" + dir(install), "/r" + dir(redirection)});
    moves.push_back(TimedRun(move, output.string()));
    if (ReadAll(output).find("Data files have been copied") == std::string::npos) {
      std::fprintf(stderr, "the run did not move the data:\n%s", ReadAll(output).c_str());
      return 1;
    }
    // Undo the redirection so that every run moves the data anew.
    fs::copy_file(root / "orx.ini.saved", install / "orx.ini",
                  fs::copy_options::overwrite_existing);
    copies.push_back(TimedRun(reference, output.string()));
    if (FileCount(redirection / "Data") != files || FileCount(copy) != files) {
      std::fprintf(stderr, "a side did not copy all %d files\n", files);
      return 1;
    }
  }
  std::printf("data move of %d files in %d folders (%.1f MB), %d alternating runs, wall-clock:\n",
              files, kFolders, static_cast<double>(bytes) / 1e6, runs);
  PrintRuns("the program's move (s):", moves);
  PrintRuns(loader.empty() ? "cp -r (s):" : "xcopy /e /h /i /y (s):", copies);
  const double ratio = Median(moves) / Median(copies);
  std::printf("ratio of the medians: %.2f (target <= 0.9): %s\n", ratio,
              ratio <= 0.9 ? "met" : "missed");
  fs::remove_all(root);
  return 0;
}
