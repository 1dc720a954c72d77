// Internal to the portable graphics API: pixel rows of 1, 4, 8, 16, 24 and 32
// bits converted to and from 0x00RRGGBB pixels, nearest-colour index mapping,
// and the checked description of a DIB.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/gdi/Gdi.h"

namespace gdiport {

// Maps colours to the index of the nearest colour-table entry (squared RGB
// distance; the first of equally near entries). Results are cached.
class IndexMapper {
 public:
  explicit IndexMapper(std::vector<uint32_t> table);
  uint8_t Map(uint32_t pixel);
  const std::vector<uint32_t>& Table() const { return table_; }

 private:
  uint8_t Search(uint32_t pixel) const;
  std::vector<uint32_t> table_;
  static constexpr size_t kCacheSize = 4096;
  std::array<uint32_t, kCacheSize> keys_;
  std::array<uint8_t, kCacheSize> values_;
};

// Reads pixels [x0, x0 + count) of a row of bpp bits into 0x00RRGGBB pixels;
// index formats look their colours up in table (2^bpp entries).
void UnpackRow(const uint8_t* row, int bpp, int x0, int count, const uint32_t* table,
               uint32_t* out);
// Writes count pixels into a row of bpp bits starting at pixel x0; index
// formats map through mapper.
void PackRow(const uint32_t* in, int count, int bpp, uint8_t* row, int x0, IndexMapper* mapper);

// The stored value of a colour in a bpp-bit format.
uint32_t RawValue(uint32_t pixel, int bpp, IndexMapper* mapper);
uint32_t GetRaw(const uint8_t* row, int bpp, int x);
void SetRaw(uint8_t* row, int bpp, int x, uint32_t raw);
// Raster operations on stored values over [x0, x0 + count).
enum class RawOp { Copy, Xor, Invert };
void ApplyRaw(uint8_t* row, int bpp, int x0, int count, uint32_t raw, RawOp op);

// Fast converters between 24-bit and 32-bit rows: with the processor's
// vector instructions where it has them, plain loops otherwise.
void Convert24To32(const uint8_t* src, uint8_t* dst, int count);
void Convert32To24(const uint8_t* src, uint8_t* dst, int count);
// true: the converters use their plain loops on every processor; false:
// vector code again where there is some. For test support (see
// gditest::ForceScalarPixelCode), so that both paths can be tested.
void UseScalarRowConversion(bool scalar);

// A DIB format described by a BITMAPINFO, checked.
struct DibFormat {
  int width = 0;
  int height = 0;  // absolute
  bool top_down = false;
  int bpp = 0;
  int64_t stride = 0;
  int64_t image_bytes = 0;
  std::vector<uint32_t> colours;  // 2^bpp entries below 16 bits
  // Row index in the DIB's memory of the picture row y (top-down).
  int MemoryRow(int y) const { return top_down ? y : height - 1 - y; }
};

// Checks a BITMAPINFOHEADER (size >= 40, width > 0, height != 0, planes 1,
// 1/4/8/16/24/32 bits, BI_RGB, size below kMaxBitmapBytes) and reads its
// colour table when read_colours is set. False (ERROR_INVALID_PARAMETER) if
// unsupported.
bool ParseDibHeader(const BITMAPINFOHEADER* header, DibFormat& out);
bool ReadDibColours(const BITMAPINFO* info, UINT usage, DibFormat& format);

}  // namespace gdiport
