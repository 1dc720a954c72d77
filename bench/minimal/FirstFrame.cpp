// Measures a program's start-up to its complete first frame, without
// polling the screen: the X DAMAGE extension reports every change of the
// program's first window, and only then is the window compared with the
// frame it settles on.
//
//   first_frame --reference <frame.ppm> <program> [args...]
//     Starts the program, waits for its first window to appear and for the
//     screen to stay unchanged for a second, saves that window's pixels and
//     position as the complete frame, and stops the program.
//   first_frame <frame.ppm> <program> [args...]
//     Starts the program and prints the milliseconds from its start to the
//     change of the screen (by the X server's clock) after which its window
//     shows exactly the frame, then stops it.
//
// Exit status 0 on success; 1 (with a message) when the program exits, or
// does not show the frame within 20 s, or the display cannot be used.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <signal.h>
#include <spawn.h>
#include <sys/select.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Frame {
  int x = 0, y = 0, width = 0, height = 0;
  std::vector<unsigned char> rgb;
};

bool Fail(const char* message) {
  std::fprintf(stderr, "first_frame: %s\n", message);
  return false;
}

// The screen's pixels in the rectangle, as red-green-blue bytes.
bool Grab(Display* display, Window root, Frame& frame) {
  XImage* image = XGetImage(display, root, frame.x, frame.y, static_cast<unsigned>(frame.width),
                            static_cast<unsigned>(frame.height), AllPlanes, ZPixmap);
  if (image == nullptr) return false;
  frame.rgb.resize(static_cast<size_t>(frame.width) * frame.height * 3);
  unsigned char* out = frame.rgb.data();
  for (int y = 0; y < frame.height; ++y)
    for (int x = 0; x < frame.width; ++x, out += 3) {
      const unsigned long p = XGetPixel(image, x, y);
      out[0] = static_cast<unsigned char>(p >> 16);
      out[1] = static_cast<unsigned char>(p >> 8);
      out[2] = static_cast<unsigned char>(p);
    }
  XDestroyImage(image);
  return true;
}

bool WriteFrame(const std::string& path, const Frame& f) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n# at " << f.x << ' ' << f.y << '\n' << f.width << ' ' << f.height << "\n255\n";
  out.write(reinterpret_cast<const char*>(f.rgb.data()),
            static_cast<std::streamsize>(f.rgb.size()));
  return static_cast<bool>(out);
}

bool ReadFrame(const std::string& path, Frame& f) {
  std::ifstream in(path, std::ios::binary);
  std::string magic, hash, at;
  int maxval = 0;
  if (!(in >> magic >> hash >> at >> f.x >> f.y >> f.width >> f.height >> maxval) ||
      magic != "P6" || hash != "#" || at != "at" || maxval != 255)
    return false;
  in.get();
  f.rgb.resize(static_cast<size_t>(f.width) * f.height * 3);
  in.read(reinterpret_cast<char*>(f.rgb.data()), static_cast<std::streamsize>(f.rgb.size()));
  return static_cast<bool>(in);
}

// The X server's clock now: the time stamp of a property change on a window
// of our own.
Time ServerTime(Display* display, Window window) {
  const Atom atom = XInternAtom(display, "FIRST_FRAME_CLOCK", False);
  XChangeProperty(display, window, atom, XA_STRING, 8, PropModeReplace, nullptr, 0);
  XEvent event;
  XWindowEvent(display, window, PropertyChangeMask, &event);
  return event.xproperty.time;
}

class Run {
 public:
  Run(Display* display, int damage_event) : display_(display), damage_event_(damage_event) {
    root_ = DefaultRootWindow(display);
    clock_ = XCreateSimpleWindow(display, root_, 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(display, clock_, PropertyChangeMask);
    XSelectInput(display, root_, SubstructureNotifyMask);
  }
  ~Run() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    // The window's damage object goes with the window.
    XDestroyWindow(display_, clock_);
    XSync(display_, True);
  }

  bool Start(char** argv) {
    XSync(display_, True);  // nothing from before the start counts
    start_ = ServerTime(display_, clock_);
    if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv, environ) != 0) {
      pid_ = 0;
      return Fail("cannot start the program");
    }
    return true;
  }

  // Waits up to the deadline for events; handles them. False on timeout or
  // when the program has exited.
  bool Wait(std::chrono::steady_clock::time_point deadline) {
    while (XPending(display_) == 0) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = 0;
        return Fail("the program exited before showing its frame");
      }
      const auto left = deadline - std::chrono::steady_clock::now();
      if (left <= std::chrono::steady_clock::duration::zero()) return false;
      const int fd = ConnectionNumber(display_);
      fd_set fds;
      FD_ZERO(&fds);
      FD_SET(fd, &fds);
      timeval tv{0, 100000};  // to look at the program now and then
      select(fd + 1, &fds, nullptr, nullptr, &tv);
    }
    Drain();
    return true;
  }

  // Handles every event that has arrived.
  void Drain() {
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      if (event.type == damage_event_ + XDamageNotify) {
        const auto& d = reinterpret_cast<const XDamageNotifyEvent&>(event);
        if (d.timestamp > last_damage_) last_damage_ = d.timestamp;
        damaged_ = true;
        XDamageSubtract(display_, d.damage, None, None);
      } else if (event.type == MapNotify && window_ == None) {
        // Changes to a window are reported to the window's own damage
        // object, not to the root's: watch the program's window from now
        // on, and look at it once (it may have been drawn already).
        window_ = event.xmap.window;
        window_damage_ = XDamageCreate(display_, window_, XDamageReportNonEmpty);
        last_damage_ = ServerTime(display_, clock_);
        damaged_ = true;
      }
    }
  }

  Display* display_;
  int damage_event_;
  Window root_, clock_, window_ = None;
  Damage window_damage_ = None;
  pid_t pid_ = 0;
  Time start_ = 0, last_damage_ = 0;
  bool damaged_ = false;
};

bool Reference(Display* display, int damage_event, const std::string& path, char** argv) {
  Run run(display, damage_event);
  if (!run.Start(argv)) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (run.window_ == None)
    if (!run.Wait(deadline)) return Fail("the program showed no window within 20 s");
  // Settled: no change of the screen for a second.
  for (;;) {
    run.damaged_ = false;
    const auto quiet = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (!run.damaged_ && run.Wait(std::min(quiet, deadline))) {
    }
    if (!run.damaged_) break;
    if (std::chrono::steady_clock::now() > deadline) return Fail("the screen did not settle");
  }
  XWindowAttributes a;
  if (!XGetWindowAttributes(display, run.window_, &a)) return Fail("the window went away");
  Frame frame;
  frame.x = a.x;
  frame.y = a.y;
  frame.width = a.width + 2 * a.border_width;
  frame.height = a.height + 2 * a.border_width;
  if (!Grab(display, run.root_, frame) || !WriteFrame(path, frame))
    return Fail("cannot save the frame");
  return true;
}

bool Measure(Display* display, int damage_event, const std::string& path, char** argv) {
  Frame want;
  if (!ReadFrame(path, want)) return Fail("cannot read the frame");
  Run run(display, damage_event);
  if (!run.Start(argv)) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  Frame seen = want;
  for (;;) {
    if (!run.Wait(deadline)) return Fail("the frame did not appear within 20 s");
    if (!run.damaged_) continue;
    run.damaged_ = false;
    // Damage from before the grab reaches us before its reply.
    if (!Grab(display, run.root_, seen)) return Fail("cannot read the screen");
    if (seen.rgb == want.rgb) break;
  }
  run.Drain();
  std::printf("%lu\n", static_cast<unsigned long>(run.last_damage_ - run.start_));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const bool reference = argc >= 4 && std::strcmp(argv[1], "--reference") == 0;
  if (argc < 3 || (reference && argc < 4)) {
    std::fprintf(stderr,
                 "usage: first_frame --reference <frame.ppm> <program> [args...]\n"
                 "       first_frame <frame.ppm> <program> [args...]\n");
    return 1;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return Fail("cannot open the display"), 1;
  int damage_event = 0, damage_error = 0;
  bool ok;
  if (!XDamageQueryExtension(display, &damage_event, &damage_error))
    ok = Fail("the display has no DAMAGE extension");
  else if (reference)
    ok = Reference(display, damage_event, argv[2], argv + 3);
  else
    ok = Measure(display, damage_event, argv[1], argv + 2);
  XCloseDisplay(display);
  return ok ? 0 : 1;
}
