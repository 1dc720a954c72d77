#include "platform/graphics/IcoFormat.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/DibRows.h"
#include "platform/graphics/BmpFormat.h"
#include "platform/graphics/Graphic.h"

namespace graphics_internal {

namespace {

uint16_t Word(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Dword(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Count of directory entries, after checking the 6-byte header.
size_t EntryCount(const uint8_t* head, size_t size) {
  if (size < kIcoHeaderSize) InvalidIcon();
  if (Word(head) != 0 || Word(head + 2) != 1) InvalidIcon();
  const size_t count = Word(head + 4);
  if (count == 0) InvalidIcon();
  return count;
}

}  // namespace

void InvalidIcon() {
  throw EInvalidGraphic("Icon image is not valid");
}

size_t IcoFileSize(const uint8_t* head, size_t head_size) {
  const size_t count = EntryCount(head, head_size);
  const size_t directory = kIcoHeaderSize + count * kIcoEntrySize;
  if (head_size < directory) InvalidIcon();
  uint64_t end = directory;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* entry = head + kIcoHeaderSize + i * kIcoEntrySize;
    const uint64_t bytes = Dword(entry + 8), offset = Dword(entry + 12);
    if (offset < directory || bytes == 0) InvalidIcon();
    end = std::max(end, offset + bytes);
  }
  return static_cast<size_t>(end);
}

std::vector<IconImage> ParseIcoFile(const uint8_t* data, size_t size) {
  const size_t count = EntryCount(data, size);
  const size_t directory = kIcoHeaderSize + count * kIcoEntrySize;
  if (size < directory) InvalidIcon();
  std::vector<IconImage> images;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* entry = data + kIcoHeaderSize + i * kIcoEntrySize;
    IconImage image;
    image.size = Dword(entry + 8);
    image.offset = Dword(entry + 12);
    if (image.offset < directory || image.offset > size || image.size > size - image.offset)
      InvalidIcon();
    const uint8_t* p = data + image.offset;
    if (image.size >= sizeof kPngSignature && std::memcmp(p, kPngSignature, 8) == 0) {
      // Compressed images are kept in the file but not decoded.
      image.width = entry[0] == 0 ? 256 : entry[0];
      image.height = entry[1] == 0 ? 256 : entry[1];
      images.push_back(image);
      continue;
    }
    if (image.size < sizeof(BITMAPINFOHEADER)) InvalidIcon();
    BITMAPINFOHEADER header;
    std::memcpy(&header, p, sizeof header);
    if (header.biSize != sizeof(BITMAPINFOHEADER) || header.biPlanes != 1 ||
        header.biCompression != BI_RGB)
      InvalidIcon();
    const int bits = header.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) InvalidIcon();
    if (header.biWidth <= 0 || header.biWidth > 4096 || header.biHeight <= 0 ||
        header.biHeight > 8192 || header.biHeight % 2 != 0)
      InvalidIcon();
    image.width = header.biWidth;
    image.height = header.biHeight / 2;
    image.bits = bits;
    if (bits <= 8) {
      const size_t full = size_t{1} << bits;
      image.colors = header.biClrUsed == 0 ? full : header.biClrUsed;
      if (image.colors > full) InvalidIcon();
    }
    const uint64_t xor_bytes = DibRowBytes(image.width, bits) * image.height;
    const uint64_t and_bytes = DibRowBytes(image.width, 1) * image.height;
    const uint64_t table_end = sizeof(BITMAPINFOHEADER) + image.colors * sizeof(RGBQUAD);
    image.xor_offset = image.offset + static_cast<size_t>(table_end);
    if (table_end + xor_bytes + and_bytes <= image.size) {
      image.and_offset = image.xor_offset + static_cast<size_t>(xor_bytes);
    } else if (bits == 32 && table_end + xor_bytes <= image.size) {
      image.and_offset = 0;  // alpha only
    } else {
      InvalidIcon();
    }
    images.push_back(image);
  }
  return images;
}

std::vector<uint32_t> IconPixels(const uint8_t* data, const IconImage& image) {
  const size_t w = static_cast<size_t>(image.width), h = static_cast<size_t>(image.height);
  std::vector<uint32_t> argb(w * h);
  const RGBQUAD* colors =
      reinterpret_cast<const RGBQUAD*>(data + image.offset + sizeof(BITMAPINFOHEADER));
  const size_t stride = DibRowBytes(w, image.bits);
  const size_t mask_stride = DibRowBytes(w, 1);
  bool any_alpha = false;
  if (image.bits == 32) {
    for (size_t y = 0; y < h && !any_alpha; ++y)
      for (size_t x = 0; x < w; ++x)
        if (data[image.xor_offset + y * stride + x * 4 + 3] != 0) {
          any_alpha = true;
          break;
        }
  }
  for (size_t y = 0; y < h; ++y) {
    const uint8_t* row = data + image.xor_offset + (h - 1 - y) * stride;
    const uint8_t* mask =
        image.and_offset != 0 ? data + image.and_offset + (h - 1 - y) * mask_stride : nullptr;
    for (size_t x = 0; x < w; ++x) {
      uint32_t b = 0, g = 0, r = 0, a = 255;
      auto from_table = [&](size_t index) {
        if (index < image.colors) {
          b = colors[index].rgbBlue;
          g = colors[index].rgbGreen;
          r = colors[index].rgbRed;
        }
      };
      switch (image.bits) {
        case 1:
          from_table((row[x / 8] >> (7 - x % 8)) & 1);
          break;
        case 4:
          from_table(x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F);
          break;
        case 8:
          from_table(row[x]);
          break;
        case 24:
          b = row[x * 3];
          g = row[x * 3 + 1];
          r = row[x * 3 + 2];
          break;
        default:
          b = row[x * 4];
          g = row[x * 4 + 1];
          r = row[x * 4 + 2];
          if (any_alpha) a = row[x * 4 + 3];
          break;
      }
      if (mask != nullptr && !any_alpha && ((mask[x / 8] >> (7 - x % 8)) & 1)) a = 0;
      argb[y * w + x] = a << 24 | r << 16 | g << 8 | b;
    }
  }
  return argb;
}

}  // namespace graphics_internal
