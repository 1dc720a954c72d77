// The row length of a device-independent bitmap (DIB) in the published
// layout: every row of pixels is padded to a multiple of 4 bytes. The same
// rule holds for BMP and icon files and for the rows of device-dependent
// bitmaps kept by the portable graphics implementation.
#pragma once

#include <cstdint>

// Bytes in one DIB row of width pixels of bits_per_pixel bits each:
// (width x bits + 7) div 8 rounded up to a multiple of 4. width and
// bits_per_pixel are not negative.
constexpr int64_t DibRowBytes(int64_t width, int bits_per_pixel) {
  return (width * bits_per_pixel + 31) / 32 * 4;
}
