// Measures a program's start-up: starts it and watches one pixel of the
// screen until it shows the expected colour, then prints the milliseconds
// taken and stops the program.
//   first_frame <x> <y> <rrggbb> <program> [args...]
// Exit status 0 on success, 1 on a timeout (20 s) or error.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

extern char** environ;

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: first_frame <x> <y> <rrggbb> <program> [args...]\n");
    return 1;
  }
  const int x = std::atoi(argv[1]), y = std::atoi(argv[2]);
  const unsigned long want = std::strtoul(argv[3], nullptr, 16);
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return 1;
  const Window root = DefaultRootWindow(display);

  const auto start = std::chrono::steady_clock::now();
  pid_t pid;
  if (posix_spawn(&pid, argv[4], nullptr, nullptr, argv + 4, environ) != 0) return 1;
  bool seen = false;
  while (std::chrono::steady_clock::now() - start < std::chrono::seconds(20)) {
    XImage* image = XGetImage(display, root, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image != nullptr) {
      const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
      XDestroyImage(image);
      if (pixel == want) {
        seen = true;
        break;
      }
    }
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  XCloseDisplay(display);
  if (!seen) return 1;
  std::printf("%.1f\n", ms);
  return 0;
}
