// Connects the toolkit to the X display. Kept apart from the forms headers:
// X11's headers declare a type named Screen.
#include <FL/Fl.H>
#include <FL/x.H>

namespace fltk_backend {

bool ConnectX11Display() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  fl_open_display(display);
  return true;
}

}  // namespace fltk_backend
