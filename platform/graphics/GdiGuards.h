// Scoped owners of graphics handles, selections and global memory blocks.
// Each undoes its one step when it goes out of scope, so nested owners undo
// their steps in reverse order, also when an exception passes.
//
// One failure rule for all of them: a constructor that cannot get its handle
// or lock raises EOutOfMemory (the system is out of resources); one whose
// selection the context refuses raises EInvalidOperation. Destructors never
// raise.
#pragma once

#include <cstddef>
#include <utility>

#include "platform/Export.h"
#include "platform/gdi/Gdi.h"

// A handle owned until Release hands it on; Free{}(handle) is called on it
// at the end otherwise. Movable, not copyable; null means empty.
template <class H, class Free>
class TOwnedHandle {
 public:
  explicit TOwnedHandle(H handle = nullptr) noexcept : handle_(handle) {}
  ~TOwnedHandle() { Reset(); }
  TOwnedHandle(TOwnedHandle&& other) noexcept : handle_(other.Release()) {}
  TOwnedHandle& operator=(TOwnedHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  TOwnedHandle(const TOwnedHandle&) = delete;
  TOwnedHandle& operator=(const TOwnedHandle&) = delete;

  H Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  // Gives up ownership and returns the handle.
  H Release() { return std::exchange(handle_, nullptr); }
  // Frees the handle held so far and takes handle.
  void Reset(H handle = nullptr) {
    if (handle_ != nullptr) Free{}(handle_);
    handle_ = handle;
  }

 private:
  H handle_;
};

struct TDeleteGdiObject {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct TFreeGlobal {
  void operator()(HGLOBAL block) const { GlobalFree(block); }
};

// A GDI object (bitmap, palette, brush, pen, font), deleted at the end.
template <class H>
using TGdiObject = TOwnedHandle<H, TDeleteGdiObject>;
// A global memory block, freed at the end.
using TGlobalBlock = TOwnedHandle<HGLOBAL, TFreeGlobal>;

// A new movable, zero-filled global block of size bytes. Raises EOutOfMemory.
PLATFORM_API TGlobalBlock AllocateGlobalBlock(size_t size);
// A new movable global block of size bytes whose content is whatever the
// allocator gives, for a caller that writes every byte before anyone reads
// it: zero-filling a large block costs a pass over all of its memory.
// Raises EOutOfMemory.
PLATFORM_API TGlobalBlock AllocateUnfilledGlobalBlock(size_t size);

// Locks a global block for the scope. Raises EOutOfMemory when it cannot be
// locked.
class PLATFORM_API TGlobalLock {
 public:
  explicit TGlobalLock(HGLOBAL block);
  ~TGlobalLock() { GlobalUnlock(block_); }
  TGlobalLock(const TGlobalLock&) = delete;
  TGlobalLock& operator=(const TGlobalLock&) = delete;
  void* Data() const { return data_; }

 private:
  HGLOBAL block_;
  void* data_;
};

// A window's device context (GetDC), or the screen's for no window; released
// at the end. Raises EOutOfMemory when there is none.
class PLATFORM_API TWindowDC {
 public:
  explicit TWindowDC(HWND window = nullptr);
  ~TWindowDC() { ReleaseDC(window_, dc_); }
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// A memory context compatible with reference (with the screen for null),
// deleted at the end. Raises EOutOfMemory.
class PLATFORM_API TMemoryDC {
 public:
  explicit TMemoryDC(HDC reference = nullptr);
  ~TMemoryDC() { DeleteDC(dc_); }
  TMemoryDC(const TMemoryDC&) = delete;
  TMemoryDC& operator=(const TMemoryDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HDC dc_;
};

// Selects an object into a context and selects the previous one back at the
// end. Raises EInvalidOperation when the context refuses the object (for
// instance a bitmap that is selected into another context).
class PLATFORM_API TSelection {
 public:
  TSelection(HDC dc, HGDIOBJ object);
  ~TSelection() { SelectObject(dc_, old_); }
  TSelection(const TSelection&) = delete;
  TSelection& operator=(const TSelection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A memory context compatible with the screen, holding a screen-compatible
// 1 x 1 placeholder bitmap: bitmaps made compatible with it take the
// screen's format (a new memory context holds a monochrome one), and
// GetDIBits on it reads bitmaps that are never selected into it. Raises
// EOutOfMemory.
class PLATFORM_API TScreenMemoryDC {
 public:
  TScreenMemoryDC();
  HDC Get() const { return dc_.Get(); }

 private:
  TMemoryDC dc_;
  TGdiObject<HBITMAP> placeholder_;
  TSelection selection_;
};

// Selects a palette into a context, in the foreground or the background,
// and realises it; selects the previous palette back the same way at the
// end, realising it again when realize_on_restore is set. Does nothing for
// a null palette. Raises EInvalidOperation when the context refuses the
// palette.
class PLATFORM_API TPaletteSelection {
 public:
  TPaletteSelection(HDC dc, HPALETTE palette, bool background = false,
                    bool realize_on_restore = false);
  ~TPaletteSelection();
  TPaletteSelection(const TPaletteSelection&) = delete;
  TPaletteSelection& operator=(const TPaletteSelection&) = delete;

 private:
  HDC dc_;
  HPALETTE old_ = nullptr;
  bool background_;
  bool realize_on_restore_;
};
