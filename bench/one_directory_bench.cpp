// Times CopyTree and BackupDirectory of one flat directory of small files at a quarter, half and
// the whole of the given count, and prints the time per file: it stays flat while the copy is
// linear, and doubles with each doubling of the count when every file created costs a read of its
// target directory (the host port's case-insensitive lookup without its kept listings).
// Usage: bench_one_directory [files, default 20000] [rounds, default 3]
#include <sys/resource.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "bench_support.h"
#include "files/tree_copy.h"

namespace fs = std::filesystem;

namespace {

using orx::bench::Median;
using orx::bench::ProgramForm;

void WriteFlatDirectory(const fs::path& dir, int files) {
  fs::create_directories(dir);
  const std::string bytes(64, 'x');
  for (int i = 0; i < files; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "Booking %05d.Txt", i);
    std::ofstream(dir / name, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
}

int FilesUnder(const fs::path& root) {
  int files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    files += entry.is_regular_file() ? 1 : 0;
  }
  return files;
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Wall and processor seconds of one call; the processor time is the figure to judge on a shared
// machine.
template <typename Call>
std::pair<double, double> Timed(const char* what, Call call) {
  const double cpuBefore = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  if (!call()) {
    std::fprintf(stderr, "%s failed\n", what);
    std::exit(1);
  }
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return {wall, CpuSeconds() - cpuBefore};
}

}  // namespace

int main(int argc, char** argv) {
  const int files = argc > 1 ? std::max(4, std::atoi(argv[1])) : 20000;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  const fs::path root = fs::temp_directory_path() / ("orx-bench-flat-" + std::to_string(getpid()));
  std::printf("one directory: copy into a new directory, then back it up into itself; %d rounds\n",
              rounds);
  std::printf("%8s  %-6s  %10s  %10s  %14s\n", "files", "step", "wall s", "cpu s", "cpu us/file");
  for (const int count : {files / 4, files / 2, files}) {
    const fs::path source = root / ("source " + std::to_string(count));
    WriteFlatDirectory(source, count);
    std::vector<double> copyWall, copyCpu, backupWall, backupCpu;
    for (int round = 0; round < rounds; ++round) {
      const fs::path target = root / "target";
      fs::remove_all(target);
      sync();
      const auto copy = Timed(
          "CopyTree", [&] { return orx::CopyTree(ProgramForm(source), ProgramForm(target), ""); });
      const auto backup = Timed("BackupDirectory", [&] {
        return orx::BackupDirectory(ProgramForm(target), ProgramForm(target));
      });
      if (FilesUnder(target) != 2 * count) {
        std::fprintf(stderr, "the copy and its backup do not hold %d files each\n", count);
        return 1;
      }
      copyWall.push_back(copy.first);
      copyCpu.push_back(copy.second);
      backupWall.push_back(backup.first);
      backupCpu.push_back(backup.second);
    }
    for (const auto& [step, wall, cpu] :
         {std::tuple{"copy", &copyWall, &copyCpu}, std::tuple{"backup", &backupWall, &backupCpu}}) {
      std::printf("%8d  %-6s  %10.3f  %10.3f  %14.1f\n", count, step, Median(*wall), Median(*cpu),
                  Median(*cpu) / count * 1e6);
    }
    std::fflush(stdout);
    fs::remove_all(source);
  }
  fs::remove_all(root);
  return 0;
}
