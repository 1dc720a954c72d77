#include "bench/support/BenchPhoto.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <utility>

// jpeglib.h needs stdio first.
#include <jpeglib.h>

std::string FindBenchPhoto(const char* size, const char* env) {
  if (const char* named = env ? std::getenv(env) : nullptr) return named;
  namespace fs = std::filesystem;
  std::vector<std::string> found;
  std::error_code ec;
  for (auto& theme : fs::directory_iterator("/usr/share/wallpapers", ec)) {
    const fs::path p = theme.path() / "contents" / "images" / (std::string(size) + ".jpg");
    if (fs::exists(p)) found.push_back(p.string());
  }
  std::sort(found.begin(), found.end());
  return found.empty() ? std::string() : found.front();
}

bool DecodeBenchPhoto(const std::string& path, BenchPhoto& photo) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, f);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  photo.width = static_cast<int>(cinfo.output_width);
  photo.height = static_cast<int>(cinfo.output_height);
  photo.bgr.assign(static_cast<size_t>(photo.Stride()) * photo.height, 0);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = photo.bgr.data() +
                   static_cast<size_t>(photo.height - 1 - cinfo.output_scanline) * photo.Stride();
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(f);
  photo.source = path;
  return true;
}

namespace {
// Smooth gradients with a little noise: compresses and scales like a photo
// more than flat colour does.
void Generate(int width, int height, BenchPhoto& photo) {
  photo.width = width;
  photo.height = height;
  photo.bgr.assign(static_cast<size_t>(photo.Stride()) * height, 0);
  uint32_t rng = 12345;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      rng = rng * 1664525u + 1013904223u;
      uint8_t* p = photo.bgr.data() + static_cast<size_t>(y) * photo.Stride() + 3 * x;
      const int noise = static_cast<int>(rng >> 28);
      p[0] = static_cast<uint8_t>((x * 255 / width + noise) & 255);
      p[1] = static_cast<uint8_t>((y * 255 / height + noise) & 255);
      p[2] = static_cast<uint8_t>(((x + y) / 7 + noise) & 255);
    }
  photo.source = "generated " + std::to_string(width) + "x" + std::to_string(height);
}
}  // namespace

const BenchPhoto& BenchPhotoOfSize(int width, int height) {
  static std::map<std::pair<int, int>, BenchPhoto> photos;
  auto [it, added] = photos.try_emplace({width, height});
  if (added) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::string path = FindBenchPhoto(size.c_str());
    if (path.empty() || !DecodeBenchPhoto(path, it->second)) Generate(width, height, it->second);
  }
  return it->second;
}
