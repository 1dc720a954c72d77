// Scoped owners of the system handles that the backend makes beyond the
// class library's (platform/graphics/GdiGuards.h): icons, windows and paint
// sessions, and names for the GDI objects it keeps. Internal to
// platform/forms/win32.
#pragma once

#include "platform/gdi/Gdi.h"
#include "platform/graphics/GdiGuards.h"

namespace win32_backend {

struct DestroyIconHandle {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct DestroyWindowHandle {
  void operator()(HWND window) const { DestroyWindow(window); }
};

using FontHandle = TGdiObject<HFONT>;
using BrushHandle = TGdiObject<HBRUSH>;
using BitmapHandle = TGdiObject<HBITMAP>;
using IconHandle = TOwnedHandle<HICON, DestroyIconHandle>;
using WindowHandle = TOwnedHandle<HWND, DestroyWindowHandle>;

// One WM_PAINT session: BeginPaint now, EndPaint at the end.
class PaintSession {
 public:
  explicit PaintSession(HWND window) : window_(window) { BeginPaint(window, &paint_); }
  ~PaintSession() { EndPaint(window_, &paint_); }
  PaintSession(const PaintSession&) = delete;
  PaintSession& operator=(const PaintSession&) = delete;
  HDC Get() const { return paint_.hdc; }
  const RECT& Area() const { return paint_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
};

}  // namespace win32_backend
