// ShellExecuteA: the recorder for tests, and the real start of the
// desktop's opener, detached, with its working directory.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "platform/gdi/ShellTest.h"
#include "tests/support/TestSupport.h"

namespace {

TEST(Shell, HandlerReceivesTheArgumentsAndItsResultIsReturned) {
  std::vector<TShellExecuteCall> calls;
  TShellExecuteHandler previous = SetShellExecuteHandler([&](const TShellExecuteCall& c) {
    calls.push_back(c);
    return reinterpret_cast<HINSTANCE>(uintptr_t{2});
  });
  HWND owner = reinterpret_cast<HWND>(uintptr_t{0x1234});
  HINSTANCE r = ShellExecuteA(owner, "open", "vaskss.scr", nullptr, nullptr, SW_SHOWNORMAL);
  SetShellExecuteHandler(previous);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(r), 2u);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].Owner, owner);
  EXPECT_EQ(calls[0].Verb, "open");
  EXPECT_EQ(calls[0].File, "vaskss.scr");
  EXPECT_FALSE(calls[0].Parameters.has_value());
  EXPECT_FALSE(calls[0].Directory.has_value());
  EXPECT_EQ(calls[0].Show, 1);
}

#ifndef _WIN32
// Puts a fake xdg-open first on PATH while it lives.
class FakeOpener {
 public:
  explicit FakeOpener(const TempDir& dir, const std::string& log) {
    const std::string script = dir.File("xdg-open");
    std::ofstream(script) << "#!/bin/sh\n"
                          << "echo \"$1|$(pwd)|$#\" > '" << log << ".tmp'\n"
                          << "mv '" << log << ".tmp' '" << log << "'\n";
    chmod(script.c_str(), 0755);
    const char* path = std::getenv("PATH");
    old_path_ = path ? path : "";
    setenv("PATH", (dir.Path() + ":" + old_path_).c_str(), 1);
  }
  ~FakeOpener() { setenv("PATH", old_path_.c_str(), 1); }

 private:
  std::string old_path_;
};

std::string WaitForFile(const std::string& path) {
  for (int i = 0; i < 100; ++i) {
    std::ifstream in(path);
    if (in) {
      std::string line;
      std::getline(in, line);
      return line;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return "(opener never ran)";
}

TEST(Shell, StartsTheDesktopOpenerDetachedInTheGivenFolder) {
  TempDir bin, work;
  const std::string log = bin.File("log");
  FakeOpener opener(bin, log);
  HINSTANCE r =
      ShellExecuteA(nullptr, "open", "vaskss.scr", nullptr, work.Path().c_str(), SW_SHOWNORMAL);
  EXPECT_GT(reinterpret_cast<uintptr_t>(r), 32u);
  char resolved[4096];
  ASSERT_NE(realpath(work.Path().c_str(), resolved), nullptr);
  EXPECT_EQ(WaitForFile(log), std::string("vaskss.scr|") + resolved + "|1");
}

TEST(Shell, WithoutAFileNothingIsStarted) {
  EXPECT_LE(reinterpret_cast<uintptr_t>(
                ShellExecuteA(nullptr, "open", nullptr, nullptr, nullptr, SW_SHOWNORMAL)),
            32u);
}

#endif

}  // namespace
