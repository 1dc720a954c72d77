// Direct access to the pixels of a device-dependent bitmap, for code that
// fills a bitmap it has just made (a decoder writing rows as it produces
// them, without a DIB in between). The portable graphics layer keeps a
// device bitmap's pixels in memory the caller may write; Windows keeps them
// to the display driver, and there the rows are not reachable (fill the
// bitmap with SetDIBits instead).
#pragma once

#include <cstdint>

#include "platform/Export.h"
#include "platform/gdi/Gdi.h"

// The rows of a bitmap: top is row 0 (the top of the picture), row y starts
// stride bytes after row y - 1. Pixels have the layout GetObject reports
// bmBitsPixel for; at 32 bits a pixel they are blue, green, red and a fourth
// byte that every graphics call ignores (so a decoder may leave its filler
// value there).
struct PLATFORM_API TBitmapRows {
  uint8_t* top = nullptr;
  int64_t stride = 0;
  int bits_per_pixel = 0;
};

// The rows of bitmap, valid until it is deleted. Empty (top null) on Windows,
// for a handle that is not a bitmap, and for a bitmap selected into a device
// context (which may be drawing into it on another thread).
PLATFORM_API TBitmapRows BitmapRows(HBITMAP bitmap);
