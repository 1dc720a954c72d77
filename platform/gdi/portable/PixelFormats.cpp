// Pixel row conversion between the stored formats and 0x00RRGGBB pixels.
#include "platform/gdi/portable/PixelFormats.h"

#include <atomic>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#endif

#include "platform/gdi/portable/GdiObjects.h"

namespace gdiport {

IndexMapper::IndexMapper(std::vector<uint32_t> table) : table_(std::move(table)) {
  keys_.fill(0xFFFFFFFF);
  values_.fill(0);
}

uint8_t IndexMapper::Search(uint32_t pixel) const {
  const int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
  int best = 0;
  int best_distance = 1 << 30;
  for (size_t i = 0; i < table_.size(); ++i) {
    const uint32_t c = table_[i];
    const int dr = r - int((c >> 16) & 0xFF);
    const int dg = g - int((c >> 8) & 0xFF);
    const int db = b - int(c & 0xFF);
    const int d = dr * dr + dg * dg + db * db;
    if (d < best_distance) {
      best_distance = d;
      best = static_cast<int>(i);
      if (d == 0) break;
    }
  }
  return static_cast<uint8_t>(best);
}

uint8_t IndexMapper::Map(uint32_t pixel) {
  pixel &= 0xFFFFFF;
  const size_t slot = ((pixel * 2654435761u) >> 20) & (kCacheSize - 1);
  if (keys_[slot] != pixel) {
    keys_[slot] = pixel;
    values_[slot] = Search(pixel);
  }
  return values_[slot];
}

namespace {

inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void Store32(uint8_t* p, uint32_t v) {
  std::memcpy(p, &v, 4);
}

inline uint32_t From555(uint32_t v) {
  const uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
  return PixelOf(static_cast<BYTE>((r << 3) | (r >> 2)), static_cast<BYTE>((g << 3) | (g >> 2)),
                 static_cast<BYTE>((b << 3) | (b >> 2)));
}
inline uint32_t To555(uint32_t p) {
  return (((p >> 19) & 31) << 10) | (((p >> 11) & 31) << 5) | ((p >> 3) & 31);
}

}  // namespace

#if defined(__x86_64__) || defined(__i386__)
// Four pixels per step with byte shuffles.
__attribute__((target("ssse3"))) static int Convert24To32Ssse3(const uint8_t* src, uint8_t* dst,
                                                               int count) {
  const __m128i shuffle = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  int x = 0;
  // A 16-byte load at pixel x must stay inside the 3 * count source bytes.
  for (; 3 * int64_t(x) + 16 <= 3 * int64_t(count); x += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 3 * x));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * x), _mm_shuffle_epi8(v, shuffle));
  }
  return x;
}

__attribute__((target("ssse3"))) static int Convert32To24Ssse3(const uint8_t* src, uint8_t* dst,
                                                               int count) {
  const __m128i shuffle = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  int x = 0;
  for (; x + 4 <= count; x += 4) {
    const __m128i v =
        _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * x)), shuffle);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + 3 * x), v);
    const uint32_t tail = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(v, 8)));
    std::memcpy(dst + 3 * x + 8, &tail, 4);
  }
  return x;
}

static bool HasSsse3() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}
#endif

namespace {
std::atomic<bool> scalar_rows{false};

// Whether the 24/32-bit converters may use the processor's vector code.
bool VectorRows() {
#if defined(__x86_64__) || defined(__i386__)
  return !scalar_rows.load(std::memory_order_relaxed) && HasSsse3();
#else
  return false;
#endif
}
}  // namespace

void UseScalarRowConversion(bool scalar) {
  scalar_rows.store(scalar, std::memory_order_relaxed);
}

void Convert24To32(const uint8_t* src, uint8_t* dst, int count) {
  int x = 0;
#if defined(__x86_64__) || defined(__i386__)
  if (VectorRows()) {
    x = Convert24To32Ssse3(src, dst, count);
    src += 3 * x;
    dst += 4 * x;
  }
#endif
  // Four pixels from three 32-bit words.
  for (; x + 4 <= count; x += 4, src += 12, dst += 16) {
    const uint32_t w0 = Load32(src), w1 = Load32(src + 4), w2 = Load32(src + 8);
    Store32(dst, w0 & 0xFFFFFF);
    Store32(dst + 4, ((w0 >> 24) | (w1 << 8)) & 0xFFFFFF);
    Store32(dst + 8, ((w1 >> 16) | (w2 << 16)) & 0xFFFFFF);
    Store32(dst + 12, w2 >> 8);
  }
  for (; x < count; ++x, src += 3, dst += 4) {
    dst[0] = src[0];
    dst[1] = src[1];
    dst[2] = src[2];
    dst[3] = 0;
  }
}

void Convert32To24(const uint8_t* src, uint8_t* dst, int count) {
  int x = 0;
#if defined(__x86_64__) || defined(__i386__)
  if (VectorRows()) {
    x = Convert32To24Ssse3(src, dst, count);
    src += 4 * x;
    dst += 3 * x;
  }
#endif
  for (; x + 4 <= count; x += 4, src += 16, dst += 12) {
    const uint32_t p0 = Load32(src) & 0xFFFFFF, p1 = Load32(src + 4) & 0xFFFFFF;
    const uint32_t p2 = Load32(src + 8) & 0xFFFFFF, p3 = Load32(src + 12) & 0xFFFFFF;
    Store32(dst, p0 | (p1 << 24));
    Store32(dst + 4, (p1 >> 8) | (p2 << 16));
    Store32(dst + 8, (p2 >> 16) | (p3 << 8));
  }
  for (; x < count; ++x, src += 4, dst += 3) {
    dst[0] = src[0];
    dst[1] = src[1];
    dst[2] = src[2];
  }
}

uint32_t GetRaw(const uint8_t* row, int bpp, int x) {
  switch (bpp) {
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
      return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
    case 8:
      return row[x];
    case 16:
      return uint32_t(row[2 * x]) | (uint32_t(row[2 * x + 1]) << 8);
    case 24: {
      const uint8_t* p = row + 3 * x;
      return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
    }
    default:
      return Load32(row + 4 * x) & 0xFFFFFF;
  }
}

void SetRaw(uint8_t* row, int bpp, int x, uint32_t raw) {
  switch (bpp) {
    case 1: {
      const uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
      row[x >> 3] = static_cast<uint8_t>(raw & 1 ? row[x >> 3] | mask : row[x >> 3] & ~mask);
      break;
    }
    case 4: {
      uint8_t& b = row[x >> 1];
      b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (raw & 15))
                  : static_cast<uint8_t>((b & 0x0F) | ((raw & 15) << 4));
      break;
    }
    case 8:
      row[x] = static_cast<uint8_t>(raw);
      break;
    case 16:
      row[2 * x] = static_cast<uint8_t>(raw);
      row[2 * x + 1] = static_cast<uint8_t>(raw >> 8);
      break;
    case 24:
      row[3 * x] = static_cast<uint8_t>(raw);
      row[3 * x + 1] = static_cast<uint8_t>(raw >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(raw >> 16);
      break;
    default:
      Store32(row + 4 * x, raw & 0xFFFFFF);
      break;
  }
}

uint32_t RawValue(uint32_t pixel, int bpp, IndexMapper* mapper) {
  pixel &= 0xFFFFFF;
  switch (bpp) {
    case 1:
    case 4:
    case 8:
      return mapper ? mapper->Map(pixel) : 0;
    case 16:
      return To555(pixel);
    default:
      return pixel;
  }
}

void ApplyRaw(uint8_t* row, int bpp, int x0, int count, uint32_t raw, RawOp op) {
  const uint32_t all = bpp >= 24 ? 0xFFFFFF : (1u << bpp) - 1;
  if (op == RawOp::Copy && bpp == 32) {
    for (int x = 0; x < count; ++x) Store32(row + 4 * (x0 + x), raw);
    return;
  }
  for (int x = x0; x < x0 + count; ++x) {
    uint32_t v = raw;
    if (op == RawOp::Xor) v = GetRaw(row, bpp, x) ^ raw;
    if (op == RawOp::Invert) v = GetRaw(row, bpp, x) ^ all;
    SetRaw(row, bpp, x, v & all);
  }
}

void UnpackRow(const uint8_t* row, int bpp, int x0, int count, const uint32_t* table,
               uint32_t* out) {
  switch (bpp) {
    case 32:
      for (int x = 0; x < count; ++x) out[x] = Load32(row + 4 * (x0 + x)) & 0xFFFFFF;
      break;
    case 24:
      Convert24To32(row + 3 * x0, reinterpret_cast<uint8_t*>(out), count);
      break;
    case 16:
      for (int x = 0; x < count; ++x) {
        const uint8_t* p = row + 2 * (x0 + x);
        out[x] = From555(uint32_t(p[0]) | (uint32_t(p[1]) << 8));
      }
      break;
    case 8:
      for (int x = 0; x < count; ++x) out[x] = table[row[x0 + x]];
      break;
    default:
      for (int x = 0; x < count; ++x) out[x] = table[GetRaw(row, bpp, x0 + x)];
      break;
  }
}

void PackRow(const uint32_t* in, int count, int bpp, uint8_t* row, int x0, IndexMapper* mapper) {
  switch (bpp) {
    case 32:
      for (int x = 0; x < count; ++x) Store32(row + 4 * (x0 + x), in[x] & 0xFFFFFF);
      break;
    case 24:
      Convert32To24(reinterpret_cast<const uint8_t*>(in), row + 3 * x0, count);
      break;
    case 16:
      for (int x = 0; x < count; ++x) {
        const uint32_t v = To555(in[x]);
        row[2 * (x0 + x)] = static_cast<uint8_t>(v);
        row[2 * (x0 + x) + 1] = static_cast<uint8_t>(v >> 8);
      }
      break;
    case 8:
      for (int x = 0; x < count; ++x) row[x0 + x] = mapper->Map(in[x]);
      break;
    default:
      for (int x = 0; x < count; ++x) SetRaw(row, bpp, x0 + x, mapper->Map(in[x]));
      break;
  }
}

bool ParseDibHeader(const BITMAPINFOHEADER* h, DibFormat& out) {
  if (!h || h->biSize < sizeof(BITMAPINFOHEADER) || h->biWidth <= 0 || h->biHeight == 0 ||
      h->biHeight == INT32_MIN || h->biPlanes != 1 || h->biCompression != BI_RGB) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  switch (h->biBitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return false;
  }
  out.width = h->biWidth;
  out.height = h->biHeight < 0 ? -h->biHeight : h->biHeight;
  out.top_down = h->biHeight < 0;
  out.bpp = h->biBitCount;
  out.stride = DibRowBytes(out.width, out.bpp);
  out.image_bytes = out.stride * out.height;
  if (out.image_bytes > kMaxBitmapBytes) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  return true;
}

bool ReadDibColours(const BITMAPINFO* info, UINT usage, DibFormat& format) {
  format.colours.clear();
  if (format.bpp > 8) return true;
  if (usage != DIB_RGB_COLORS) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  const size_t full = size_t(1) << format.bpp;
  size_t used = info->bmiHeader.biClrUsed;
  if (used == 0 || used > full) used = full;
  format.colours.assign(full, 0);
  const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const uint8_t*>(info) +
                                                          info->bmiHeader.biSize);
  for (size_t i = 0; i < used; ++i) {
    format.colours[i] = PixelOf(table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue);
  }
  return true;
}

}  // namespace gdiport
