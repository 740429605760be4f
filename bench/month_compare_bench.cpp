// Times CompareMonthData on two data directories of 12 month files each, from 1 000 to 100 000
// lines per file, against the linear-search walk it replaces, and prints the growth per doubling.
// Usage: bench_month_compare [reference line limit, default 20000; 0 runs no reference]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "base/paths.h"
#include "bench_support.h"
#include "files/month_compare.h"
#include "files/text.h"
#include "month_compare_reference.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

using orx::bench::ProgramForm;

using orx::testing::ReferenceCompareMonthData;

constexpr int kMonthFiles = 12;

// Booking lines as a month file holds them. The second side has the same lines, shuffled, about
// half of them in upper case, a few duplicated on both sides, and one line of its own on each
// side, so that the result is -1 and every line is compared.
void WriteMonthData(const fs::path& first, const fs::path& second, int linesPerFile,
                    std::mt19937& random) {
  fs::create_directories(first / "Data");
  fs::create_directories(second / "Data");
  std::uniform_int_distribution<int> number(0, 99999);
  for (int month = 1; month <= kMonthFiles; ++month) {
    char name[16];
    std::snprintf(name, sizeof name, "2024-%02d.txt", month);
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(linesPerFile));
    for (int i = 0; lines.size() + 1 < static_cast<std::size_t>(linesPerFile); ++i) {
      char line[128];
      std::snprintf(
          line, sizeof line, "2024-%02d-%02d;Client %05d;Project %05d;Work item %d;%d.%02d", month,
          1 + i % 28, number(random), number(random), i, number(random) % 10, number(random) % 100);
      lines.push_back(line);
      if (i % 20 == 0) {
        lines.push_back(line);
      }
    }
    std::vector<std::string> other = lines;
    std::shuffle(other.begin(), other.end(), random);
    for (std::string& line : other) {
      if (number(random) % 2 == 0) {
        for (char& c : line) {
          c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        }
      }
    }
    lines.resize(static_cast<std::size_t>(linesPerFile - 1));
    other.resize(static_cast<std::size_t>(linesPerFile - 1));
    lines.push_back("only in the first directory");
    other.push_back("only in the second directory");
    orx::WriteTextLines(ProgramForm(first / "Data" / name), lines);
    orx::WriteTextLines(ProgramForm(second / "Data" / name), other);
  }
}

template <typename Compare>
double BestSeconds(int runs, Compare compare, int* result) {
  double best = 1e300;
  for (int run = 0; run < runs; ++run) {
    // Processor time of this process: on a machine that other work shares, wall-clock time
    // measures the neighbours as much as the comparison.
    const std::clock_t start = std::clock();
    *result = compare();
    best = std::min(best, static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const int referenceLimit = argc > 1 ? std::atoi(argv[1]) : 20000;
  const fs::path root = fs::temp_directory_path() / ("orx-bench-month-" + std::to_string(getpid()));
  std::mt19937 random(4);
  // Each size from 2 000 on has its half in the list too, so that every growth is a true doubling.
  const int sizes[] = {1000, 2000, 4000, 8000, 10000, 16000, 20000, 32000, 50000, 64000, 100000};

  std::printf("month comparison: 2 data directories x %d month files, lines per file as given\n",
              kMonthFiles);
  std::printf("%8s %13s %10s %12s %14s %16s %10s\n", "lines", "linear cpu s", "ns/line",
              "per pair ms", "growth/double", "reference cpu s", "speed-up");
  std::map<int, double> secondsAt;
  bool agreed = true;
  double worstGrowth = 0;
  double speedUpAt20000 = 0;
  double pairMsAt100000 = 0;
  for (const int lines : sizes) {
    fs::remove_all(root);
    WriteMonthData(root / "first", root / "second", lines, random);
    const std::string first = ProgramForm(root / "first");
    const std::string second = ProgramForm(root / "second");

    int linear = 0;
    const double seconds = BestSeconds(
        5, [&] { return orx::CompareMonthData(first, second); }, &linear);
    const double perLine = seconds * 1e9 / (2.0 * kMonthFiles * lines);
    const double pairMs = seconds * 1e3 / kMonthFiles;
    char growth[32] = "";
    secondsAt[lines] = seconds;
    if (const auto half = secondsAt.find(lines / 2); lines % 2 == 0 && half != secondsAt.end()) {
      const double factor = seconds / half->second;
      worstGrowth = std::max(worstGrowth, factor);
      std::snprintf(growth, sizeof growth, "%.2f", factor);
    }
    char reference[32] = "-";
    char speedUp[32] = "-";
    if (lines <= referenceLimit) {
      int walked = 0;
      const double referenceSeconds = BestSeconds(
          1, [&] { return ReferenceCompareMonthData(first, second); }, &walked);
      std::snprintf(reference, sizeof reference, "%.3f", referenceSeconds);
      std::snprintf(speedUp, sizeof speedUp, "%.0fx", referenceSeconds / seconds);
      if (lines == 20000) {
        speedUpAt20000 = referenceSeconds / seconds;
      }
      if (walked != linear) {
        agreed = false;
        std::printf("results differ at %d lines: linear %d, reference %d\n", lines, linear, walked);
      }
    }
    std::printf("%8d %13.4f %10.1f %12.2f %14s %16s %10s   result %d\n", lines, seconds, perLine,
                pairMs, growth, reference, speedUp, linear);
    std::fflush(stdout);
    if (lines == 100000) {
      pairMsAt100000 = pairMs;
    }
  }
  fs::remove_all(root);
  // The targets: at most 2.3 per doubling, 100x the walk at 20 000 lines, a 100 000-line pair in
  // well under a second (taken as 100 ms).
  std::printf("worst growth per doubling %.2f (target <= 2.3): %s\n", worstGrowth,
              worstGrowth <= 2.3 ? "met" : "missed");
  if (speedUpAt20000 > 0) {
    std::printf("speed-up at 20000 lines %.0fx (target >= 100x): %s\n", speedUpAt20000,
                speedUpAt20000 >= 100 ? "met" : "missed");
  }
  std::printf("100000-line pair %.1f ms (target well under 1 s): %s\n", pairMsAt100000,
              pairMsAt100000 < 100 ? "met" : "missed");
  if (!agreed) {
    return 1;
  }
  return 0;
}
