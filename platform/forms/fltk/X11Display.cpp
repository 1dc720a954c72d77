// Connects the toolkit to the X display. Kept apart from the forms headers:
// X11's headers declare a type named Screen.
#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <X11/Xatom.h>

#include <vector>

namespace fltk_backend {

bool ConnectX11Display() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  fl_open_display(display);
  return true;
}

void ShowInTaskbar(Fl_Window& window) {
  const Window xid = fl_xid(&window);
  if (xid == 0) return;
  const Atom state = XInternAtom(fl_display, "_NET_WM_STATE", False);
  const Atom skip = XInternAtom(fl_display, "_NET_WM_STATE_SKIP_TASKBAR", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(fl_display, xid, state, 0, 64, False, XA_ATOM, &type, &format, &count,
                         &after, &data) == Success &&
      data != nullptr) {
    std::vector<Atom> kept;
    const Atom* atoms = reinterpret_cast<const Atom*>(data);
    for (unsigned long i = 0; i < count; ++i)
      if (atoms[i] != skip) kept.push_back(atoms[i]);
    XFree(data);
    if (kept.size() != count)
      XChangeProperty(fl_display, xid, state, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(kept.data()),
                      static_cast<int>(kept.size()));
  }
  // A window manager owns the state of a mapped window: ask it too.
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = xid;
  event.xclient.message_type = state;
  event.xclient.format = 32;
  event.xclient.data.l[0] = 0;  // _NET_WM_STATE_REMOVE
  event.xclient.data.l[1] = static_cast<long>(skip);
  event.xclient.data.l[3] = 1;  // from an application
  XSendEvent(fl_display, RootWindow(fl_display, fl_screen), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &event);
  XFlush(fl_display);
}

}  // namespace fltk_backend
