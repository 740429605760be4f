// A first setup while another program opens each file the run makes in the home folder, sharing
// reads only, as an on-access scanner or a sync client does. Only Windows has share modes.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <atomic>
#include <chrono>
#include <map>
#include <regex>
#include <thread>

#include "sandbox_scenario.h"

namespace orx::testing {
namespace {

using SharingScenario = SandboxScenario;

TEST_F(SharingScenario, AScannersMomentIsWaitedOutAndAFileHeldForGoodFailsWithinTheCap) {
#ifndef _WIN32
  GTEST_SKIP() << "the POSIX port has no share modes";
#else
  for (const std::string forGood : {"", "orx.ini"}) {
    SCOPED_TRACE("held for good: " + forGood);
    const std::string inst = Dir("inst" + forGood);
    const std::string home = Dir("home" + forGood);
    WriteTree(inst, kInstallation);
    MakeDirectories(home);
    // The scanner, a thread of this process (share modes bind every other opener): each new file
    // of home and its Data folder is held 300 ms once it can be opened, one named forGood for good.
    std::atomic<bool> stop{false};
    std::thread scanner([&] {
      std::map<std::string, std::pair<HANDLE, ULONGLONG> > held;  // by name, write time and size
      for (bool last = false; !last; Sleep(2)) {
        last = stop;
        for (const std::string& folder : {home, home + "Data\\"}) {
          WIN32_FIND_DATAA data;
          const HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
          for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &data)) {
            const std::string path = folder + data.cFileName;
            const std::string key = path + "/" +
                                    std::to_string(data.ftLastWriteTime.dwLowDateTime) + "/" +
                                    std::to_string(data.nFileSizeLow);
            const HANDLE file =
                (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || held.count(key)
                    ? INVALID_HANDLE_VALUE
                    : CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
              held[key] = {file, data.cFileName == forGood ? ~0ull : GetTickCount64() + 300};
            }
          }
          FindClose(find);
        }
        for (auto& [key, file] : held) {
          if (file.first != nullptr && (last || GetTickCount64() >= file.second)) {
            CloseHandle(file.first);
            file.first = nullptr;
          }
        }
      }
    });
    const auto start = std::chrono::steady_clock::now();
    const ProgramResult result = Run({"/v" + inst, "/s" + Dir("server"), "/r" + home, "/d", "/a"});
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    stop = true;
    scanner.join();

    EXPECT_LT(took.count(), 10.0) << "the waits' cap is 8 s";
    EXPECT_EQ(ReadFile(home + "Data\\2024-01.txt"), kInstallation.at("Data\\2024-01.txt"));
    if (forGood.empty()) {
      EXPECT_EQ(result.output,
                Report(kConfigured, {ServerConfiguredAt(Dir("server")), kSharedCopied, kUserRights,
                                     RedirectionEstablished(home), DataCopiedTo(home)}));
      EXPECT_EQ(ReadTree(home).size(), kInstallation.size() + 1) << "every file, and Data\\";
    } else {
      EXPECT_TRUE(std::regex_match(
          result.output,
          FailureTextPattern("EFCreateError", "Cannot create file " + home + "orx.ini")))
          << result.output;
      EXPECT_EQ(ReadFile(inst + "orx.ini"), kLocalSettingsRewritten) << "no redirection recorded";
    }
  }
#endif
}

// The daily comparison of month data while a scanner holds a month file for a moment: the read
// waits for it, and the run ends as an undisturbed one does.
TEST_F(SharingScenario, AMonthFileHeldForAMomentIsReadOnceItIsLetGo) {
#ifndef _WIN32
  GTEST_SKIP() << "the POSIX port has no share modes";
#else
  WriteTree(Dir("inst"),
            Replaced(kInstallation, {{"orx.ini", "[Setup]\r\nRedirect=" + Dir("away") + "\r\n"}}));
  WriteTree(Dir("away"), kInstallation);
  const HANDLE held = CreateFileA((Dir("away") + "Data\\2024-01.txt").c_str(), GENERIC_READ, 0,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::thread scanner([held] {
    Sleep(300);
    CloseHandle(held);
  });
  const ProgramResult result = Run({"/v" + Dir("inst")});
  scanner.join();

  EXPECT_EQ(result.output, Report(kConfigured, {kNoRights, RedirectionRemoved(Dir("away"))}));
  EXPECT_EQ(result.exitStatus, 0);
#endif
}

}  // namespace
}  // namespace orx::testing
