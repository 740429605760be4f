// Small pieces the benchmark programs share.
#pragma once

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#endif

namespace orx::bench {

// The whole content of a file, empty when it cannot be read.
inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A native path in the program's form (backslashes).
inline std::string ProgramForm(const std::filesystem::path& native) {
  std::string text = native.string();
  std::replace(text.begin(), text.end(), '/', '\\');
  return text;
}

// An installation without month data: its Data directory, settings file, marker and the two
// shared files.
inline void WriteInstallationFiles(const std::filesystem::path& install) {
  std::filesystem::create_directories(install / "Data");
  std::ofstream(install / "orx.ini", std::ios::binary) << "[Setup]\r\nVersion=3\r\n";
  std::ofstream(install / "orx.inf", std::ios::binary) << "Ormatide 3.0\r\n";
  std::ofstream(install / "Data" / "ClientProject.txt", std::ios::binary) << "Acme;Project\r\n";
  std::ofstream(install / "Data" / "CategoryActivity.txt", std::ios::binary) << "Design;Draw\r\n";
}

// Processor time this process has used, in seconds: on a machine that other work shares,
// wall-clock time measures the neighbours as much as the program. (The Windows C library's clock()
// is wall-clock time.)
inline double ProcessorSeconds() {
#ifdef _WIN32
  FILETIME creation, exit, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
  const auto seconds = [](const FILETIME& time) {
    return static_cast<double>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) |
                               time.dwLowDateTime) /
           1e7;
  };
  return seconds(kernel) + seconds(user);
#else
  return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
#endif
}

// The installation of the big data move: WriteInstallationFiles, and a Data tree of folders
// "Project n" each holding files "note n.txt" of 1 B to 4 KiB (the same bytes every time); the
// paths of those files.
inline std::vector<std::filesystem::path> WriteBigInstallation(const std::filesystem::path& install,
                                                               int folders, int filesPerFolder) {
  WriteInstallationFiles(install);
  std::mt19937 random(20000);
  std::uniform_int_distribution<std::size_t> size(1, 4096);
  std::vector<std::filesystem::path> files;
  std::string bytes;
  for (int folder = 0; folder < folders; ++folder) {
    const std::filesystem::path dir = install / "Data" / ("Project " + std::to_string(folder));
    std::filesystem::create_directories(dir);
    for (int file = 0; file < filesPerFolder; ++file) {
      bytes.assign(size(random), static_cast<char>('a' + file % 26));
      files.push_back(dir / ("note " + std::to_string(file) + ".txt"));
      std::ofstream(files.back(), std::ios::binary) << bytes;
    }
  }
  return files;
}

// The middle value (the upper one of an even count).
inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// One line: what was timed, each run's seconds and their median.
inline void PrintRuns(const char* what, const std::vector<double>& seconds) {
  std::printf("%-34s", what);
  for (double run : seconds) {
    std::printf(" %.3f", run);
  }
  std::printf("  median %.3f s\n", Median(seconds));
}

#ifndef _WIN32
// Runs the command with its standard output into the given file and returns the wall-clock
// seconds; a command that ends with another status than expected ends the benchmark.
inline double TimedRun(const std::vector<std::string>& command,
                       const std::string& output = "/dev/null", int expected = 0) {
  // The child must not inherit unwritten output of ours.
  std::fflush(stdout);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    if (std::freopen(output.c_str(), "w", stdout) == nullptr) {
      _exit(126);
    }
    std::vector<char*> argv;
    for (const std::string& word : command) {
      argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != expected) {
    std::fprintf(stderr, "%s failed with status %d\n", command[0].c_str(), WEXITSTATUS(status));
    std::exit(1);
  }
  return seconds;
}
#endif

}  // namespace orx::bench
