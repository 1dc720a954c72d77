// Scoped owners of the system handles that the backend makes: windows,
// GDI objects, icons, device contexts, selections and paint sessions. Each
// undoes its one step when it goes out of scope, so nested owners undo in
// reverse order, also when an exception passes. Internal to
// platform/forms/win32.
#pragma once

#include <utility>

#include "platform/gdi/Gdi.h"

namespace win32_backend {

// A handle owned until Release; Free is called on it at the end.
template <class H, class Free>
class Owned {
 public:
  explicit Owned(H handle = nullptr) noexcept : handle_(handle) {}
  ~Owned() { Reset(); }
  Owned(Owned&& other) noexcept : handle_(other.Release()) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;

  H Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  H Release() { return std::exchange(handle_, nullptr); }
  void Reset(H handle = nullptr) {
    if (handle_ != nullptr) Free{}(handle_);
    handle_ = handle;
  }

 private:
  H handle_;
};

struct DeleteGdiObject {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct DestroyIconHandle {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct DestroyWindowHandle {
  void operator()(HWND window) const { DestroyWindow(window); }
};

using FontHandle = Owned<HFONT, DeleteGdiObject>;
using BrushHandle = Owned<HBRUSH, DeleteGdiObject>;
using BitmapHandle = Owned<HBITMAP, DeleteGdiObject>;
using IconHandle = Owned<HICON, DestroyIconHandle>;
using WindowHandle = Owned<HWND, DestroyWindowHandle>;

// A window's context (the screen's for a null window), released at the end.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDC() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// A memory context compatible with dc, deleted at the end.
class MemoryDC {
 public:
  explicit MemoryDC(HDC dc) : dc_(CreateCompatibleDC(dc)) {}
  ~MemoryDC() {
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HDC dc_;
};

// Selects an object into a context and the previous one back at the end.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~Selection() {
    if (old_ != nullptr && old_ != HGDI_ERROR) SelectObject(dc_, old_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  bool ok() const { return old_ != nullptr && old_ != HGDI_ERROR; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

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
