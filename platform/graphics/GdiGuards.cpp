#include "platform/graphics/GdiGuards.h"

#include "platform/sysutils/SysUtils.h"

TGlobalBlock AllocateGlobalBlock(size_t size) {
  TGlobalBlock block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
  if (!block) OutOfMemoryError();
  return block;
}

TGlobalBlock AllocateUnfilledGlobalBlock(size_t size) {
  TGlobalBlock block(GlobalAlloc(GMEM_MOVEABLE, size));
  if (!block) OutOfMemoryError();
  return block;
}

TGlobalLock::TGlobalLock(HGLOBAL block) : block_(block), data_(GlobalLock(block)) {
  if (data_ == nullptr) OutOfMemoryError();
}

TWindowDC::TWindowDC(HWND window) : window_(window), dc_(GetDC(window)) {
  if (dc_ == nullptr) OutOfMemoryError();
}

TMemoryDC::TMemoryDC(HDC reference) : dc_(CreateCompatibleDC(reference)) {
  if (dc_ == nullptr) OutOfMemoryError();
}

TSelection::TSelection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {
  if (old_ == nullptr || old_ == HGDI_ERROR)
    throw EInvalidOperation("Cannot select the object into the device context");
}

namespace {

// A screen-compatible 1 x 1 bitmap.
HBITMAP NewPlaceholder() {
  TWindowDC screen;
  HBITMAP placeholder = CreateCompatibleBitmap(screen.Get(), 1, 1);
  if (placeholder == nullptr) OutOfMemoryError();
  return placeholder;
}

}  // namespace

TScreenMemoryDC::TScreenMemoryDC()
    : placeholder_(NewPlaceholder()), selection_(dc_.Get(), placeholder_.Get()) {}

TPaletteSelection::TPaletteSelection(HDC dc, HPALETTE palette, bool background,
                                     bool realize_on_restore)
    : dc_(dc), background_(background), realize_on_restore_(realize_on_restore) {
  if (palette == nullptr) return;
  old_ = SelectPalette(dc, palette, background ? TRUE : FALSE);
  if (old_ == nullptr) throw EInvalidOperation("Cannot select the palette into the device context");
  RealizePalette(dc);
}

TPaletteSelection::~TPaletteSelection() {
  if (old_ == nullptr) return;
  SelectPalette(dc_, old_, background_ ? TRUE : FALSE);
  if (realize_on_restore_) RealizePalette(dc_);
}
