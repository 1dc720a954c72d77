// Test pictures and the codec's reference tools: pictures made from a seed,
// PNM files (what cjpeg reads and djpeg writes), cjpeg and djpeg run on them,
// and comparisons of 0xRRGGBB pixel lists.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// A picture given top-down, row-major.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;
  Rgb At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  // The pixels as 0xRRGGBB values.
  std::vector<uint32_t> Values() const;
};

// A picture with gradients, a mirrored quarter, a checker of blocks and
// noise; the same for the same seed.
RgbImage TestImage(int width, int height, int seed = 1);
// A photograph-like picture: smooth random shapes at several scales, soft
// colour changes, fine texture and a few hard edges.
RgbImage PhotoImage(int width, int height, int seed = 1);

// P6 of the picture; the convenience form of TestImage(width, height, seed).
std::string Ppm(const RgbImage& image);
std::string Ppm(int width, int height, int seed = 1);
// A P5 gray picture with a gradient and stripes.
std::string Pgm(int width, int height);
// The picture in a P5 (gray, widened to three equal channels) or P6 file of
// maxval 255. Fails the current test for anything else.
RgbImage ReadPnm(const std::string& pnm);

// cjpeg with args on a PNM file (or on a picture); the JPEG data. djpeg with
// args on JPEG data; what it writes. Fail the current test when the tool fails.
std::string CJpeg(const std::string& pnm, const std::string& args = "-quality 90");
std::string CJpeg(const RgbImage& image, const std::string& args = "-quality 90");
std::string DJpeg(const std::string& jpeg, const std::string& args);
// djpeg's decode of JPEG data (gray widened).
RgbImage DJpegImage(const std::string& jpeg);

// The worst distance between gray pixels of the JPEG decoder's 64-level
// output and the gray levels djpeg decodes: each of ours is one of the
// decoder's grays, round(255 sin(i pi / 126)), whose index i stands for the
// level i x 255 / 63 (near white several indices share a gray; the closest
// counts). 1000 for lists of different or no length.
double WorstGrayDistance(const std::vector<uint32_t>& ours, const std::vector<uint32_t>& djpeg);

// The largest and the mean difference of one channel between two equally
// long lists of 0xRRGGBB pixels (1000 when the lengths differ).
int MaxChannelDiff(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b);
double MeanChannelDiff(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b);
