// The graphics test support on Windows: the display is the system's own, so
// only its format can be selected; live handles are the process's GDI object
// count; bitmap pixels are read with the system's calls.
#include "platform/gdi/GdiTest.h"

#include <algorithm>
#include <stdexcept>

namespace gditest {

namespace {

DisplayFormat ActualFormat() {
  HDC screen = GetDC(nullptr);
  const int bits = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
  const bool palette = (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) != 0;
  ReleaseDC(nullptr, screen);
  if (palette) return DisplayFormat::Palette8;
  if (bits <= 4) return DisplayFormat::Colours16;
  return DisplayFormat::TrueColour32;
}

}  // namespace

bool CanSetDisplayFormat(DisplayFormat format) {
  return format == ActualFormat();
}

void SetDisplayFormat(DisplayFormat format) {
  if (!CanSetDisplayFormat(format))
    throw std::logic_error("the display format cannot be changed on Windows");
}

DisplayFormat GetDisplayFormat() {
  return ActualFormat();
}

void SetScreenSize(int, int) {}

void ResetDisplay() {}

void ForceScalarPixelCode(bool) {}

HandleCounts LiveHandles() {
  HandleCounts counts;
  counts.dcs = static_cast<int>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
  return counts;
}

bool ReadBitmap(HBITMAP bitmap, RawBitmap& out) {
  BITMAP info{};
  if (GetObjectA(bitmap, sizeof info, &info) != sizeof info) return false;
  out.width = info.bmWidth;
  out.height = info.bmHeight;
  out.bpp = info.bmBitsPixel * info.bmPlanes;
  // The system's rows are padded to 16 bits; ours are not padded.
  const int stored = info.bmWidthBytes;
  std::vector<uint8_t> all(static_cast<size_t>(stored) * out.height);
  if (!all.empty() && GetBitmapBits(bitmap, static_cast<LONG>(all.size()), all.data()) == 0)
    return false;
  const int row = out.RowBytes();
  out.pixels.resize(static_cast<size_t>(row) * out.height);
  for (int y = 0; y < out.height; ++y)
    std::copy_n(all.data() + static_cast<size_t>(y) * stored, row,
                out.pixels.data() + static_cast<size_t>(y) * row);
  return true;
}

}  // namespace gditest
