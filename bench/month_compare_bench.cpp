// Times CompareMonthData on two data directories of 12 month files each, from 1 000 to 100 000
// lines per file, against the linear-search walk it replaces, and prints the growth per doubling.
// Usage: bench_month_compare [reference line limit, default 20000; 0 runs no reference]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "files/month_compare.h"
#include "files/paths.h"
#include "files/platform.h"
#include "files/text.h"

namespace fs = std::filesystem;

namespace {

constexpr int kMonthFiles = 12;

// The walk as first described: a linear search (FindLine) for every line of a pair of files.
int ReferenceCompareMonthData(const std::string& first, const std::string& second) {
  std::string directories[2] = {orx::WithTrailingBackslash(first),
                                orx::WithTrailingBackslash(second)};
  orx::TextLines files[2];
  for (int side = 0; side < 2; ++side) {
    const std::string data = directories[side] + "Data\\";
    for (const orx::DirectoryEntry& entry : orx::EnumerateDirectory(data + "????"
                                                                           "-??.txt",
                                                                    47)) {
      if (orx::IsMonthFileName(data + entry.name)) {
        files[side].push_back(orx::LowerCase(data + entry.name));
      }
    }
  }
  long long unmatched[2] = {0, 0};
  const int walked = files[0].size() < files[1].size() ? 0 : 1;
  const int partner = 1 - walked;
  while (!files[walked].empty()) {
    const std::string entry = files[walked].back();
    const int found = orx::FindLine(
        files[partner], orx::LowerCase(directories[partner] + "Data\\" + orx::FileNameOf(entry)));
    if (found < 0) {
      unmatched[walked] += static_cast<long long>(orx::ReadTextLines(entry).size());
    } else {
      orx::TextLines lines[2];
      lines[partner] = orx::ReadTextLines(files[partner][found]);
      lines[walked] = orx::ReadTextLines(entry);
      const int shorter = lines[walked].size() < lines[partner].size() ? walked : partner;
      const int longer = 1 - shorter;
      while (!lines[shorter].empty()) {
        const int match = orx::FindLine(lines[longer], lines[shorter].back());
        if (match >= 0) {
          lines[longer].erase(lines[longer].begin() + match);
        } else {
          ++unmatched[shorter];
        }
        lines[shorter].pop_back();
      }
      unmatched[longer] += static_cast<long long>(lines[longer].size());
      files[partner].erase(files[partner].begin() + found);
    }
    files[walked].pop_back();
  }
  for (const std::string& entry : files[partner]) {
    unmatched[partner] += static_cast<long long>(orx::ReadTextLines(entry).size());
  }
  if (unmatched[0] > 0 && unmatched[1] > 0) {
    return -1;
  }
  return unmatched[0] > 0 ? 1 : unmatched[1] > 0 ? 2 : 0;
}

std::string ProgramForm(const fs::path& native) {
  std::string text = native.string();
  std::replace(text.begin(), text.end(), '/', '\\');
  return orx::WithTrailingBackslash(text);
}

void WriteLines(const fs::path& file, const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) {
    bytes += line;
    bytes += "\r\n";
  }
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", file.string().c_str());
    std::exit(1);
  }
}

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
    WriteLines(first / "Data" / name, lines);
    WriteLines(second / "Data" / name, other);
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
  const int sizes[] = {1000, 2000, 4000, 8000, 16000, 20000, 32000, 64000, 100000};

  std::printf("month comparison: 2 data directories x %d month files, lines per file as given\n",
              kMonthFiles);
  std::printf("%8s %13s %10s %12s %14s %16s %10s\n", "lines", "linear cpu s", "ns/line",
              "per pair ms", "growth/double", "reference cpu s", "speed-up");
  int previousLines = 0;
  double previousSeconds = 0;
  bool agreed = true;
  for (const int lines : sizes) {
    fs::remove_all(root);
    WriteMonthData(root / "first", root / "second", lines, random);
    const std::string first = ProgramForm(root / "first");
    const std::string second = ProgramForm(root / "second");

    int linear = 0;
    const double seconds = BestSeconds(
        5, [&] { return orx::CompareMonthData(first, second); }, &linear);
    const double perLine = seconds * 1e9 / (2.0 * kMonthFiles * lines);
    char growth[32] = "";
    if (previousLines > 0) {
      // Normalised to one doubling, so that steps of other ratios compare too.
      const double doublings = std::log2(static_cast<double>(lines) / previousLines);
      std::snprintf(growth, sizeof growth, "%.2f",
                    std::pow(seconds / previousSeconds, 1 / doublings));
    }
    char reference[32] = "-";
    char speedUp[32] = "-";
    if (lines <= referenceLimit) {
      int described = 0;
      const double referenceSeconds = BestSeconds(
          1, [&] { return ReferenceCompareMonthData(first, second); }, &described);
      std::snprintf(reference, sizeof reference, "%.3f", referenceSeconds);
      std::snprintf(speedUp, sizeof speedUp, "%.0fx", referenceSeconds / seconds);
      if (described != linear) {
        agreed = false;
        std::printf("results differ at %d lines: linear %d, reference %d\n", lines, linear,
                    described);
      }
    }
    std::printf("%8d %13.4f %10.1f %12.2f %14s %16s %10s   result %d\n", lines, seconds, perLine,
                seconds * 1e3 / kMonthFiles, growth, reference, speedUp, linear);
    std::fflush(stdout);
    previousLines = lines;
    previousSeconds = seconds;
  }
  fs::remove_all(root);
  if (!agreed) {
    return 1;
  }
  return 0;
}
