// Counts the program's own calls to the disk, as a home share across a slow link pays each one:
// the daily login-script line of a workstation whose redirection is in force and that has nothing
// to change, and the first setup that moves an installation of 122 files there. It runs the test
// copy of the program that counts every look (look-up, listing, read of a whole file) and every
// disk-changing call (ORX_LOOK_COUNT_FILE, ORX_COUNT_FILE) and prints the counts of each run, with
// the files the daily line changed. Usage:
// bench_call_counts [program [loader]]
//   without a program the host build's counting copy; with a loader (/usr/lib/wine/wine64) the
//   program runs under it, in the environment this process has (scripts/env.sh sets Wine's).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench_support.h"

namespace fs = std::filesystem;

namespace {

using orx::bench::ProgramForm;
using orx::bench::ReadAll;
using orx::bench::TimedRun;

// 118 month files, the two shared files, the settings file and the marker.
constexpr int kMonthFiles = 118;
constexpr int kInstallationFiles = kMonthFiles + 4;

struct Counts {
  long looks = 0;  // look-ups and listings
  long reads = 0;  // reads of a whole file
  long changes = 0;
  std::string changeTrace;
};

// The calls of one traced kind: the trace lines after the count, each "call path".
void Tally(const std::string& trace, Counts* counts, bool changes) {
  std::istringstream lines(trace);
  std::string line;
  std::getline(lines, line);  // the count
  while (std::getline(lines, line)) {
    if (changes) {
      ++counts->changes;
      counts->changeTrace += "    " + line + "\n";
    } else if (line.compare(0, 14, "ReadFileBytes ") == 0) {
      ++counts->reads;
    } else {
      ++counts->looks;
    }
  }
}

// Runs the command line with fresh count files, named to the program as programForm names them;
// its counts. A run that does not end with the success report ends the benchmark.
template <typename NameOf>
Counts CountedRun(const std::vector<std::string>& command, const fs::path& root,
                  NameOf programForm) {
  const fs::path looks = root / "looks.txt";
  const fs::path changes = root / "changes.txt";
  const fs::path output = root / "output.txt";
  fs::remove(looks);
  fs::remove(changes);
  setenv("ORX_LOOK_COUNT_FILE", programForm(looks).c_str(), 1);
  setenv("ORX_COUNT_FILE", programForm(changes).c_str(), 1);
  TimedRun(command, output.string());
  unsetenv("ORX_LOOK_COUNT_FILE");
  unsetenv("ORX_COUNT_FILE");
  const std::string report = ReadAll(output);
  if (report.find("Ormatide has been configured on this machine.") == std::string::npos) {
    std::fprintf(stderr, "the run did not succeed:\n%s", report.c_str());
    std::exit(1);
  }
  Counts counts;
  Tally(ReadAll(looks), &counts, false);
  Tally(ReadAll(changes), &counts, true);
  return counts;
}

// Every file under root with its last-write time.
std::map<fs::path, fs::file_time_type> FileTimes(const fs::path& root) {
  std::map<fs::path, fs::file_time_type> times;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) {
      times[entry.path()] = entry.last_write_time();
    }
  }
  return times;
}

void Print(const char* what, const Counts& counts, double perFile) {
  const long calls = counts.looks + counts.reads + counts.changes;
  std::printf("%-34s %8.1f looks %7.1f reads %7.1f changes %8.1f calls\n", what,
              static_cast<double>(counts.looks) / perFile,
              static_cast<double>(counts.reads) / perFile,
              static_cast<double>(counts.changes) / perFile, static_cast<double>(calls) / perFile);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string program = argc > 1 ? argv[1] : ORX_PROGRAM_PATH;
  const std::string loader = argc > 2 ? argv[2] : "";
  const fs::path root = fs::temp_directory_path() / ("orx-bench-calls-" + std::to_string(getpid()));
  const fs::path install = root / "inst";
  orx::bench::WriteInstallationFiles(install);
  for (int month = 0; month < kMonthFiles; ++month) {
    char name[16];
    std::snprintf(name, sizeof name, "%04d-%02d.txt", 2015 + month / 12, 1 + month % 12);
    std::ofstream(install / "Data" / name, std::ios::binary) << name << ";Client;Project;1.00\r\n";
  }
  fs::create_directories(root / "server");

  std::vector<std::string> line;
  if (!loader.empty()) {
    line.push_back(loader);
  }
  // Drive z: is the root under Wine, and the host build maps any drive prefix to the root.
  const auto dir = [](const fs::path& path) { return "z:" + ProgramForm(path); };
  const auto countFile = [&loader, &dir](const fs::path& path) {
    return loader.empty() ? path.string() : dir(path);
  };
  line.insert(line.end(), {program, "/v" + dir(install), "/r" + dir(root / "home"),
                           "/s" + dir(root / "server"), "/a"});
  std::vector<std::string> first = line;
  first.push_back("/d");

  const Counts setup = CountedRun(first, root, countFile);
  const auto before = FileTimes(root);
  const Counts daily = CountedRun(line, root, countFile);
  std::string touched;
  for (const auto& [path, time] : FileTimes(root)) {
    const auto was = before.find(path);
    if (path.parent_path() != root && (was == before.end() || was->second != time)) {
      touched += "    " + path.string() + "\n";
    }
  }

  std::printf("calls to the disk of %s\n", program.c_str());
  Print("daily line, nothing to change", daily, 1);
  std::printf("%s", daily.changeTrace.c_str());
  std::printf("  files whose time changed: %s\n%s", touched.empty() ? "none" : "", touched.c_str());
  // Before the unchanged saves were left out: 17 looks, 6 reads and 16 changes.
  const long calls = daily.looks + daily.reads + daily.changes;
  std::printf(
      "daily line: %ld calls, %ld changes (goal: 0 changes, at most 13 calls, a third of "
      "the 39 before): %s\n",
      calls, daily.changes, daily.changes == 0 && calls <= 13 ? "met" : "missed");
  Print("first setup, per file moved", setup, kInstallationFiles);
  fs::remove_all(root);
  return 0;
}
