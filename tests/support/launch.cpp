// Test-only launcher: starts a program with a raw command line and a given APPDATA, which a Unix
// shell cannot pass through Wine. Usage, with the line and APPDATA in the environment:
//   ORX_LAUNCH_LINE='"prog.exe" /s"x' ORX_LAUNCH_APPDATA='c:\users' orx_launch.exe
// ORX_LAUNCH_APPDATA unset removes APPDATA. The exit status is the program's.
#include <windows.h>

#include <string>

int main() {
  char line[32768];
  const DWORD length = GetEnvironmentVariableA("ORX_LAUNCH_LINE", line, sizeof(line));
  if (length == 0 || length >= sizeof(line)) {
    return 125;
  }
  char appData[32768];
  const DWORD appDataLength =
      GetEnvironmentVariableA("ORX_LAUNCH_APPDATA", appData, sizeof(appData));
  SetEnvironmentVariableA("APPDATA",
                          appDataLength > 0 && appDataLength < sizeof(appData) ? appData : nullptr);
  SetEnvironmentVariableA("ORX_LAUNCH_LINE", nullptr);
  SetEnvironmentVariableA("ORX_LAUNCH_APPDATA", nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, line, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return 126;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return static_cast<int>(status);
}
