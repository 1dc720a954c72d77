// Reading .ico files. Internal to platform/graphics; TIcon is the public face.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gdi/Gdi.h"

namespace graphics_internal {

// One image of an icon file, located inside the file's bytes.
struct IconImage {
  int width = 0;
  int height = 0;
  int bits = 0;           // 1, 4, 8, 24 or 32; 0 for a PNG-compressed image
  size_t offset = 0;      // of the image data (BITMAPINFOHEADER or PNG) in the file
  size_t size = 0;        // bytes of image data
  size_t colors = 0;      // colour-table entries (bits <= 8)
  size_t xor_offset = 0;  // of the colour rows (bottom-up) in the file
  size_t and_offset = 0;  // of the mask rows (bottom-up) in the file; 0 when absent
};

// Checks an icon file and locates its images: header (reserved 0, type 1,
// at least one entry), directory entries inside the file, and for each image
// a 40-byte header (BI_RGB, height twice the image height) with colour table,
// colour rows and mask rows inside the entry's bytes. Raises EInvalidGraphic
// "Icon image is not valid" otherwise.
std::vector<IconImage> ParseIcoFile(const uint8_t* data, size_t size);

// The size of the icon file that starts with these bytes, from its
// directory (header and entries only): the end of the furthest image.
// Raises EInvalidGraphic when the header or directory is bad.
size_t IcoFileSize(const uint8_t* head, size_t head_size);
constexpr size_t kIcoHeaderSize = 6;
constexpr size_t kIcoEntrySize = 16;

// The pixels of one (non-PNG) image as 0xAARRGGBB, rows top-down. Masked
// pixels are transparent (alpha 0); 32-bit images use their own alpha when
// any pixel has one.
std::vector<uint32_t> IconPixels(const uint8_t* data, const IconImage& image);

[[noreturn]] void InvalidIcon();

}  // namespace graphics_internal
