// The graphics test support on Linux: chooses the portable implementation's
// virtual display, counts its live handles and reads its bitmaps' rows.
// Linked into test programs and fuzz harnesses only, never into vask.
#include "platform/gdi/GdiTest.h"

#include <algorithm>

#include "platform/gdi/portable/GdiObjects.h"
#include "platform/gdi/portable/PixelFormats.h"

namespace gditest {

bool CanSetDisplayFormat(DisplayFormat) {
  return true;
}

void SetDisplayFormat(DisplayFormat format) {
  gdiport::TheDisplay().format = format;
}

DisplayFormat GetDisplayFormat() {
  return gdiport::TheDisplay().format;
}

void SetScreenSize(int width, int height) {
  if (width > 0 && height > 0) {
    gdiport::TheDisplay().width = width;
    gdiport::TheDisplay().height = height;
  }
}

void ResetDisplay() {
  gdiport::TheDisplay() = gdiport::DisplayState{};
}

void ForceScalarPixelCode(bool scalar) {
  gdiport::UseScalarRowConversion(scalar);
}

HandleCounts LiveHandles() {
  HandleCounts counts;
  gdiport::CountObjects(counts);
  return counts;
}

bool ReadBitmap(HBITMAP handle, RawBitmap& out) {
  const gdiport::Bitmap* b = gdiport::GetBitmap(handle);
  if (!b) return false;
  out.width = b->width;
  out.height = b->height;
  out.bpp = b->bpp;
  const size_t row = static_cast<size_t>(out.RowBytes());
  out.pixels.resize(row * b->height);
  for (int y = 0; y < b->height; ++y)
    std::copy(b->Row(y), b->Row(y) + row, out.pixels.data() + row * y);
  return true;
}

}  // namespace gditest
