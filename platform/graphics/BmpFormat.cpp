#include "platform/graphics/BmpFormat.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <new>
#include <unordered_map>

#include "platform/gdi/DibRows.h"
#include "platform/graphics/Graphic.h"
#include "platform/graphics/ImageLimits.h"

namespace graphics_internal {

namespace {

constexpr WORD kBmpSignature = 0x4D42;  // "BM"
constexpr size_t kFileHeaderSize = sizeof(BITMAPFILEHEADER);
constexpr size_t kInfoHeaderSize = sizeof(BITMAPINFOHEADER);
constexpr size_t kCoreHeaderSize = sizeof(BITMAPCOREHEADER);

// Reads exactly count bytes; a short stream is invalid data, not a stream
// failure, because the caller checked the limit against the stream size.
void ReadExact(TStream& stream, void* buffer, size_t count) {
  if (count == 0) return;
  if (count > static_cast<size_t>(std::numeric_limits<int32_t>::max())) InvalidBitmap();
  if (stream.Read(buffer, static_cast<int32_t>(count)) != static_cast<int32_t>(count))
    InvalidBitmap();
}

// One colour channel described by a bit mask.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;

  static Channel From(uint32_t mask) {
    Channel c;
    if (mask == 0) InvalidBitmap();
    c.mask = mask;
    c.shift = std::countr_zero(mask);
    const uint32_t value = mask >> c.shift;
    if ((value & (value + 1)) != 0) InvalidBitmap();  // bits must be contiguous
    c.max = value;
    return c;
  }
  uint8_t Get(uint32_t pixel) const {
    const uint64_t v = (pixel & mask) >> shift;
    return static_cast<uint8_t>((v * 255 + max / 2) / max);
  }
};

// What the information header says, whatever its form.
struct Header {
  size_t size = 0;  // bytes of the header in the file
  int64_t width = 0;
  int64_t height = 0;  // negative: rows top-down
  int bits = 0;
  uint32_t compression = BI_RGB;
  uint32_t colors_used = 0;
  uint32_t image_size = 0;       // compressed size (RLE)
  size_t table_entry_size = 4;   // RGBTRIPLE (3) after a core header
  bool masks_in_header = false;  // V2 to V5: the bit-field masks are header fields
  uint32_t masks[3] = {0, 0, 0};
};

// The header forms: the core header (12 bytes), the information header (40)
// and its versions with bit-field masks (52, 56), colour space (108, V4) and
// colour profile (124, V5), which start with the 40 bytes of the information
// header, and the OS/2 2.x header (64), which does too. A colour profile,
// embedded or linked, is ignored.
bool InfoHeaderFamily(size_t size) {
  return size == 40 || size == 52 || size == 56 || size == 64 || size == 108 || size == 124;
}

// OS/2 2.x headers give 3 and 4 other meanings (Huffman 1D, RLE24).
constexpr size_t kOs2HeaderSize = 64;

uint32_t Field32(const uint8_t* header, size_t offset) {
  uint32_t v;
  std::memcpy(&v, header + offset, 4);
  return v;
}

// Reads the information header that follows the file header; its first
// field, the size, decides the layout. Raises EInvalidGraphic "Unsupported
// bitmap header (N bytes)" for a size of no known form.
Header ReadInfoHeader(TStream& stream) {
  DWORD size = 0;
  ReadExact(stream, &size, sizeof size);
  Header h;
  h.size = size;
  if (size == kCoreHeaderSize) {
    BITMAPCOREHEADER core{};
    ReadExact(stream, reinterpret_cast<uint8_t*>(&core) + 4, kCoreHeaderSize - 4);
    if (core.bcPlanes != 1) InvalidBitmap();
    h.width = core.bcWidth;
    h.height = core.bcHeight;
    h.bits = core.bcBitCount;
    h.table_entry_size = 3;
    if (h.bits == 16 || h.bits == 32) InvalidBitmap();
    return h;
  }
  if (!InfoHeaderFamily(size))
    throw EInvalidGraphic(
        Format("Unsupported bitmap header (%u bytes)", static_cast<unsigned>(size)));
  uint8_t raw[124] = {};
  ReadExact(stream, raw + 4, size - 4);
  BITMAPINFOHEADER info{};
  std::memcpy(&info, raw, kInfoHeaderSize);
  if (info.biPlanes != 1) InvalidBitmap();
  h.width = info.biWidth;
  h.height = info.biHeight;
  h.bits = info.biBitCount;
  h.compression = info.biCompression;
  h.colors_used = info.biClrUsed;
  h.image_size = info.biSizeImage;
  if (size == kOs2HeaderSize) {
    if (h.compression != BI_RGB && h.compression != BI_RLE8 && h.compression != BI_RLE4)
      InvalidBitmap();
  } else if (size >= 52) {
    h.masks_in_header = true;
    for (int i = 0; i < 3; ++i) h.masks[i] = Field32(raw, 40 + 4 * i);
  }
  return h;
}

// Supported depths and compressions: 1 to 32 bits uncompressed, bit fields
// at 16 and 32 bits, run-length encoding at 8 and 4 bits (rows bottom-up).
void CheckFormat(const Header& h) {
  if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 16 && h.bits != 24 && h.bits != 32)
    InvalidBitmap();
  if (h.compression == BI_BITFIELDS) {
    if (h.bits != 16 && h.bits != 32) InvalidBitmap();
  } else if (h.compression == BI_RLE8 || h.compression == BI_RLE4) {
    if (h.bits != (h.compression == BI_RLE8 ? 8 : 4) || h.height < 0) InvalidBitmap();
  } else if (h.compression != BI_RGB) {
    InvalidBitmap();
  }
  if (h.width <= 0 || h.height == 0) InvalidBitmap();
}

// The colour masks of 16 and 32-bit pixels: the header's or those after a
// 40-byte header for bit fields, the standard 5-5-5 and 8-8-8 otherwise.
// table_offset receives where the colour table starts in between (the bytes
// from the header's end to the pixels).
void ColourMasks(const Header& h, const std::vector<uint8_t>& between, uint32_t (&masks)[3],
                 size_t& table_offset) {
  table_offset = 0;
  if (h.compression == BI_BITFIELDS) {
    if (h.masks_in_header) {
      std::memcpy(masks, h.masks, sizeof masks);
      return;
    }
    if (between.size() < sizeof masks) InvalidBitmap();
    std::memcpy(masks, between.data(), sizeof masks);
    table_offset = sizeof masks;
  } else if (h.bits == 32) {
    masks[0] = 0x00FF0000;
    masks[1] = 0x0000FF00;
    masks[2] = 0x000000FF;
  } else {
    masks[0] = 0x7C00;
    masks[1] = 0x03E0;
    masks[2] = 0x001F;
  }
}

// The number of colour-table entries the file holds (0 above 8 bits),
// checked against the bytes present.
uint64_t FileColours(const Header& h, const std::vector<uint8_t>& between, size_t table_offset) {
  if (h.bits > 8) return 0;
  const uint64_t table_size = uint64_t{1} << h.bits;
  uint64_t colours;
  if (h.size == kCoreHeaderSize) {
    colours = std::min<uint64_t>(table_size, (between.size() - table_offset) / 3);
  } else {
    colours = h.colors_used == 0 ? table_size : h.colors_used;
    if (colours > table_size) InvalidBitmap();
  }
  if (colours == 0) InvalidBitmap();
  if (table_offset + colours * h.table_entry_size > between.size()) InvalidBitmap();
  return colours;
}

// The output DIB's header and full colour table, with the file's colours.
std::vector<uint8_t> OutputInfo(uint64_t width, uint64_t height, int out_bits, const Header& h,
                                const std::vector<uint8_t>& between, size_t table_offset,
                                uint64_t file_colours) {
  const uint64_t table_size = out_bits <= 8 ? (uint64_t{1} << out_bits) : 0;
  std::vector<uint8_t> info(kInfoHeaderSize + table_size * sizeof(RGBQUAD), 0);
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
  header->biSize = kInfoHeaderSize;
  header->biWidth = static_cast<LONG>(width);
  header->biHeight = static_cast<LONG>(height);
  header->biPlanes = 1;
  header->biBitCount = static_cast<WORD>(out_bits);
  header->biCompression = BI_RGB;
  const uint64_t out_stride = DibRowBytes(width, out_bits);
  header->biSizeImage = static_cast<DWORD>(std::min<uint64_t>(out_stride * height, 0xFFFFFFFF));
  auto* colours = reinterpret_cast<RGBQUAD*>(info.data() + kInfoHeaderSize);
  for (uint64_t i = 0; i < file_colours; ++i) {
    const uint8_t* e = between.data() + table_offset + i * h.table_entry_size;
    colours[i] = RGBQUAD{e[0], e[1], e[2], 0};
  }
  return info;
}

std::vector<uint8_t> Allocate(uint64_t size) {
  if (size > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) OutOfMemoryError();
  try {
    return std::vector<uint8_t>(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    OutOfMemoryError();
  }
}

// Expands run-length encoded rows (RLE8 at 8 bits, RLE4 at 4 bits) into
// uncompressed bottom-up rows of stride bytes. Runs reaching past a row's
// end are cut there; data past the last row is ignored; pixels the data
// skips (delta, early end of line or bitmap) stay index 0.
void DecodeRle(const uint8_t* src, size_t size, int bits, uint64_t width, uint64_t height,
               uint64_t stride, uint8_t* dst) {
  uint64_t x = 0, y = 0;
  auto put = [&](uint8_t index) {
    if (x < width && y < height) {
      uint8_t* row = dst + y * stride;
      if (bits == 8)
        row[x] = index;
      else
        row[x / 2] |= static_cast<uint8_t>((index & 0x0F) << (x % 2 == 0 ? 4 : 0));
    }
    ++x;
  };
  size_t i = 0;
  while (i + 1 < size && y < height) {
    const uint8_t count = src[i], value = src[i + 1];
    i += 2;
    if (count > 0) {  // a run of count pixels
      for (unsigned k = 0; k < count && x < width; ++k)
        put(bits == 8 ? value : (k % 2 == 0 ? value >> 4 : value & 0x0F));
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // delta
      if (i + 1 >= size) break;
      x += src[i];
      y += src[i + 1];
      i += 2;
    } else {  // value pixels stored as they are, padded to 2 bytes
      const size_t bytes = bits == 8 ? value : (value + 1u) / 2;
      if (bytes > size - i) InvalidBitmap();
      for (unsigned k = 0; k < value; ++k) {
        const uint8_t byte = src[i + (bits == 8 ? k : k / 2)];
        put(bits == 8 ? byte : (k % 2 == 0 ? byte >> 4 : byte & 0x0F));
      }
      i += (bytes + 1) & ~size_t{1};
    }
  }
}

}  // namespace

namespace {

// Rows bottom-up in the format the device calls take: 16-bit pixels and bit
// fields become 24 or 32-bit colour through the masks, top-down rows are
// turned over. pixels holds the file's rows of stride bytes.
std::vector<uint8_t> ConvertRows(std::vector<uint8_t> pixels, const Header& h, uint64_t width,
                                 uint64_t height, bool top_down, uint64_t stride, int out_bits,
                                 const uint32_t (&masks)[3], bool& rgb565) {
  const bool convert = h.bits == 16 || h.compression == BI_BITFIELDS || h.bits == 32;
  if (!convert && !top_down) return pixels;
  const uint64_t out_stride = DibRowBytes(width, out_bits);
  std::vector<uint8_t> rows = Allocate(out_stride * height);
  Channel red, green, blue;
  if (convert) {
    red = Channel::From(masks[0]);
    green = Channel::From(masks[1]);
    blue = Channel::From(masks[2]);
    rgb565 = h.bits == 16 && masks[0] == 0xF800 && masks[1] == 0x07E0 && masks[2] == 0x001F;
  }
  for (uint64_t y = 0; y < height; ++y) {
    const uint8_t* src = pixels.data() + (top_down ? height - 1 - y : y) * stride;
    uint8_t* dst = rows.data() + y * out_stride;
    if (!convert) {
      std::memcpy(dst, src, static_cast<size_t>(stride));
      continue;
    }
    const int step = h.bits / 8;
    const int out_step = out_bits / 8;
    for (uint64_t x = 0; x < width; ++x, src += step, dst += out_step) {
      uint32_t pixel = 0;
      std::memcpy(&pixel, src, step);
      dst[0] = blue.Get(pixel);
      dst[1] = green.Get(pixel);
      dst[2] = red.Get(pixel);
      if (out_step == 4) dst[3] = 0;
    }
  }
  return rows;
}

}  // namespace

BmpStructure ReadBmpStructure(TStream& stream, int64_t limit) {
  if (limit < static_cast<int64_t>(kFileHeaderSize + kCoreHeaderSize)) InvalidBitmap();
  const uint64_t available = static_cast<uint64_t>(limit);

  BITMAPFILEHEADER file{};
  ReadExact(stream, &file, kFileHeaderSize);
  if (file.bfType != kBmpSignature) InvalidBitmap();
  const Header h = ReadInfoHeader(stream);
  CheckFormat(h);
  BmpStructure s;
  s.bits = h.bits;
  s.compression = h.compression;
  s.rle = h.compression == BI_RLE8 || h.compression == BI_RLE4;
  s.width = static_cast<uint64_t>(h.width);
  s.top_down = h.height < 0;
  s.height = static_cast<uint64_t>(s.top_down ? -h.height : h.height);

  // Everything between the header and the pixels: masks and colour table.
  s.pixels_offset = file.bfOffBits;
  const uint64_t after_header = kFileHeaderSize + h.size;
  if (s.pixels_offset < after_header || s.pixels_offset > available) InvalidBitmap();
  std::vector<uint8_t> between(static_cast<size_t>(s.pixels_offset - after_header));
  ReadExact(stream, between.data(), between.size());
  size_t table_offset = 0;
  ColourMasks(h, between, s.masks, table_offset);
  s.file_colours = FileColours(h, between, table_offset);

  s.stride = DibRowBytes(s.width, h.bits);
  if (s.rle) {
    // The compressed size must be given and present; the image may be larger.
    s.image_size = h.image_size;
    if (s.image_size == 0 || s.image_size > available - s.pixels_offset) InvalidBitmap();
    // A few bytes of runs can end a bitmap of any size, so the file does not
    // bound the image as it does for plain rows: the pixel limit must.
    CheckPixelLimit(h.width, h.height, kDefaultMaxPixels);
  } else {
    if (s.stride > available || s.height > available) InvalidBitmap();  // keeps the product small
    s.image_size = s.stride * s.height;
    if (s.image_size > available - s.pixels_offset) InvalidBitmap();
  }
  s.out_bits = h.bits == 16 ? 24 : h.bits;
  s.info = OutputInfo(s.width, s.height, s.out_bits, h, between, table_offset, s.file_colours);
  return s;
}

std::vector<uint8_t> DecodeRleRows(const BmpStructure& s, const std::vector<uint8_t>& runs) {
  std::vector<uint8_t> rows = Allocate(s.stride * s.height);
  DecodeRle(runs.data(), runs.size(), s.bits, s.width, s.height, s.stride, rows.data());
  return rows;
}

Dib ReadBmpFile(TStream& stream, int64_t limit) {
  const BmpStructure s = ReadBmpStructure(stream, limit);
  Dib dib;
  dib.file_bits = s.bits;
  dib.colors_used = static_cast<int>(s.file_colours);
  dib.info = s.info;
  std::vector<uint8_t> pixels = Allocate(s.image_size);
  ReadExact(stream, pixels.data(), pixels.size());
  if (s.rle) {
    dib.bits = DecodeRleRows(s, pixels);
  } else {
    Header h;
    h.bits = s.bits;
    h.compression = s.compression;
    dib.bits = ConvertRows(std::move(pixels), h, s.width, s.height, s.top_down, s.stride,
                           s.out_bits, s.masks, dib.rgb565);
  }
  return dib;
}

BgrRowConverter::BgrRowConverter(const BmpStructure& structure)
    : bits_(structure.bits), width_(structure.width) {
  if (bits_ <= 8) {
    const auto* table = reinterpret_cast<const RGBQUAD*>(structure.info.data() + kInfoHeaderSize);
    for (int i = 0; i < (1 << bits_); ++i)
      std::memcpy(colours_[i], &table[i], 3);  // blue, green, red
  } else if (bits_ != 24) {
    for (int c = 0; c < 3; ++c) {
      const Channel channel = Channel::From(structure.masks[2 - c]);
      channels_[c] = Mask{channel.mask, channel.shift, channel.max};
    }
  }
}

void BgrRowConverter::Convert(const uint8_t* src, uint8_t* dst) const {
  switch (bits_) {
    case 24:
      std::memcpy(dst, src, static_cast<size_t>(3 * width_));
      return;
    case 8:
      for (uint64_t x = 0; x < width_; ++x, dst += 3) std::memcpy(dst, colours_[src[x]], 3);
      return;
    case 4:
    case 1:
      for (uint64_t x = 0; x < width_; ++x, dst += 3) {
        const unsigned index = bits_ == 4 ? (src[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F
                                          : (src[x / 8] >> (7 - x % 8)) & 1;
        std::memcpy(dst, colours_[index], 3);
      }
      return;
    default: {
      const int step = bits_ / 8;
      for (uint64_t x = 0; x < width_; ++x, src += step, dst += 3) {
        uint32_t pixel = 0;
        std::memcpy(&pixel, src, static_cast<size_t>(step));
        for (int c = 0; c < 3; ++c) {
          const Mask& m = channels_[c];
          const uint64_t v = (pixel & m.mask) >> m.shift;
          dst[c] = static_cast<uint8_t>((v * 255 + m.max / 2) / m.max);
        }
      }
    }
  }
}

std::vector<uint8_t> ConvertFromBgrx(const uint8_t* pixels, int width, int height,
                                     int bits_per_pixel, bool rgb565,
                                     const std::vector<RGBQUAD>& colors) {
  const uint64_t stride = DibRowBytes(width, bits_per_pixel);
  std::vector<uint8_t> rows = Allocate(stride * static_cast<uint64_t>(height));
  std::unordered_map<uint32_t, uint8_t> nearest;
  auto index_of = [&](uint8_t b, uint8_t g, uint8_t r) -> uint8_t {
    const uint32_t key = b | (g << 8) | (r << 16);
    auto it = nearest.find(key);
    if (it != nearest.end()) return it->second;
    int best = 0;
    int64_t best_distance = std::numeric_limits<int64_t>::max();
    for (size_t i = 0; i < colors.size(); ++i) {
      const int db = colors[i].rgbBlue - b, dg = colors[i].rgbGreen - g, dr = colors[i].rgbRed - r;
      const int64_t d = int64_t{db} * db + int64_t{dg} * dg + int64_t{dr} * dr;
      if (d < best_distance) {
        best_distance = d;
        best = static_cast<int>(i);
      }
    }
    nearest.emplace(key, static_cast<uint8_t>(best));
    return static_cast<uint8_t>(best);
  };

  for (int y = 0; y < height; ++y) {
    const uint8_t* src = pixels + static_cast<size_t>(y) * width * 4;
    uint8_t* dst = rows.data() + y * stride;
    for (int x = 0; x < width; ++x, src += 4) {
      const uint8_t b = src[0], g = src[1], r = src[2];
      switch (bits_per_pixel) {
        case 1:
          if (index_of(b, g, r)) dst[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
          break;
        case 4:
          dst[x / 2] |= static_cast<uint8_t>(index_of(b, g, r) << (x % 2 == 0 ? 4 : 0));
          break;
        case 8:
          dst[x] = index_of(b, g, r);
          break;
        case 16: {
          uint16_t v;
          if (rgb565)
            v = static_cast<uint16_t>(((r * 31 + 127) / 255) << 11 | ((g * 63 + 127) / 255) << 5 |
                                      ((b * 31 + 127) / 255));
          else
            v = static_cast<uint16_t>(((r * 31 + 127) / 255) << 10 | ((g * 31 + 127) / 255) << 5 |
                                      ((b * 31 + 127) / 255));
          dst[x * 2] = static_cast<uint8_t>(v);
          dst[x * 2 + 1] = static_cast<uint8_t>(v >> 8);
          break;
        }
        case 24:
          dst[x * 3] = b;
          dst[x * 3 + 1] = g;
          dst[x * 3 + 2] = r;
          break;
        default:
          dst[x * 4] = b;
          dst[x * 4 + 1] = g;
          dst[x * 4 + 2] = r;
          dst[x * 4 + 3] = 0;
          break;
      }
    }
  }
  return rows;
}

void WriteBmpFile(TStream& stream, int width, int height, int bits_per_pixel, bool rgb565,
                  const std::vector<RGBQUAD>& colors, const std::vector<uint8_t>& rows) {
  const bool bitfields = bits_per_pixel == 16 && rgb565;
  const uint32_t masks[3] = {0xF800, 0x07E0, 0x001F};
  const size_t table_bytes =
      (bits_per_pixel <= 8 ? colors.size() * sizeof(RGBQUAD) : 0) + (bitfields ? sizeof masks : 0);
  const uint64_t offset = kFileHeaderSize + kInfoHeaderSize + table_bytes;
  const uint64_t total = offset + rows.size();
  if (total > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) OutOfMemoryError();

  std::vector<uint8_t> head(static_cast<size_t>(offset));
  BITMAPFILEHEADER file{};
  file.bfType = kBmpSignature;
  file.bfSize = static_cast<DWORD>(total);
  file.bfOffBits = static_cast<DWORD>(offset);
  std::memcpy(head.data(), &file, kFileHeaderSize);
  BITMAPINFOHEADER info{};
  info.biSize = kInfoHeaderSize;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = static_cast<WORD>(bits_per_pixel);
  info.biCompression = bitfields ? BI_BITFIELDS : BI_RGB;
  info.biSizeImage = static_cast<DWORD>(rows.size());
  info.biClrUsed = bits_per_pixel <= 8 ? static_cast<DWORD>(colors.size()) : 0;
  std::memcpy(head.data() + kFileHeaderSize, &info, kInfoHeaderSize);
  uint8_t* table = head.data() + kFileHeaderSize + kInfoHeaderSize;
  if (bitfields) std::memcpy(table, masks, sizeof masks);
  if (bits_per_pixel <= 8 && !colors.empty())
    std::memcpy(table, colors.data(), colors.size() * sizeof(RGBQUAD));

  stream.WriteBuffer(head.data(), static_cast<int32_t>(head.size()));
  if (!rows.empty()) stream.WriteBuffer(rows.data(), static_cast<int32_t>(rows.size()));
}

}  // namespace graphics_internal
