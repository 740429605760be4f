// Times the check (/n) of a line that would move 20 000 files in 200 folders (1 B to 4 KiB each)
// to a new redirection against the real move of them, alternating the two, and shows that the
// check reads no data file: before each check every data file's time of last access is set back
// to before its last change, which the next read of it moves on (relatime, the default; a control
// file read on purpose tells whether this volume records reads at all).
// Usage: bench_check_only [runs, default 3] [program [loader]]
//   as bench_data_move: without a program the host build's; with a loader (/usr/lib/wine/wine64)
//   the program runs under it.
#include <fcntl.h>
#include <sys/stat.h>
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

// The line would copy them: with /n its status is 3.
constexpr int kWouldChange = 3;

// Sets the file's last access to 2001, before its last change, which stays.
void SetAccessBack(const fs::path& file) {
  const struct timespec times[2] = {{1000000000, 0}, {0, UTIME_OMIT}};
  utimensat(AT_FDCWD, file.c_str(), times, 0);
}

bool Accessed(const fs::path& file) {
  struct stat info;
  return stat(file.c_str(), &info) == 0 && info.st_atim.tv_sec != 1000000000;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::atoi(argv[1]) : 3;
  const std::string program = argc > 2 ? argv[2] : ORX_PROGRAM_PATH;
  const std::string loader = argc > 3 ? argv[3] : "";
  const fs::path root = fs::temp_directory_path() / ("orx-bench-check-" + std::to_string(getpid()));
  const fs::path install = root / "inst";
  const std::vector<fs::path> files = orx::bench::WriteBigInstallation(install, 200, 100);
  fs::copy_file(install / "orx.ini", root / "orx.ini.saved");
  const fs::path control = root / "control.txt";
  std::ofstream(control) << "read on purpose";
  SetAccessBack(control);
  ReadAll(control);
  const bool recordsReads = Accessed(control);
  const fs::path output = root / "output.txt";
  const auto dir = [](const fs::path& path) { return "z:" + ProgramForm(path); };
  const std::vector<std::string> start = loader.empty() ? std::vector<std::string>{program}
                                                        : std::vector<std::string>{loader, program};

  std::vector<double> checks;
  std::vector<double> moves;
  int read = 0;
  for (int run = 0; run < runs; ++run) {
    for (const fs::path& file : files) {
      SetAccessBack(file);
    }
    std::vector<std::string> check = start;
    check.insert(check.end(), {"/n", "/v" + dir(install), "/r" + dir(root / "checked")});
    checks.push_back(TimedRun(check, output.string(), kWouldChange));
    if (ReadAll(output).find("Data files have been copied") == std::string::npos ||
        fs::exists(root / "checked")) {
      std::fprintf(stderr, "the check did not foretell the move, or made something:\n%s",
                   ReadAll(output).c_str());
      return 1;
    }
    for (const fs::path& file : files) {
      read += Accessed(file) ? 1 : 0;
    }
    std::vector<std::string> move = start;
    move.insert(move.end(),
                {"/v" + dir(install), "/r" + dir(root / ("redir" + std::to_string(run)))});
    moves.push_back(TimedRun(move, output.string()));
    fs::copy_file(root / "orx.ini.saved", install / "orx.ini",
                  fs::copy_options::overwrite_existing);
  }
  std::printf(
      "check (/n) of a move of %zu files in 200 folders, %d alternating runs, wall-clock:\n",
      files.size(), runs);
  PrintRuns("the check /n (s):", checks);
  PrintRuns("the real move (s):", moves);
  std::printf("ratio of the medians: %.2f\n", Median(checks) / Median(moves));
  std::printf(
      "data files the checks read: %d of %zu, %d times (%s)\n", read, files.size(), runs,
      recordsReads ? "this volume records reads" : "this volume records no reads: unproven");
  fs::remove_all(root);
  return read == 0 && recordsReads ? 0 : 1;
}
