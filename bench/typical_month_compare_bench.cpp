// Times CompareMonthData on the typical case: two data directories holding the same 12 month files
// of 40 000 lines (24 MB), of which 1 % of the lines are changed on the second side and 10 % are
// in other letter case. Built for Windows too, since there the locale's sort keys are what costs.
// Usage: bench_typical_month_compare [runs, default 5] [lines per file, default 40000]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "files/month_compare.h"
#include "files/text.h"

namespace fs = std::filesystem;

namespace {

using orx::bench::Median;
using orx::bench::ProcessorSeconds;
using orx::bench::ProgramForm;

constexpr int kMonthFiles = 12;

std::string UpperCase(std::string text) {
  for (char& c : text) {
    c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  }
  return text;
}

// Writes both sides; returns the megabytes of one side's month data.
double WriteMonthData(const fs::path& first, const fs::path& second, int linesPerFile) {
  fs::create_directories(first / "Data");
  fs::create_directories(second / "Data");
  std::mt19937 random(13);
  std::uniform_int_distribution<int> percent(0, 99);
  double megabytes = 0;
  char name[16];
  char line[128];
  for (int month = 1; month <= kMonthFiles; ++month) {
    std::snprintf(name, sizeof name, "2024-%02d.txt", month);
    orx::TextLines lines;
    orx::TextLines other;
    for (int i = 0; i < linesPerFile; ++i) {
      std::snprintf(line, sizeof line, "2024-%02d-%02d;Client %05d;Project %05d;%05d;%d.%02d",
                    month, 1 + i % 28, i % 4999, i % 7919, i, i % 9, i % 100);
      lines.push_back(line);
      megabytes += (lines.back().size() + 2) / 1e6;
      const int draw = percent(random);
      if (draw == 0) {
        other.push_back(lines.back() + " corrected");
      } else if (draw <= 10) {
        other.push_back(UpperCase(lines.back()));
      } else {
        other.push_back(lines.back());
      }
    }
    orx::WriteTextLines(ProgramForm(first / "Data" / name), lines);
    orx::WriteTextLines(ProgramForm(second / "Data" / name), other);
  }
  return megabytes;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
  const int linesPerFile = argc > 2 ? std::atoi(argv[2]) : 40000;
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const fs::path root = fs::temp_directory_path() / ("orx-bench-typical-" + std::to_string(stamp));
  const double megabytes = WriteMonthData(root / "first", root / "second", linesPerFile);
  const std::string first = ProgramForm(root / "first");
  const std::string second = ProgramForm(root / "second");

  std::vector<double> processor;
  std::vector<double> wall;
  int result = 0;
  for (int run = 0; run < runs; ++run) {
    const double startProcessor = ProcessorSeconds();
    const auto start = std::chrono::steady_clock::now();
    result = orx::CompareMonthData(first, second);
    wall.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    processor.push_back(ProcessorSeconds() - startProcessor);
  }
  fs::remove_all(root);
  std::printf(
      "comparison of %d month files x %d lines (%.1f MB a side), 1 %% changed, 10 %% in other "
      "letter case, median of %d: processor %.4f s, wall-clock %.4f s; result %d\n",
      kMonthFiles, linesPerFile, megabytes, runs, Median(processor), Median(wall), result);
  // Both sides hold their own versions of the changed lines.
  return result == orx::kMonthDataBothDiffer ? 0 : 1;
}
