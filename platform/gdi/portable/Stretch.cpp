// Scaled copies. Every mode goes through one separable resampler with 12-bit
// fixed-point weights: HALFTONE weighs each source pixel by the area of it
// that maps onto the destination pixel (a box filter, exact for 1:1 and for
// power-of-two reductions), the other modes give the nearest source pixel
// (whose centre is closest to the destination pixel's centre) weight 1.
#include "platform/gdi/portable/Stretch.h"

#include <algorithm>
#include <cstring>

namespace gdiport {

BitmapSource::BitmapSource(const Dc& dc, const Bitmap& bitmap, bool copy)
    : pixels_(bitmap.pixels.get()), stride_(bitmap.stride), bpp_(bitmap.bpp) {
  width = bitmap.width;
  height = bitmap.height;
  if (copy) {
    copy_.assign(pixels_, pixels_ + stride_ * height);
    pixels_ = copy_.data();
  }
  if (bpp_ <= 8) colours_ = IndexColours(dc, bpp_);
}

const uint32_t* BitmapSource::Row(int y, int x0, int count, uint32_t* scratch) {
  const uint8_t* row = pixels_ + stride_ * y;
  if (bpp_ == 32) return reinterpret_cast<const uint32_t*>(row) + x0;
  UnpackRow(row, bpp_, x0, count, colours_.data(), scratch);
  return scratch;
}

const uint8_t* BitmapSource::RawRow(int y) const {
  return pixels_ + stride_ * y;
}

DibSource::DibSource(const DibFormat& format, const uint8_t* bits) : format_(format), bits_(bits) {
  width = format.width;
  height = format.height;
}

const uint8_t* DibSource::RawRow(int y) const {
  return bits_ + format_.stride * format_.MemoryRow(y);
}

const uint32_t* DibSource::Row(int y, int x0, int count, uint32_t* scratch) {
  const uint8_t* row = RawRow(y);
  if (format_.bpp == 32) {
    const uint8_t* p = row + 4 * int64_t(x0);
    if (reinterpret_cast<uintptr_t>(p) % alignof(uint32_t) == 0) {
      return reinterpret_cast<const uint32_t*>(p);
    }
    std::memcpy(scratch, p, 4 * size_t(count));
    return scratch;
  }
  UnpackRow(row, format_.bpp, x0, count, format_.colours.data(), scratch);
  return scratch;
}

namespace {

constexpr int kWeightBits = 12;
constexpr uint32_t kOne = 1u << kWeightBits;

// Source contributions for destination indices [u0, u1) of an axis that maps
// src_len source pixels onto dst_len destination pixels.
struct AxisWeights {
  std::vector<int> first;         // first source index (relative to the rect)
  std::vector<int> count;         // number of source indices
  std::vector<int> offset;        // into weights
  std::vector<uint32_t> weights;  // sum to kOne per destination index
  int lowest = 0;                 // the smallest source index used
  int highest = 0;                // one past the largest
};

AxisWeights BuildWeights(int64_t src_len, int64_t dst_len, int u0, int u1, bool box) {
  AxisWeights a;
  const size_t n = static_cast<size_t>(u1 - u0);
  a.first.resize(n);
  a.count.resize(n);
  a.offset.resize(n);
  a.lowest = INT32_MAX;
  a.highest = 0;
  for (int u = u0; u < u1; ++u) {
    const size_t k = static_cast<size_t>(u - u0);
    a.offset[k] = static_cast<int>(a.weights.size());
    if (!box) {
      // 128-bit: the product can pass 2^63 for extreme sizes.
      const int j = static_cast<int>((2 * __int128(u) + 1) * src_len / (2 * __int128(dst_len)));
      a.first[k] = j;
      a.count[k] = 1;
      a.weights.push_back(kOne);
    } else {
      // In units where a source pixel is dst_len long and a destination
      // pixel src_len long.
      const int64_t lo = u * src_len, hi = lo + src_len;
      const int j0 = static_cast<int>(lo / dst_len);
      const int j1 = static_cast<int>((hi - 1) / dst_len);
      const size_t start = a.weights.size();
      uint32_t sum = 0;
      for (int j = j0; j <= j1; ++j) {
        const int64_t overlap = std::min(hi, (j + 1) * dst_len) - std::max(lo, j * dst_len);
        const uint32_t w = static_cast<uint32_t>((overlap * kOne + src_len / 2) / src_len);
        a.weights.push_back(w);
        sum += w;
      }
      const size_t largest = static_cast<size_t>(
          std::max_element(a.weights.begin() + start, a.weights.end()) - a.weights.begin());
      a.weights[largest] += kOne - sum;  // exact total despite rounding
      a.first[k] = j0;
      a.count[k] = j1 - j0 + 1;
    }
    a.lowest = std::min(a.lowest, a.first[k]);
    a.highest = std::max(a.highest, a.first[k] + a.count[k]);
  }
  return a;
}

// acc[i] (+)= bytes[i] * w for n values.
#if defined(__GNUC__) && !defined(__clang__)
__attribute__((optimize("O3")))
#endif
void Accumulate(uint32_t* __restrict acc, const uint8_t* __restrict bytes,
                size_t n, uint32_t w, bool first) {
  if (first) {
    for (size_t i = 0; i < n; ++i) acc[i] = bytes[i] * w;
  } else {
    for (size_t i = 0; i < n; ++i) acc[i] += bytes[i] * w;
  }
}

// out[i] = weighted sum of acc pixels (each scaled by kOne) / kOne^2.
void Horizontal(const uint32_t* acc, int base, const AxisWeights& xw, uint32_t* out) {
  const size_t n = xw.first.size();
  constexpr uint32_t kHalf = 1u << (2 * kWeightBits - 1);
  for (size_t i = 0; i < n; ++i) {
    const uint32_t* a = acc + 4 * size_t(xw.first[i] - base);
    const uint32_t* w = xw.weights.data() + xw.offset[i];
    uint32_t s0 = kHalf, s1 = kHalf, s2 = kHalf;
    for (int k = 0; k < xw.count[i]; ++k, a += 4) {
      s0 += a[0] * w[k];
      s1 += a[1] * w[k];
      s2 += a[2] * w[k];
    }
    out[i] = (s0 >> 24) | ((s1 >> 24) << 8) | ((s2 >> 24) << 16);
  }
}

void WriteSpan(Bitmap& target, int y, int x0, const uint32_t* pixels, int count,
               IndexMapper* mapper, DWORD rop) {
  uint8_t* row = target.Row(y);
  if (rop == SRCCOPY) {
    PackRow(pixels, count, target.bpp, row, x0, mapper);
    return;
  }
  const uint32_t all = target.bpp >= 24 ? 0xFFFFFF : (1u << target.bpp) - 1;
  for (int i = 0; i < count; ++i) {
    const uint32_t s = RawValue(pixels[i], target.bpp, mapper);
    const uint32_t d = GetRaw(row, target.bpp, x0 + i);
    uint32_t v = s;
    switch (rop) {
      case NOTSRCCOPY:
        v = ~s;
        break;
      case SRCPAINT:
        v = s | d;
        break;
      case SRCAND:
        v = s & d;
        break;
      case SRCINVERT:
        v = s ^ d;
        break;
      default:
        break;
    }
    SetRaw(row, target.bpp, x0 + i, v & all);
  }
}

bool SameColours(const PixelSource& source, const Bitmap& target,
                 const std::vector<uint32_t>& target_colours) {
  if (source.Bpp() != target.bpp) return false;
  return target.bpp > 8 || source.Colours() == target_colours;
}

}  // namespace

void DrawScaled(const Dc& dc, Bitmap& target, PixelSource& source, int sx, int sy, int sw, int sh,
                int dx, int dy, int dw, int dh, int mode, DWORD rop) {
  const bool flip_x = dw < 0, flip_y = dh < 0;
  const int64_t aw = flip_x ? -int64_t(dw) : dw;
  const int64_t ah = flip_y ? -int64_t(dh) : dh;
  // A mirrored rectangle covers x, x - 1, ..., x + width + 1, as on Windows.
  const int64_t left = flip_x ? int64_t(dx) + dw + 1 : dx;
  const int64_t top = flip_y ? int64_t(dy) + dh + 1 : dy;
  // Visible device columns and rows.
  const int c0 = static_cast<int>(std::max<int64_t>(left, 0));
  const int c1 = static_cast<int>(std::min<int64_t>(left + aw, target.width));
  const int r0 = static_cast<int>(std::max<int64_t>(top, 0));
  const int r1 = static_cast<int>(std::min<int64_t>(top + ah, target.height));
  if (c0 >= c1 || r0 >= r1 || sw <= 0 || sh <= 0) return;

  std::unique_ptr<IndexMapper> mapper;
  std::vector<uint32_t> target_colours;
  if (target.bpp <= 8) {
    target_colours = IndexColours(dc, target.bpp);
    mapper = std::make_unique<IndexMapper>(target_colours);
  }

  // 1:1 copies of the same format and colours move stored values.
  if (aw == sw && ah == sh && !flip_x && !flip_y && rop == SRCCOPY &&
      SameColours(source, target, target_colours)) {
    const int bpp = target.bpp;
    for (int r = r0; r < r1; ++r) {
      const uint8_t* s = source.RawRow(sy + static_cast<int>(r - top));
      uint8_t* d = target.Row(r);
      const int s0 = sx + static_cast<int>(c0 - left);
      if (bpp >= 8) {
        const int bytes = bpp / 8;
        std::memcpy(d + int64_t(c0) * bytes, s + int64_t(s0) * bytes, size_t(c1 - c0) * bytes);
      } else {
        for (int c = c0; c < c1; ++c) SetRaw(d, bpp, c, GetRaw(s, bpp, s0 + c - c0));
      }
    }
    return;
  }

  // Destination indices along each axis, before mirroring.
  const int u0 = static_cast<int>(flip_x ? left + aw - c1 : c0 - left);
  const int u1 = u0 + (c1 - c0);
  const bool box = mode == HALFTONE;
  const AxisWeights xw = BuildWeights(sw, aw, u0, u1, box);
  const int cols = xw.highest - xw.lowest;
  std::vector<uint32_t> acc(4 * static_cast<size_t>(cols));
  std::vector<uint32_t> scratch(static_cast<size_t>(cols));
  std::vector<uint32_t> out(static_cast<size_t>(c1 - c0));
  for (int r = r0; r < r1; ++r) {
    const int v = static_cast<int>(flip_y ? top + ah - 1 - r : r - top);
    const AxisWeights yw = BuildWeights(sh, ah, v, v + 1, box);
    for (int k = 0; k < yw.count[0]; ++k) {
      const uint32_t* row = source.Row(sy + yw.first[0] + k, sx + xw.lowest, cols, scratch.data());
      Accumulate(acc.data(), reinterpret_cast<const uint8_t*>(row), 4 * size_t(cols), yw.weights[k],
                 k == 0);
    }
    Horizontal(acc.data(), xw.lowest, xw, out.data());
    if (flip_x) std::reverse(out.begin(), out.end());
    WriteSpan(target, r, c0, out.data(), c1 - c0, mapper.get(), rop);
  }
}

}  // namespace gdiport
