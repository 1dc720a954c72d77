// Scoped owners for the graphics handles and selections that the JPEG
// compressor makes while it turns bitmaps and metafiles into DIBs. Each guard
// undoes its one step when it goes out of scope, so nested guards undo their
// steps in reverse order, also when an exception passes. Internal to the unit.
#pragma once

#include <cstddef>

#include "platform/gdi/Gdi.h"
#include "platform/sysutils/SysUtils.h"

// The screen's device context (GetDC with no window); released at the end.
// Raises Exception when the screen context cannot be obtained.
class TScreenDC {
 public:
  TScreenDC() : dc_(GetDC(nullptr)) {
    if (dc_ == nullptr) throw Exception("Cannot obtain the screen device context");
  }
  ~TScreenDC() { ReleaseDC(nullptr, dc_); }
  TScreenDC(const TScreenDC&) = delete;
  TScreenDC& operator=(const TScreenDC&) = delete;
  HDC Handle() const { return dc_; }

 private:
  HDC dc_;
};

// A memory context compatible with another; deleted at the end. Raises
// Exception when it cannot be created.
class TMemoryDC {
 public:
  explicit TMemoryDC(HDC reference) : dc_(CreateCompatibleDC(reference)) {
    if (dc_ == nullptr) throw Exception("Cannot create a memory device context");
  }
  ~TMemoryDC() { DeleteDC(dc_); }
  TMemoryDC(const TMemoryDC&) = delete;
  TMemoryDC& operator=(const TMemoryDC&) = delete;
  HDC Handle() const { return dc_; }

 private:
  HDC dc_;
};

// Owns a bitmap (or other GDI object) until Release hands it on; deletes it
// otherwise.
class TGdiObjectOwner {
 public:
  explicit TGdiObjectOwner(HGDIOBJ object = nullptr) : object_(object) {}
  ~TGdiObjectOwner() {
    if (object_ != nullptr) DeleteObject(object_);
  }
  TGdiObjectOwner(const TGdiObjectOwner&) = delete;
  TGdiObjectOwner& operator=(const TGdiObjectOwner&) = delete;
  HGDIOBJ Get() const { return object_; }
  // Deletes the object held so far and takes object.
  void Reset(HGDIOBJ object) {
    if (object_ != nullptr) DeleteObject(object_);
    object_ = object;
  }
  // Gives up ownership and returns the object.
  HGDIOBJ Release() {
    HGDIOBJ object = object_;
    object_ = nullptr;
    return object;
  }

 private:
  HGDIOBJ object_;
};

// Selects an object into a context and selects the previous one back at the
// end. Raises Exception with failure_message when the selection fails.
class TObjectSelection {
 public:
  TObjectSelection(HDC dc, HGDIOBJ object, const char* failure_message)
      : dc_(dc), old_(SelectObject(dc, object)) {
    if (old_ == nullptr) throw Exception(failure_message);
  }
  ~TObjectSelection() { SelectObject(dc_, old_); }
  TObjectSelection(const TObjectSelection&) = delete;
  TObjectSelection& operator=(const TObjectSelection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// Selects a palette into a context (foreground or background) and realises
// it; selects the previous palette back at the end, realising it again when
// realize_on_restore is set.
class TPaletteSelection {
 public:
  TPaletteSelection(HDC dc, HPALETTE palette, bool background, bool realize_on_restore)
      : dc_(dc),
        old_(SelectPalette(dc, palette, background ? TRUE : FALSE)),
        background_(background),
        realize_on_restore_(realize_on_restore) {
    if (old_ == nullptr) throw Exception("Cannot select the bitmap's palette");
    RealizePalette(dc);
  }
  ~TPaletteSelection() {
    SelectPalette(dc_, old_, background_ ? TRUE : FALSE);
    if (realize_on_restore_) RealizePalette(dc_);
  }
  TPaletteSelection(const TPaletteSelection&) = delete;
  TPaletteSelection& operator=(const TPaletteSelection&) = delete;

 private:
  HDC dc_;
  HPALETTE old_;
  bool background_;
  bool realize_on_restore_;
};

// A movable, zero-filled global memory block, locked while the guard lives;
// unlocked and freed at the end. Raises EOutOfMemory when it cannot be
// allocated or locked.
class TLockedGlobalBlock {
 public:
  explicit TLockedGlobalBlock(size_t size)
      : handle_(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size)) {
    if (handle_ == nullptr) OutOfMemoryError();
    data_ = GlobalLock(handle_);
    if (data_ == nullptr) {
      GlobalFree(handle_);
      OutOfMemoryError();
    }
  }
  ~TLockedGlobalBlock() {
    GlobalUnlock(handle_);
    GlobalFree(handle_);
  }
  TLockedGlobalBlock(const TLockedGlobalBlock&) = delete;
  TLockedGlobalBlock& operator=(const TLockedGlobalBlock&) = delete;
  void* Data() const { return data_; }

 private:
  HGLOBAL handle_;
  void* data_ = nullptr;
};
