// Reading and writing BMP files (a 14-byte file header and a DIB).
// Internal to platform/graphics; TBitmap is the public face.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/classes/Streams.h"
#include "platform/gdi/Gdi.h"

namespace graphics_internal {

// A DIB in the form the device calls take: a 40-byte header (BI_RGB, rows
// bottom-up, 1, 4, 8, 24 or 32 bits), a full colour table of 2^bits entries
// below 16 bits, and the pixel rows padded to 4 bytes.
struct Dib {
  std::vector<uint8_t> info;  // BITMAPINFOHEADER, then the colour table
  std::vector<uint8_t> bits;
  int colors_used = 0;  // entries the file's colour table really has (0 above 8 bits)
  int file_bits = 0;    // bits per pixel in the file: 1, 4, 8, 16, 24 or 32
  bool rgb565 = false;  // a 16-bit file with 5-6-5 masks

  const BITMAPINFOHEADER& Header() const {
    return *reinterpret_cast<const BITMAPINFOHEADER*>(info.data());
  }
  const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(info.data()); }
  const RGBQUAD* Colors() const {
    return reinterpret_cast<const RGBQUAD*>(info.data() + sizeof(BITMAPINFOHEADER));
  }
};

// Reads a BMP file from the stream's position, at most limit bytes of it,
// and leaves the position after the pixel data. Accepts the core header (12
// bytes), the information header (40) and its versions (52, 56, V4 108, V5
// 124: bit-field masks in the header, alpha ignored; colour spaces and
// profiles ignored), the OS/2 2.x header (64); 1, 4, 8, 16, 24 and 32 bits,
// BI_RGB, (16, 32 bits) BI_BITFIELDS, (8 and 4 bits, bottom-up) BI_RLE8 and
// BI_RLE4, rows bottom-up or top-down. Raises EInvalidGraphic "Unsupported
// bitmap header (N bytes)" for other header sizes, "Bitmap image is not
// valid" for anything else it cannot read, for truncated data and for sizes
// or offsets that do not fit; Exception (CheckPixelLimit) for a run-length
// encoded image above kDefaultMaxPixels, whose size the file does not bound;
// EOutOfMemory when the pixels cannot be held.
Dib ReadBmpFile(TStream& stream, int64_t limit);

// Converts rows of 32-bit blue-green-red-unused pixels (bottom-up, width * 4
// bytes each) into DIB rows of bits_per_pixel (1, 4, 8: the nearest entry of
// colors, first of equals; 16: 5-5-5, or 5-6-5 with rgb565; 24; 32).
std::vector<uint8_t> ConvertFromBgrx(const uint8_t* pixels, int width, int height,
                                     int bits_per_pixel, bool rgb565,
                                     const std::vector<RGBQUAD>& colors);

// Writes a BMP file: file header, 40-byte header (BI_BITFIELDS with the three
// masks for rgb565), colours (bits <= 8), then the rows as ConvertFromBgrx
// makes them.
void WriteBmpFile(TStream& stream, int width, int height, int bits_per_pixel, bool rgb565,
                  const std::vector<RGBQUAD>& colors, const std::vector<uint8_t>& rows);

}  // namespace graphics_internal
