#include "tests/support/Pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "tests/support/TestSupport.h"

std::vector<uint32_t> RgbImage::Values() const {
  std::vector<uint32_t> out;
  out.reserve(pixels.size());
  for (const Rgb& p : pixels) out.push_back(uint32_t{p.r} << 16 | uint32_t{p.g} << 8 | p.b);
  return out;
}

namespace {

uint8_t Clamp(int v) {
  return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

// A deterministic stream of pseudo-random numbers.
class Random {
 public:
  explicit Random(int seed) : state_(2166136261u ^ static_cast<uint32_t>(seed)) {}
  uint32_t Next() { return state_ = state_ * 1664525u + 1013904223u; }
  // Uniform in [0, 1).
  double Unit() { return (Next() >> 8) / 16777216.0; }

 private:
  uint32_t state_;
};

}  // namespace

RgbImage TestImage(int width, int height, int seed) {
  RgbImage image{width, height, {}};
  image.pixels.reserve(static_cast<size_t>(width) * height);
  Random random(seed);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int noise = static_cast<int>((random.Next() >> 24) & 31) - 16;
      int r = (x * 255) / std::max(1, width - 1);
      const int g = (y * 255) / std::max(1, height - 1);
      const int b = ((x / 8 + y / 8) % 2) ? 220 : 40;
      if (x > width / 2 && y > height / 2) r = 255 - r;
      image.pixels.push_back({Clamp(r + noise), Clamp(g - noise), Clamp(b + noise / 2)});
    }
  return image;
}

RgbImage PhotoImage(int width, int height, int seed) {
  Random random(seed);
  // Value noise: a random lattice per octave, smoothly interpolated; each
  // octave has half the cell size and half the strength of the one before.
  struct Octave {
    int cell;
    double strength;
    int columns;
    std::vector<double> lattice;  // three channels per point
  };
  std::vector<Octave> octaves;
  for (int cell = std::max(width, height) / 2, i = 0; cell >= 2; cell /= 2, ++i) {
    Octave o{cell, std::pow(0.55, i), width / cell + 2, {}};
    const int rows = height / cell + 2;
    for (int k = 0; k < o.columns * rows * 3; ++k) o.lattice.push_back(random.Unit() - 0.5);
    octaves.push_back(std::move(o));
  }
  // A few hard-edged discs, as objects in front of a background.
  struct Disc {
    double x, y, radius;
    Rgb colour;
  };
  std::vector<Disc> discs;
  for (int i = 0; i < 4; ++i)
    discs.push_back(
        {random.Unit() * width,
         random.Unit() * height,
         (0.05 + 0.15 * random.Unit()) * std::min(width, height),
         {static_cast<uint8_t>(random.Next() >> 24), static_cast<uint8_t>(random.Next() >> 24),
          static_cast<uint8_t>(random.Next() >> 24)}});

  auto smooth = [](double t) { return t * t * (3 - 2 * t); };
  RgbImage image{width, height, {}};
  image.pixels.reserve(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      double c[3] = {0.45, 0.5, 0.4};
      for (const Octave& o : octaves) {
        const int cx = x / o.cell, cy = y / o.cell;
        const double fx = smooth(double(x % o.cell) / o.cell);
        const double fy = smooth(double(y % o.cell) / o.cell);
        for (int ch = 0; ch < 3; ++ch) {
          auto at = [&](int i, int j) { return o.lattice[((j * o.columns) + i) * 3 + ch]; };
          const double top = at(cx, cy) + (at(cx + 1, cy) - at(cx, cy)) * fx;
          const double bottom = at(cx, cy + 1) + (at(cx + 1, cy + 1) - at(cx, cy + 1)) * fx;
          c[ch] += o.strength * (top + (bottom - top) * fy);
        }
      }
      Rgb p{Clamp(int(c[0] * 255)), Clamp(int(c[1] * 255)), Clamp(int(c[2] * 255))};
      for (const Disc& d : discs) {
        const double dx = x - d.x, dy = y - d.y;
        if (dx * dx + dy * dy < d.radius * d.radius) {
          const int shade = static_cast<int>(40 * dy / d.radius);
          p = {Clamp(d.colour.r - shade), Clamp(d.colour.g - shade), Clamp(d.colour.b - shade)};
        }
      }
      const int grain = static_cast<int>((random.Next() >> 24) % 7) - 3;
      image.pixels.push_back({Clamp(p.r + grain), Clamp(p.g + grain), Clamp(p.b + grain)});
    }
  return image;
}

std::string Ppm(const RgbImage& image) {
  std::string out =
      "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
  for (const Rgb& p : image.pixels) {
    out += static_cast<char>(p.r);
    out += static_cast<char>(p.g);
    out += static_cast<char>(p.b);
  }
  return out;
}

std::string Ppm(int width, int height, int seed) {
  return Ppm(TestImage(width, height, seed));
}

std::string Pgm(int width, int height) {
  std::string out = "P5\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      out += static_cast<char>((x * 7 + y * 3 + ((x / 4) % 2) * 60) & 255);
  return out;
}

RgbImage ReadPnm(const std::string& pnm) {
  RgbImage image;
  char kind[3] = {};
  int maxval = 0, consumed = 0;
  if (std::sscanf(pnm.c_str(), "%2s %d %d %d%n", kind, &image.width, &image.height, &maxval,
                  &consumed) != 4 ||
      maxval != 255 || (kind != std::string("P5") && kind != std::string("P6"))) {
    ADD_FAILURE() << "not a P5 or P6 file of maxval 255";
    return {};
  }
  const size_t channels = kind == std::string("P6") ? 3 : 1;
  const size_t count = static_cast<size_t>(image.width) * image.height;
  const size_t start = static_cast<size_t>(consumed) + 1;  // one white-space byte
  if (pnm.size() < start + count * channels) {
    ADD_FAILURE() << "short PNM data";
    return {};
  }
  const auto* p = reinterpret_cast<const uint8_t*>(pnm.data() + start);
  image.pixels.resize(count);
  for (size_t i = 0; i < count; ++i, p += channels)
    image.pixels[i] = channels == 3 ? Rgb{p[0], p[1], p[2]} : Rgb{p[0], p[0], p[0]};
  return image;
}

std::string CJpeg(const std::string& pnm, const std::string& args) {
  return RunFilter("cjpeg " + args, pnm);
}

std::string CJpeg(const RgbImage& image, const std::string& args) {
  return CJpeg(Ppm(image), args);
}

std::string DJpeg(const std::string& jpeg, const std::string& args) {
  return RunFilter("djpeg " + args, jpeg);
}

RgbImage DJpegImage(const std::string& jpeg) {
  return ReadPnm(DJpeg(jpeg, "-pnm"));
}

int MaxChannelDiff(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  if (a.size() != b.size()) return 1000;
  int worst = 0;
  for (size_t i = 0; i < a.size(); ++i)
    for (int shift = 0; shift < 24; shift += 8)
      worst = std::max(worst, std::abs(static_cast<int>((a[i] >> shift) & 255) -
                                       static_cast<int>((b[i] >> shift) & 255)));
  return worst;
}

double MeanChannelDiff(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  if (a.size() != b.size() || a.empty()) return 1000;
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i)
    for (int shift = 0; shift < 24; shift += 8)
      sum += std::abs(static_cast<int>((a[i] >> shift) & 255) -
                      static_cast<int>((b[i] >> shift) & 255));
  return sum / (3.0 * static_cast<double>(a.size()));
}

double WorstGrayDistance(const std::vector<uint32_t>& ours, const std::vector<uint32_t>& djpeg) {
  if (ours.size() != djpeg.size() || ours.empty()) return 1000;
  double worst = 0;
  for (size_t p = 0; p < ours.size(); ++p) {
    double best = 1000;
    for (int i = 0; i < 64; ++i)
      if (std::lround(255 * std::sin(i * std::numbers::pi / 126)) ==
          static_cast<long>(ours[p] & 255))
        best = std::min(best, std::abs(i * 255.0 / 63 - static_cast<double>(djpeg[p] & 255)));
    worst = std::max(worst, best);
  }
  return worst;
}
