#include "tools/splashgen/Scenes.h"

#include <algorithm>
#include <cmath>

namespace splashgen {
namespace {

constexpr float kPi = 3.14159265f;

Rgb SkyAt(float y, float height) {
  const Rgb zenith{6, 8, 28}, horizon{26, 44, 82};
  return Mix(zenith, horizon, std::pow(std::clamp(y / height, 0.0f, 1.0f), 1.6f));
}

// The aurora's light at (x, y): curtains hanging from a wavy lower edge,
// green at the edge turning violet higher up, with vertical rays.
Rgb AuroraAt(float x, float y, float scale) {
  const float sx = x / scale;
  const float edge = (205 + 45 * std::sin(sx * 0.009f + 0.9f) + 20 * std::sin(sx * 0.027f + 2.0f) +
                      7 * std::sin(sx * 0.071f)) *
                     scale;
  const float d = edge - y;  // height above the lower edge
  float intensity;
  if (d < 0)
    intensity = std::exp(d / (9.0f * scale));  // sharp lower edge
  else
    intensity = 0.35f + 0.65f * std::exp(-d / (45.0f * scale)),
    intensity *= std::exp(-d / (150.0f * scale));  // long fade upwards
  const float rays = 0.55f + 0.45f * Noise1(sx * 0.12f, 7) * (0.6f + 0.4f * Noise1(sx * 0.5f, 3));
  const float band = 0.45f + 0.55f * Noise1(sx * 0.008f + 3.0f, 11);
  intensity *= rays * band;
  const Rgb green{70, 255, 150}, violet{150, 70, 210};
  const float t = std::clamp(d / (110.0f * scale), 0.0f, 1.0f);
  return Scale(Mix(green, violet, t), intensity * 1.15f);
}

// Height of a mountain ridge (pixels above the bottom) at x.
float Ridge(float x, float base, float amplitude, uint32_t seed) {
  float h = 0, a = 1, f = 1.0f / 90.0f, total = 0;
  for (int octave = 0; octave < 5; ++octave) {
    float n = Noise1(x * f, seed + octave);
    n = 1 - std::fabs(n * 2 - 1);  // sharp peaks
    h += n * a;
    total += a;
    a *= 0.5f;
    f *= 2.1f;
  }
  return base + amplitude * h / total;
}

void DrawStars(Canvas& c, float horizon) {
  Random rnd(20231);
  for (int i = 0; i < 260; ++i) {
    const int x = static_cast<int>(rnd.Next() * c.Width());
    const int y = static_cast<int>(rnd.Next() * horizon * 0.9f);
    const float b = 60 + 195 * rnd.Next() * rnd.Next();
    Rgb& p = c.At(x, y);
    p = Add(p, {b, b, b * 1.05f});
    if (b > 200) {  // a few brighter stars get a small cross
      const Rgb glow{b * 0.3f, b * 0.3f, b * 0.35f};
      if (x > 0) c.At(x - 1, y) = Add(c.At(x - 1, y), glow);
      if (x + 1 < c.Width()) c.At(x + 1, y) = Add(c.At(x + 1, y), glow);
      if (y > 0) c.At(x, y - 1) = Add(c.At(x, y - 1), glow);
      c.At(x, y + 1) = Add(c.At(x, y + 1), glow);
    }
  }
}

// Paints text with a soft glow; (x, y) is the top-left of the letters.
void DrawGlowText(Canvas& c, const std::string& text, int scale, int x, int y, Rgb ink, Rgb glow,
                  int radius) {
  const TextMask mask = RenderText(text, scale);
  const TextMask halo = Blur(mask, radius);
  const int off = 2 * radius;
  for (int yy = 0; yy < halo.height; ++yy)
    for (int xx = 0; xx < halo.width; ++xx) {
      const int px = x - off + xx, py = y - off + yy;
      if (px < 0 || py < 0 || px >= c.Width() || py >= c.Height()) continue;
      Rgb& p = c.At(px, py);
      p = Add(p, Scale(glow, halo.At(xx, yy)));
      const float m = mask.At(xx - off, yy - off);
      if (m > 0) p = Mix(p, ink, m);
    }
}

}  // namespace

Canvas RenderSplash() {
  const int w = 640, h = 480;
  Canvas c(w, h);
  const float horizon = 372;  // the lake's shore line
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      c.At(x, y) = Add(SkyAt(static_cast<float>(y), horizon), AuroraAt(float(x), float(y), 1.0f));
  DrawStars(c, horizon);

  // Two mountain ranges, the far one faintly lit by the aurora.
  for (int x = 0; x < w; ++x) {
    const float far_top = horizon - Ridge(float(x), 18, 95, 101);
    const float near_top = horizon - Ridge(float(x) + 400, 4, 55, 202);
    for (int y = 0; y < static_cast<int>(horizon); ++y) {
      const float fy = static_cast<float>(y);
      if (fy >= near_top) {
        c.At(x, y) = Mix({8, 12, 20}, {4, 6, 12}, (fy - near_top) / 60.0f);
      } else if (fy >= far_top) {
        const float lit = std::exp(-(fy - far_top) / 14.0f);
        c.At(x, y) = Add(Rgb{18, 26, 44}, Scale(Rgb{30, 90, 70}, lit * 0.5f));
      }
    }
  }

  // The lake mirrors everything above the shore, darker and rippled.
  for (int y = static_cast<int>(horizon); y < h; ++y) {
    const float depth = static_cast<float>(y) - horizon;
    const int mirror_y = static_cast<int>(horizon - depth * 1.15f) - 1;
    for (int x = 0; x < w; ++x) {
      const float ripple = 2.2f * std::sin(depth * 0.9f + std::sin(x * 0.05f) * 1.5f) *
                           std::min(1.0f, depth / 20.0f);
      int sx = std::clamp(static_cast<int>(static_cast<float>(x) + ripple), 0, w - 1);
      int sy = std::clamp(mirror_y, 0, h - 1);
      const float fade = 0.55f * std::exp(-depth / 160.0f);
      c.At(x, y) = Add(Scale(c.At(sx, sy), fade), Rgb{3, 5, 10});
    }
  }
  // A thin bright shore line where the water meets the land.
  for (int x = 0; x < w; ++x) {
    Rgb& p = c.At(x, static_cast<int>(horizon));
    p = Add(p, Rgb{14, 30, 28});
  }

  DrawGlowText(c, "VASK", 8, 440, 34, {235, 255, 245}, {40, 160, 110}, 6);
  DrawGlowText(c, "SCREENSAVERS", 2, 461, 108, {200, 230, 255}, {20, 60, 80}, 2);
  return c;
}

Canvas RenderIcon() {
  const int n = 32;
  Canvas c(n, n);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const float fx = static_cast<float>(x), fy = static_cast<float>(y);
      Rgb p{0, 0, 128};  // night sky
      if (y < 6) p = {0, 0, 0};
      // The aurora: a bright wavy band with a teal glow above it.
      const float edge = 17 + 3.0f * std::sin(fx * 0.35f) + 1.5f * std::sin(fx * 0.9f + 1);
      if (fy <= edge && fy > edge - 3)
        p = {0, 255, 0};
      else if (fy <= edge - 3 && fy > edge - 7 && ((x + y) % 3 != 0))
        p = {0, 255, 255};
      else if (fy <= edge - 7 && fy > edge - 10 && (x % 2 == 0))
        p = {0, 128, 128};
      // Mountains.
      const float ridge =
          31 - std::max(9 - std::fabs(fx - 10) * 0.9f, 7 - std::fabs(fx - 24) * 0.7f);
      if (fy > ridge) p = {0, 0, 0};
      if (fy > ridge && fy < ridge + 2 && fx > 6 && fx < 14) p = {255, 255, 255};  // snow
      c.At(x, y) = p;
    }
  c.At(26, 3) = {255, 255, 255};
  c.At(5, 9) = {255, 255, 255};
  c.At(15, 4) = {192, 192, 192};
  return c;
}

}  // namespace splashgen
