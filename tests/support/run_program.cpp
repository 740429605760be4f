#include "run_program.h"

#include "test_files.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#endif

namespace orx::testing {

std::string ProgramPath() {
  // ORX_PROGRAM names another copy of the program (one an unprivileged user can reach, say).
  const char* chosen = std::getenv("ORX_PROGRAM");
  std::string path = chosen != nullptr && *chosen != '\0' ? chosen : ORX_PROGRAM_PATH;
#ifdef _WIN32
  // CMake hands over the Unix path of the build tree; Wine shows the Unix root as drive z:.
  if (!path.empty() && path[0] == '/') {
    path = "z:" + path;
  }
  for (char& c : path) {
    if (c == '/') {
      c = '\\';
    }
  }
#endif
  return path;
}

#ifdef _WIN32

namespace {

// The UTF-16 form of 8-bit text in the given code page.
std::wstring Widened(const std::string& text, UINT codePage) {
  std::wstring wide(text.size() + 1, L'\0');  // never more units than bytes
  const int size = static_cast<int>(wide.size());
  wide.resize(MultiByteToWideChar(codePage, 0, text.c_str(), -1, &wide[0], size) - 1u);
  return wide;
}

// Quotes an argument the way Wine rebuilds a command line from a Unix argv.
std::string Quoted(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) {
    return argument;
  }
  return "\"" + argument + "\"";
}

std::string EnvironmentBlock(const RunOptions& options) {
  std::vector<std::pair<std::string, std::string>> set = options.environment;
  set.emplace_back("APPDATA", options.appData.value_or(""));
  std::string block;
  char* strings = GetEnvironmentStringsA();
  for (const char* entry = strings; *entry != '\0'; entry += std::strlen(entry) + 1) {
    const auto names = [entry](const auto& variable) {
      return _strnicmp(entry, (variable.first + "=").c_str(), variable.first.size() + 1) == 0;
    };
    if (std::none_of(set.begin(), set.end(), names)) {
      block.append(entry);
      block.push_back('\0');
    }
  }
  FreeEnvironmentStringsA(strings);
  if (!options.appData) {
    set.pop_back();
  }
  for (const auto& [name, value] : set) {
    block.append(name + "=" + value);
    block.push_back('\0');
  }
  block.push_back('\0');
  return block;
}

}  // namespace

bool CanPassRawCommandLine() {
  return true;
}

namespace {

// A program started and not yet waited for.
struct Started {
  HANDLE process = nullptr;
  HANDLE thread = nullptr;
  HANDLE output = nullptr;  // the read end of its standard output's pipe
};

// Starts the program, held before its first instruction when suspended is set.
Started Start(const std::vector<std::string>& arguments, const RunOptions& options,
              bool suspended) {
  std::string line = "\"" + ProgramPath() + "\"";
  if (options.rawArguments) {
    line += *options.rawArguments;
  } else {
    for (const std::string& argument : arguments) {
      line += " " + Quoted(argument);
    }
  }
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  Started started;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
    ADD_FAILURE() << "CreatePipe failed";
    return started;
  }
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  HANDLE nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           &inherit, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nul;
  HANDLE outputFile = INVALID_HANDLE_VALUE;
  if (!options.outputFile.empty()) {
    outputFile = CreateFileA(options.outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  startup.hStdOutput = outputFile != INVALID_HANDLE_VALUE ? outputFile : writeEnd;
  startup.hStdError = nul;
  PROCESS_INFORMATION process{};
  std::string environment = EnvironmentBlock(options);
  std::wstring commandLine = Widened(line, options.utf8Arguments ? CP_UTF8 : CP_ACP);
  const std::wstring directory = Widened(options.workingDirectory, CP_ACP);
  // Wine now and then refuses a start while many processes start at once (error 1359, an
  // internal error); a moment later the same start succeeds.
  BOOL created = FALSE;
  for (int attempt = 0; attempt < 5 && !created; ++attempt) {
    if (attempt > 0) {
      Sleep(200);
    }
    created = CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE,
                             suspended ? CREATE_SUSPENDED : 0, environment.data(),
                             directory.empty() ? nullptr : directory.c_str(), &startup, &process);
  }
  CloseHandle(writeEnd);
  CloseHandle(nul);
  if (outputFile != INVALID_HANDLE_VALUE) {
    CloseHandle(outputFile);
  }
  if (!created) {
    CloseHandle(readEnd);
    ADD_FAILURE() << "cannot start " << line << ": error " << GetLastError();
    return started;
  }
  started.process = process.hProcess;
  started.thread = process.hThread;
  started.output = readEnd;
  return started;
}

void Release(const Started& started) {
  if (started.thread != nullptr) {
    ResumeThread(started.thread);
  }
}

// Ends the program by force once stop answers true, asked every millisecond while it runs.
void StopWhen(const Started& started, const std::function<bool()>& stop) {
  while (WaitForSingleObject(started.process, 1) == WAIT_TIMEOUT && !stop()) {
  }
  TerminateProcess(started.process, kStoppedStatus);  // refused for a program that has ended
}

ProgramResult Finish(const Started& started, const RunOptions& options) {
  ProgramResult result;
  if (started.process == nullptr) {
    return result;
  }
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(started.output, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
    result.output.append(buffer, got);
  }
  CloseHandle(started.output);
  WaitForSingleObject(started.process, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(started.process, &status);
  CloseHandle(started.process);
  CloseHandle(started.thread);
  result.exitStatus = static_cast<int>(status);
  if (!options.outputFile.empty()) {
    result.output = ReadFile(options.outputFile);
  }
  return result;
}

}  // namespace

#else

bool CanPassRawCommandLine() {
  return false;
}

namespace {

// A program started and not yet waited for.
struct Started {
  pid_t child = -1;
  int output = -1;  // the read end of its standard output's pipe
  int gate = -1;    // while open, the child waits before it runs the program
};

// Starts the program, held before it runs when suspended is set.
Started Start(const std::vector<std::string>& arguments, const RunOptions& options,
              bool suspended) {
  Started started;
  if (options.rawArguments) {
    ADD_FAILURE() << "a raw command line cannot be passed on this build";
    return started;
  }
  int pipeEnds[2];
  int gateEnds[2] = {-1, -1};
  if (pipe(pipeEnds) != 0 || (suspended && pipe(gateEnds) != 0)) {
    ADD_FAILURE() << "pipe failed";
    return started;
  }
  const std::string program = ProgramPath();
  const pid_t child = fork();
  if (child == 0) {
    if (suspended) {
      close(gateEnds[1]);
      char ignored;
      while (read(gateEnds[0], &ignored, 1) < 0 && errno == EINTR) {
      }
      close(gateEnds[0]);
    }
    if (!options.outputFile.empty()) {
      const int file =
          open(NativePath(options.outputFile).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(file, STDOUT_FILENO);
      close(file);
    } else {
      dup2(pipeEnds[1], STDOUT_FILENO);
    }
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    if (!options.workingDirectory.empty()) {
      if (chdir(NativePath(options.workingDirectory).c_str()) != 0) {
        _exit(126);
      }
    }
    if (options.appData) {
      setenv("APPDATA", options.appData->c_str(), 1);
    } else {
      unsetenv("APPDATA");
    }
    for (const auto& [name, value] : options.environment) {
      setenv(name.c_str(), value.c_str(), 1);
    }
    // ORX_PROGRAM_WRAPPER (for instance "valgrind -q --error-exitcode=99") runs the program under
    // another program; its words are separated by blanks.
    std::vector<std::string> wrapper;
    if (const char* words = std::getenv("ORX_PROGRAM_WRAPPER")) {
      std::string word;
      for (const char* c = words;; ++c) {
        if (*c == ' ' || *c == '\0') {
          if (!word.empty()) {
            wrapper.push_back(word);
          }
          word.clear();
          if (*c == '\0') {
            break;
          }
        } else {
          word += *c;
        }
      }
    }
    std::vector<char*> argv;
    for (std::string& word : wrapper) {
      argv.push_back(&word[0]);
    }
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) {
      argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    if (wrapper.empty()) {
      execv(program.c_str(), argv.data());
    } else {
      execvp(argv[0], argv.data());
    }
    _exit(127);
  }
  close(pipeEnds[1]);
  if (suspended) {
    close(gateEnds[0]);
  }
  started.child = child;
  started.output = pipeEnds[0];
  started.gate = gateEnds[1];
  return started;
}

void Release(Started& started) {
  if (started.gate >= 0) {
    close(started.gate);
    started.gate = -1;
  }
}

// Ends the program by force once stop answers true, asked every millisecond; Finish reaps it.
void StopWhen(const Started& started, const std::function<bool()>& stop) {
  siginfo_t info = {};
  while (waitid(P_PID, static_cast<id_t>(started.child), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == 0 && !stop()) {
    usleep(1000);
  }
  if (started.child > 0 && info.si_pid == 0) {
    kill(started.child, SIGKILL);
  }
}

ProgramResult Finish(Started& started, const RunOptions& options) {
  ProgramResult result;
  if (started.child < 0) {
    return result;
  }
  Release(started);
  char buffer[4096];
  ssize_t got = 0;
  while ((got = read(started.output, buffer, sizeof(buffer))) > 0) {
    result.output.append(buffer, static_cast<size_t>(got));
  }
  close(started.output);
  int status = 0;
  waitpid(started.child, &status, 0);
  result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  if (!options.outputFile.empty()) {
    result.output = ReadFile(options.outputFile);
  }
  return result;
}

}  // namespace

#endif

ProgramResult RunProgram(const std::vector<std::string>& arguments, const RunOptions& options) {
  Started started = Start(arguments, options, false);
  return Finish(started, options);
}

ProgramResult RunProgramUntil(const std::vector<std::string>& arguments,
                              const std::function<bool()>& stop, const RunOptions& options) {
  Started started = Start(arguments, options, false);
  StopWhen(started, stop);
  return Finish(started, options);
}

std::vector<ProgramResult> RunProgramsAtOnce(const std::vector<std::vector<std::string>>& runs,
                                             const std::vector<RunOptions>& options) {
  std::vector<Started> started;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    started.push_back(Start(runs[i], options[i], true));
  }
  for (Started& program : started) {
    Release(program);
  }
  std::vector<ProgramResult> results;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    results.push_back(Finish(started[i], options[i]));
  }
  return results;
}

}  // namespace orx::testing
