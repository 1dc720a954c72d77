// The vask program itself: "Exit" ends it with 0, and an exception during
// start-up is shown in a box captioned "Vask" before it returns 0. (The
// Windows program is driven through its real windows in program_win32_test.)
#ifndef _WIN32
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TestSupport.h"

extern char** environ;

namespace {

// A child process with its standard error in a file; killed if still
// running at destruction.
class Program {
 public:
  Program(const std::string& exe, const std::string& stderr_file, bool with_display,
          const std::string& cwd) {
    std::vector<std::string> env_strings;
    for (char** e = environ; *e != nullptr; ++e)
      if (with_display || std::string(*e).rfind("DISPLAY=", 0) != 0) env_strings.push_back(*e);
    std::vector<char*> env;
    for (auto& s : env_strings) env.push_back(s.data());
    env.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, stderr_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    char* argv[] = {const_cast<char*>(exe.c_str()), nullptr};
    if (posix_spawn(&pid_, exe.c_str(), &actions, nullptr, argv, env.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Program() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  bool Started() const { return pid_ > 0; }
  // The exit status, or -1 when it has not ended within the time.
  int WaitForExit(double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
};

// Runs a shell command and returns its standard output.
std::string Capture(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[256];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return out;
}

// The first visible window matching an xdotool search, waiting for it.
std::string FindWindow(const std::string& search) {
  for (int i = 0; i < 150; ++i) {
    std::string id = Capture("xdotool search --onlyvisible " + search + " 2>/dev/null | head -1");
    if (!id.empty()) return id;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return {};
}

bool HaveDisplayTools() {
  return std::getenv("DISPLAY") != nullptr && !Capture("command -v xdotool").empty();
}

TEST(Program, ExitButtonEndsTheProgramWithZero) {
  ASSERT_TRUE(HaveDisplayTools()) << "needs DISPLAY and xdotool";
  TempDir dir;
  Program vask(VASK_EXE, dir.File("stderr"), true, dir.Path());
  ASSERT_TRUE(vask.Started());
  const std::string id = FindWindow("--classname vask");
  ASSERT_FALSE(id.empty()) << "the window did not appear";
  // The window is the program's task-bar entry, named by the application's
  // title.
  const std::string properties = Capture("xprop -id " + id + " WM_NAME _NET_WM_STATE");
  EXPECT_NE(properties.find("WM_NAME(STRING) = \"Vask\""), std::string::npos) << properties;
  EXPECT_EQ(properties.find("SKIP_TASKBAR"), std::string::npos) << properties;
  // "Exit" lies at client (480, 455), 150 x 25; the frame is 3 pixels.
  Capture("xdotool mousemove --window " + id + " 558 470 click 1");
  EXPECT_EQ(vask.WaitForExit(10), 0) << ReadFileBytes(dir.File("stderr"));
}

TEST(Program, StartupErrorWithoutDisplayGoesToStandardErrorAndReturnsZero) {
  TempDir dir;
  Program vask(VASK_BAD_PICTURE_EXE, dir.File("stderr"), false, dir.Path());
  ASSERT_TRUE(vask.Started());
  EXPECT_EQ(vask.WaitForExit(10), 0);
  // One line: the caption, then the message (the form reader names the
  // property it was reading) with the full stop appended.
  const std::string line = ReadFileBytes(dir.File("stderr"));
  EXPECT_EQ(line, "Vask: Error reading Image1.Picture.Data: Bitmap image is not valid.\n");
}

TEST(Program, StartupErrorIsShownInABoxCaptionedVaskThenReturnsZero) {
  ASSERT_TRUE(HaveDisplayTools()) << "needs DISPLAY and xdotool";
  TempDir dir;
  Program vask(VASK_BAD_PICTURE_EXE, dir.File("stderr"), true, dir.Path());
  ASSERT_TRUE(vask.Started());
  const std::string id = FindWindow("--name '^Vask$'");
  ASSERT_FALSE(id.empty()) << "no box captioned Vask appeared";
  // The box is still open: the program waits for its OK button.
  EXPECT_EQ(vask.WaitForExit(0.3), -1);
  // OK is the box's only button, centred at its bottom.
  const std::string geometry = Capture("xdotool getwindowgeometry --shell " + id);
  int w = 0, h = 0;
  for (size_t at = 0; at < geometry.size();) {
    size_t end = geometry.find('\n', at);
    const std::string line = geometry.substr(at, end == std::string::npos ? end : end - at);
    if (line.rfind("WIDTH=", 0) == 0) w = std::atoi(line.c_str() + 6);
    if (line.rfind("HEIGHT=", 0) == 0) h = std::atoi(line.c_str() + 7);
    if (end == std::string::npos) break;
    at = end + 1;
  }
  ASSERT_GT(w, 0);
  Capture("xdotool mousemove --window " + id + " " + std::to_string(w / 2) + " " +
          std::to_string(h - 24) + " click 1");
  EXPECT_EQ(vask.WaitForExit(10), 0);
  EXPECT_EQ(ReadFileBytes(dir.File("stderr")), "");
}

}  // namespace

#endif
