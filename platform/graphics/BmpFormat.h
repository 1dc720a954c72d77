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

// What a BMP file's headers say about its pixels, checked against the
// file's size: ReadBmpStructure reads everything in front of the pixels.
struct BmpStructure {
  uint64_t width = 0, height = 0;
  bool top_down = false;
  int bits = 0;                   // in the file: 1, 4, 8, 16, 24 or 32
  uint32_t compression = BI_RGB;  // BI_RGB, BI_BITFIELDS, BI_RLE8 or BI_RLE4
  bool rle = false;
  uint32_t masks[3] = {0, 0, 0};  // red, green, blue at 16 and 32 bits
  uint64_t file_colours = 0;      // colour-table entries the file holds
  uint64_t pixels_offset = 0;     // of the pixel data, from the file's start
  uint64_t stride = 0;            // bytes of one uncompressed file row
  uint64_t image_size = 0;        // bytes of pixel data in the file
  int out_bits = 0;               // of the DIB ReadBmpFile makes (16 becomes 24)
  std::vector<uint8_t> info;      // that DIB's header and full colour table
};

// Reads the file header, the information header, the masks and the colour
// table from the stream's position (at most limit bytes of file), leaving
// the position there; raises as ReadBmpFile.
BmpStructure ReadBmpStructure(TStream& stream, int64_t limit);

// The uncompressed bottom-up rows (stride bytes each) of run-length encoded
// pixel data.
std::vector<uint8_t> DecodeRleRows(const BmpStructure& structure, const std::vector<uint8_t>& runs);

// Turns rows of a file's (or, for run-length encoded files, the decoded)
// pixels into 24-bit blue-green-red pixels: through the colour table below
// 16 bits, through the colour masks at 16 and 32 bits. The colours are those
// a true-colour device bitmap made from the file holds.
class BgrRowConverter {
 public:
  explicit BgrRowConverter(const BmpStructure& structure);
  // width pixels of src into 3 x width bytes of dst.
  void Convert(const uint8_t* src, uint8_t* dst) const;

 private:
  int bits_;
  uint64_t width_;
  uint8_t colours_[256][3] = {};
  struct Mask {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 1;
  } channels_[3];  // blue, green, red
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
