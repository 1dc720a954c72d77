// The Windows vask program itself, driven through its real windows: "Exit"
// ends it with 0, and an exception during start-up is shown in a box
// captioned "Vask" before it returns 0.
#ifdef _WIN32
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/gdi/Gdi.h"

namespace {

// A started program; terminated if still running at destruction.
class Program {
 public:
  explicit Program(const std::string& exe) {
    std::string line = "\"" + exe + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    started_ = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &process_) != FALSE;
  }
  ~Program() {
    if (!started_) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
      TerminateProcess(process_.hProcess, 99);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool Started() const { return started_; }
  DWORD Id() const { return process_.dwProcessId; }
  // The exit code, or -1 when the program is still running after seconds.
  int WaitForExit(double seconds) {
    if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(seconds * 1000)) != WAIT_OBJECT_0)
      return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return static_cast<int>(code);
  }

 private:
  PROCESS_INFORMATION process_{};
  bool started_ = false;
};

struct Search {
  DWORD process;
  const char* class_name;  // null: any
  const char* title;
  HWND found = nullptr;
};

BOOL CALLBACK Visit(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->process || !IsWindowVisible(window)) return TRUE;
  char text[256] = {}, class_name[256] = {};
  GetWindowTextA(window, text, sizeof text);
  GetClassNameA(window, class_name, sizeof class_name);
  if (std::string(text) != search->title) return TRUE;
  if (search->class_name != nullptr && std::string(class_name) != search->class_name) return TRUE;
  search->found = window;
  return FALSE;
}

// The program's visible top-level window with this title (and class), waiting
// for it to appear.
HWND FindProgramWindow(const Program& program, const char* class_name, const char* title) {
  for (int i = 0; i < 300; ++i) {
    Search search{program.Id(), class_name, title};
    EnumWindows(&Visit, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return nullptr;
}

TEST(Program, ExitButtonEndsTheProgramWithZero) {
  Program vask(VASK_EXE);
  ASSERT_TRUE(vask.Started());
  HWND form = FindProgramWindow(vask, nullptr, "Vask");
  ASSERT_NE(form, nullptr) << "the window did not appear";
  // No caption and no sizing border: a pop-up with the modal dialog frame.
  const LONG_PTR style = GetWindowLongPtrA(form, GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, 0);
  EXPECT_NE(style & WS_POPUP, 0);
  EXPECT_NE(GetWindowLongPtrA(form, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME, 0);
  RECT client{};
  GetClientRect(form, &client);
  EXPECT_EQ(client.right, 632);
  EXPECT_EQ(client.bottom, 486);
  HWND exit = FindWindowExA(form, nullptr, "BUTTON", "Exit");
  ASSERT_NE(exit, nullptr);
  PostMessageA(exit, BM_CLICK, 0, 0);
  EXPECT_EQ(vask.WaitForExit(10), 0);
}

TEST(Program, StartupErrorIsShownInABoxCaptionedVaskThenReturnsZero) {
  Program vask(VASK_BAD_PICTURE_EXE);
  ASSERT_TRUE(vask.Started());
  // The system's message box window class.
  HWND box = FindProgramWindow(vask, "#32770", "Vask");
  ASSERT_NE(box, nullptr) << "no box captioned Vask appeared";
  // The box is still open: the program waits for its OK button.
  EXPECT_EQ(vask.WaitForExit(0.3), -1);
  char text[512] = {};
  HWND label = FindWindowExA(box, nullptr, "Static", nullptr);
  while (label != nullptr && GetWindowTextA(label, text, sizeof text) == 0)
    label = FindWindowExA(box, label, "Static", nullptr);
  EXPECT_STREQ(text, "Error reading Image1.Picture.Data: Bitmap image is not valid.");
  HWND ok = FindWindowExA(box, nullptr, "BUTTON", nullptr);
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(FindWindowExA(box, ok, "BUTTON", nullptr), nullptr) << "more than one button";
  PostMessageA(ok, BM_CLICK, 0, 0);
  EXPECT_EQ(vask.WaitForExit(10), 0);
}

}  // namespace
#endif
