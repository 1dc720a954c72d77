// Real photographs for the benchmarks: the wallpapers that bench/setup.sh
// installs, decoded once into bottom-up 24-bit DIB rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A picture as 24-bit bottom-up DIB rows (blue, green, red; rows padded to 4).
struct BenchPhoto {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bgr;
  std::string source;  // the file it came from, or "generated WxH"
  int Stride() const { return (width * 3 + 3) & ~3; }
};

// The JPEG file named by the environment variable env (if set), else the
// first wallpaper of that size ("2560x1600", "5120x2880") under
// /usr/share/wallpapers; empty when there is none.
std::string FindBenchPhoto(const char* size, const char* env = "VASK_BENCH_PHOTO");

// Decodes path into photo with a plain libjpeg-turbo scanline decode; false
// when the file cannot be opened.
bool DecodeBenchPhoto(const std::string& path, BenchPhoto& photo);

// The photo of that size, decoded on first use and kept for the process; a
// generated picture of that size when no photograph is installed.
const BenchPhoto& BenchPhotoOfSize(int width, int height);
