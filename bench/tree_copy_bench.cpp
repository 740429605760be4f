// Times CopyTree on a tree of 2 000 files of mixed sizes, four levels deep, against "cp -r" of the
// same tree, alternating the two, and prints the ratio of their median times.
// Usage: bench_tree_copy [rounds, default 7]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include "bench_support.h"
#include "files/tree_copy.h"

namespace fs = std::filesystem;

namespace {

using orx::bench::Median;
using orx::bench::ProgramForm;

constexpr int kFiles = 2000;
constexpr int kBranching = 4;  // sub-directories per directory
constexpr int kLevels = 4;     // levels of sub-directories below the root

// Every directory of the tree, the root first.
std::vector<fs::path> MakeDirectories(const fs::path& root) {
  std::vector<fs::path> all = {root};
  std::vector<fs::path> level = {root};
  for (int depth = 1; depth <= kLevels; ++depth) {
    std::vector<fs::path> next;
    for (const fs::path& parent : level) {
      for (int i = 0; i < kBranching; ++i) {
        next.push_back(parent / ("dir " + std::to_string(depth) + "-" + std::to_string(i)));
      }
    }
    level = next;
    all.insert(all.end(), next.begin(), next.end());
  }
  for (const fs::path& dir : all) {
    fs::create_directories(dir);
  }
  return all;
}

// Mostly small files, some medium, a few large: 60 % up to 4 KiB, 30 % up to 64 KiB, 10 % up to
// 512 KiB.
std::size_t FileSize(std::mt19937& random) {
  const int kind = std::uniform_int_distribution<int>(0, 9)(random);
  const std::size_t limit = kind < 6 ? 4096 : kind < 9 ? 65536 : 524288;
  return std::uniform_int_distribution<std::size_t>(1, limit)(random);
}

std::uintmax_t WriteTree(const fs::path& root) {
  std::mt19937 random(2000);
  const std::vector<fs::path> directories = MakeDirectories(root);
  std::string bytes;
  std::uintmax_t total = 0;
  for (int i = 0; i < kFiles; ++i) {
    const fs::path& dir = directories[static_cast<std::size_t>(i) % directories.size()];
    bytes.resize(FileSize(random));
    for (char& c : bytes) {
      c = static_cast<char>('a' + random() % 26);
    }
    std::ofstream(dir / ("file " + std::to_string(i) + ".dat"), std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    total += bytes.size();
  }
  return total;
}

// Counts files and bytes under root, so that both copies can be checked against the source.
std::pair<int, std::uintmax_t> Census(const fs::path& root) {
  int files = 0;
  std::uintmax_t bytes = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) {
      ++files;
      bytes += entry.file_size();
    }
  }
  return {files, bytes};
}

// Wall-clock and processor time (user and system) of one copy. The processor time is what the
// ratio should be judged by on a machine that other work shares.
struct Timing {
  double wall = 0;
  double cpu = 0;
};

double Seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

double CpuSeconds(const rusage& usage) {
  return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// cp -r started directly, without a shell in between.
Timing TimeCp(const fs::path& source, const fs::path& target) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    execlp("cp", "cp", "-r", source.c_str(), target.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  Timing timing;
  timing.wall = SecondsSince(start);
  timing.cpu = CpuSeconds(usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "cp -r failed\n");
    std::exit(1);
  }
  return timing;
}

Timing TimeCopyTree(const fs::path& source, const fs::path& target) {
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  const auto start = std::chrono::steady_clock::now();
  const bool copied = orx::CopyTree(ProgramForm(source), ProgramForm(target), "");
  Timing timing;
  timing.wall = SecondsSince(start);
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  timing.cpu = CpuSeconds(after) - CpuSeconds(before);
  if (!copied) {
    std::fprintf(stderr, "CopyTree failed\n");
    std::exit(1);
  }
  return timing;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  const fs::path root = fs::temp_directory_path() / ("orx-bench-tree-" + std::to_string(getpid()));
  const fs::path source = root / "source";
  const std::uintmax_t bytes = WriteTree(source);
  const auto expected = Census(source);
  std::printf("tree copy: %d files, %.1f MiB, %d levels of %d sub-directories, %d rounds\n",
              expected.first, static_cast<double>(bytes) / 1048576.0, kLevels, kBranching, rounds);

  std::vector<Timing> copyTree;
  std::vector<Timing> cp;
  for (int round = 0; round < rounds; ++round) {
    // Alternate which goes first, and start each from a clean disk state, so that neither pays
    // for the other's write-back.
    for (int turn = 0; turn < 2; ++turn) {
      const bool ours = (round + turn) % 2 == 0;
      const fs::path target = root / (ours ? "by-copytree" : "by-cp");
      fs::remove_all(target);
      sync();
      (ours ? copyTree : cp)
          .push_back(ours ? TimeCopyTree(source, target) : TimeCp(source, target));
      if (Census(target) != expected) {
        std::fprintf(stderr, "%s copied a different tree\n", ours ? "CopyTree" : "cp -r");
        return 1;
      }
    }
  }
  const auto median = [](const std::vector<Timing>& timings, double Timing::*field) {
    std::vector<double> values;
    for (const Timing& timing : timings) {
      values.push_back(timing.*field);
    }
    return Median(values);
  };
  for (const auto& [label, field] :
       {std::pair{"wall", &Timing::wall}, std::pair{"cpu ", &Timing::cpu}}) {
    const double ours = median(copyTree, field);
    const double theirs = median(cp, field);
    std::printf("%s median: CopyTree %.4f s, cp -r %.4f s, ratio CopyTree / cp -r %.2f\n", label,
                ours, theirs, ours / theirs);
  }
  fs::remove_all(root);
  return 0;
}
