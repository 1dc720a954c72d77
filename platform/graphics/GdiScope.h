// Scoped owners for the device contexts, objects and selections that the
// graphics classes make while they work. Each undoes its one step when it
// goes out of scope, so nested owners undo in reverse order, also when an
// exception passes. Internal to platform/graphics.
#pragma once

#include <utility>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/sysutils/SysUtils.h"

namespace graphics_internal {

// A GDI object (bitmap, palette, brush, pen) owned until Release.
template <class H>
class GdiObject {
 public:
  explicit GdiObject(H handle = nullptr) : handle_(handle) {}
  ~GdiObject() { Reset(); }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  H Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  H Release() { return std::exchange(handle_, nullptr); }
  void Reset(H handle = nullptr) {
    if (handle_ != nullptr) DeleteObject(handle_);
    handle_ = handle;
  }

 private:
  H handle_;
};

// The screen's context (GetDC with no window). Raises EOutOfMemory when the
// display gives none.
class ScreenDC {
 public:
  ScreenDC() : dc_(GetDC(nullptr)) {
    if (dc_ == nullptr) OutOfMemoryError();
  }
  ~ScreenDC() { ReleaseDC(nullptr, dc_); }
  ScreenDC(const ScreenDC&) = delete;
  ScreenDC& operator=(const ScreenDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HDC dc_;
};

// Selects an object into a context and selects the previous one back at the
// end. ok() is false when the selection failed.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~Selection() {
    if (old_ != nullptr) SelectObject(dc_, old_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  bool ok() const { return old_ != nullptr; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// Selects and realises a palette (nothing for a null palette) and selects the
// previous one back at the end.
class PaletteSelection {
 public:
  PaletteSelection(HDC dc, HPALETTE palette, bool background = false) : dc_(dc) {
    if (palette == nullptr) return;
    old_ = SelectPalette(dc, palette, background ? TRUE : FALSE);
    RealizePalette(dc);
  }
  ~PaletteSelection() {
    if (old_ != nullptr) SelectPalette(dc_, old_, TRUE);
  }
  PaletteSelection(const PaletteSelection&) = delete;
  PaletteSelection& operator=(const PaletteSelection&) = delete;

 private:
  HDC dc_;
  HPALETTE old_ = nullptr;
};

// A memory context whose selected bitmap has the screen's format (a 1 x 1
// placeholder), so that bitmaps made compatible with it get the screen's
// depth. Raises EOutOfMemory when a step fails.
class ScreenMemoryDC {
 public:
  ScreenMemoryDC();
  ~ScreenMemoryDC();
  ScreenMemoryDC(const ScreenMemoryDC&) = delete;
  ScreenMemoryDC& operator=(const ScreenMemoryDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HDC dc_ = nullptr;
  HBITMAP placeholder_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

// A plain memory context, deleted at the end.
class MemoryDC {
 public:
  MemoryDC() : dc_(CreateCompatibleDC(nullptr)) {
    if (dc_ == nullptr) OutOfMemoryError();
  }
  ~MemoryDC() { DeleteDC(dc_); }
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HDC dc_;
};

// The entries of a palette (empty for a null or invalid palette).
std::vector<PALETTEENTRY> PaletteEntries(HPALETTE palette);
// A new palette with the given entries (1..1024); null for an empty list.
// Raises EOutOfMemory when the palette cannot be made.
HPALETTE MakePalette(const std::vector<PALETTEENTRY>& entries);
// A new palette with the entries of palette; null for a null palette.
HPALETTE CopyPalette(HPALETTE palette);

// Width, height and bits per pixel of a bitmap; false for an invalid handle.
bool BitmapSize(HBITMAP bitmap, int& width, int& height, int& bits_per_pixel);

// A new bitmap of the screen's format, width x height, filled with colour
// (an RGB value) and with the top-left part of source (when not null) copied
// in through palette. Raises EOutOfMemory when it cannot be made.
HBITMAP MakeScreenBitmap(int width, int height, COLORREF fill, HBITMAP source, HPALETTE palette);

}  // namespace graphics_internal
