// A floating-point RGB picture for the generated artwork, with the few
// drawing operations the scenes need.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace splashgen {

struct Rgb {
  float r = 0, g = 0, b = 0;
};

Rgb Mix(Rgb a, Rgb b, float t);
Rgb Scale(Rgb a, float s);
Rgb Add(Rgb a, Rgb b);

// Pixels in rows top to bottom, channel values 0..255 (clamped on output).
class Canvas {
 public:
  Canvas(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }
  Rgb& At(int x, int y) { return pixels_[static_cast<size_t>(y) * width_ + x]; }
  const Rgb& At(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }

 private:
  int width_, height_;
  std::vector<Rgb> pixels_;
};

// A coverage mask (0..1) of text drawn with the 5 x 7 font, each font pixel
// scale x scale, letters one font pixel apart. Unknown characters are blank.
struct TextMask {
  int width = 0, height = 0;
  std::vector<float> cover;
  float At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    return cover[static_cast<size_t>(y) * width + x];
  }
};
TextMask RenderText(const std::string& text, int scale);
// A soft halo around the mask: the mask blurred by a box of radius r, twice.
TextMask Blur(const TextMask& mask, int radius);

// Deterministic pseudo-random numbers (the artwork is the same on every build).
class Random {
 public:
  explicit Random(uint32_t seed) : state_(seed) {}
  // Uniform in [0, 1).
  float Next();

 private:
  uint32_t state_;
};

// Smooth value noise in [0, 1] over x with features about one unit apart.
float Noise1(float x, uint32_t seed);

}  // namespace splashgen
