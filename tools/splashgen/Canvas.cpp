#include "tools/splashgen/Canvas.h"

#include <algorithm>
#include <cmath>

#include "tools/splashgen/Font5x7.h"

namespace splashgen {

Rgb Mix(Rgb a, Rgb b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgb Scale(Rgb a, float s) {
  return {a.r * s, a.g * s, a.b * s};
}
Rgb Add(Rgb a, Rgb b) {
  return {a.r + b.r, a.g + b.g, a.b + b.b};
}

Canvas::Canvas(int width, int height)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height) {}

TextMask RenderText(const std::string& text, int scale) {
  TextMask m;
  const int advance = 6 * scale;
  m.width = static_cast<int>(text.size()) * advance - scale;
  m.height = 7 * scale;
  if (m.width <= 0) return m;
  m.cover.assign(static_cast<size_t>(m.width) * m.height, 0.0f);
  for (size_t i = 0; i < text.size(); ++i) {
    const uint8_t* rows = Glyph(text[i]);
    if (rows == nullptr) continue;
    for (int gy = 0; gy < 7; ++gy)
      for (int gx = 0; gx < 5; ++gx) {
        if (!(rows[gy] & (0x10 >> gx))) continue;
        for (int y = 0; y < scale; ++y)
          for (int x = 0; x < scale; ++x)
            m.cover[static_cast<size_t>(gy * scale + y) * m.width + i * advance + gx * scale + x] =
                1.0f;
      }
  }
  return m;
}

namespace {
// One box-blur pass along rows (horizontal) or columns, growing the mask by r.
TextMask BoxPass(const TextMask& in, int r, bool horizontal) {
  TextMask out;
  out.width = in.width + (horizontal ? 2 * r : 0);
  out.height = in.height + (horizontal ? 0 : 2 * r);
  out.cover.assign(static_cast<size_t>(out.width) * out.height, 0.0f);
  const float norm = 1.0f / static_cast<float>(2 * r + 1);
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x) {
      float sum = 0;
      for (int k = -r; k <= r; ++k) sum += horizontal ? in.At(x - r + k, y) : in.At(x, y - r + k);
      out.cover[static_cast<size_t>(y) * out.width + x] = sum * norm;
    }
  return out;
}
}  // namespace

TextMask Blur(const TextMask& mask, int radius) {
  TextMask m = mask;
  for (int pass = 0; pass < 2; ++pass) {
    m = BoxPass(m, radius, true);
    m = BoxPass(m, radius, false);
  }
  return m;
}

float Random::Next() {
  state_ = state_ * 1664525u + 1013904223u;
  return static_cast<float>(state_ >> 8) / static_cast<float>(1u << 24);
}

namespace {
float Hash(int i, uint32_t seed) {
  uint32_t h = static_cast<uint32_t>(i) * 374761393u + seed * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return static_cast<float>(h & 0xFFFFFF) / static_cast<float>(0xFFFFFF);
}
}  // namespace

float Noise1(float x, uint32_t seed) {
  const int i = static_cast<int>(std::floor(x));
  const float f = x - static_cast<float>(i);
  const float t = f * f * (3 - 2 * f);
  return Hash(i, seed) + (Hash(i + 1, seed) - Hash(i, seed)) * t;
}

}  // namespace splashgen
