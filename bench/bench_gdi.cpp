// Speed of the portable graphics API on a 5120 x 2880 photograph:
//  - CreateDIBitmap of a 24-bit DIB into a 32-bit bitmap (bytes = DIB size),
//  - GetDIBits of that bitmap back to a 24-bit DIB,
//  - StretchBlt in HALFTONE mode to 1280 x 720.
//
// Photo: the JPEG named by VASK_BENCH_PHOTO, else the first 5120x2880 JPEG
// wallpaper under /usr/share/wallpapers (bench/setup.sh installs them), else
// a generated image of that size. bench/gdi_vs_pillow.sh compares the
// stretch with Pillow's BOX resize on the same photo.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/gdi/Gdi.h"

// jpeglib.h needs stdio first.
#include <jpeglib.h>

namespace {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bits;  // 24-bit bottom-up DIB rows
  std::string source;
  int Stride() const { return (width * 3 + 3) & ~3; }
};

std::string FindPhoto() {
  if (const char* env = std::getenv("VASK_BENCH_PHOTO")) return env;
  namespace fs = std::filesystem;
  std::vector<std::string> found;
  std::error_code ec;
  for (auto& theme : fs::directory_iterator("/usr/share/wallpapers", ec)) {
    const fs::path p = theme.path() / "contents" / "images" / "5120x2880.jpg";
    if (fs::exists(p)) found.push_back(p.string());
  }
  std::sort(found.begin(), found.end());
  return found.empty() ? std::string() : found.front();
}

bool Decode(const std::string& path, Image& image) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, f);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  image.width = static_cast<int>(cinfo.output_width);
  image.height = static_cast<int>(cinfo.output_height);
  image.bits.assign(size_t(image.Stride()) * image.height, 0);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = image.bits.data() +
                   size_t(image.Stride()) * (image.height - 1 - int(cinfo.output_scanline));
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(f);
  image.source = path;
  return true;
}

void Generate(Image& image) {
  image.width = 5120;
  image.height = 2880;
  image.bits.assign(size_t(image.Stride()) * image.height, 0);
  uint32_t seed = 12345;
  for (int y = 0; y < image.height; ++y) {
    uint8_t* row = image.bits.data() + size_t(image.Stride()) * y;
    for (int x = 0; x < image.width; ++x) {
      seed = seed * 1664525 + 1013904223;
      row[3 * x] = static_cast<uint8_t>(x / 20 + (seed >> 28));
      row[3 * x + 1] = static_cast<uint8_t>(y / 12 + (seed >> 29));
      row[3 * x + 2] = static_cast<uint8_t>((x + y) / 32);
    }
  }
  image.source = "generated 5120x2880";
}

const Image& Photo() {
  static const Image image = [] {
    Image i;
    const std::string path = FindPhoto();
    if (path.empty() || !Decode(path, i)) Generate(i);
    return i;
  }();
  return image;
}

BITMAPINFO Info24(const Image& image) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = image.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

void BM_CreateDIBitmap24To32(benchmark::State& state) {
  const Image& image = Photo();
  BITMAPINFO info = Info24(image);
  HDC screen = GetDC(nullptr);
  for (auto _ : state) {
    HBITMAP bmp =
        CreateDIBitmap(screen, &info.bmiHeader, CBM_INIT, image.bits.data(), &info, DIB_RGB_COLORS);
    if (!bmp) state.SkipWithError("CreateDIBitmap failed");
    DeleteObject(bmp);
  }
  ReleaseDC(nullptr, screen);
  state.SetBytesProcessed(int64_t(state.iterations()) * image.bits.size());
  state.SetLabel(image.source);
}

void BM_GetDIBits32To24(benchmark::State& state) {
  const Image& image = Photo();
  BITMAPINFO info = Info24(image);
  HDC screen = GetDC(nullptr);
  HBITMAP bmp =
      CreateDIBitmap(screen, &info.bmiHeader, CBM_INIT, image.bits.data(), &info, DIB_RGB_COLORS);
  std::vector<uint8_t> out(image.bits.size());
  for (auto _ : state) {
    if (GetDIBits(screen, bmp, 0, image.height, out.data(), &info, DIB_RGB_COLORS) !=
        image.height) {
      state.SkipWithError("GetDIBits failed");
    }
    benchmark::DoNotOptimize(out.data());
  }
  if (out != image.bits) state.SkipWithError("round trip differs");
  DeleteObject(bmp);
  ReleaseDC(nullptr, screen);
  state.SetBytesProcessed(int64_t(state.iterations()) * image.bits.size());
}

void BM_StretchBltHalftone(benchmark::State& state) {
  const Image& image = Photo();
  const int w = static_cast<int>(state.range(0));
  const int h = static_cast<int>(state.range(1));
  BITMAPINFO info = Info24(image);
  HDC screen = GetDC(nullptr);
  HBITMAP src =
      CreateDIBitmap(screen, &info.bmiHeader, CBM_INIT, image.bits.data(), &info, DIB_RGB_COLORS);
  HBITMAP dst = CreateCompatibleBitmap(screen, w, h);
  HDC src_dc = CreateCompatibleDC(screen);
  HDC dst_dc = CreateCompatibleDC(screen);
  HGDIOBJ old_src = SelectObject(src_dc, src);
  HGDIOBJ old_dst = SelectObject(dst_dc, dst);
  SetStretchBltMode(dst_dc, HALFTONE);
  SetBrushOrgEx(dst_dc, 0, 0, nullptr);
  for (auto _ : state) {
    if (!StretchBlt(dst_dc, 0, 0, w, h, src_dc, 0, 0, image.width, image.height, SRCCOPY)) {
      state.SkipWithError("StretchBlt failed");
    }
  }
  SelectObject(dst_dc, old_dst);
  SelectObject(src_dc, old_src);
  DeleteDC(dst_dc);
  DeleteDC(src_dc);
  DeleteObject(dst);
  DeleteObject(src);
  ReleaseDC(nullptr, screen);
  state.SetItemsProcessed(int64_t(state.iterations()) * image.width * image.height);
  state.SetLabel(image.source);
}

BENCHMARK(BM_CreateDIBitmap24To32)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GetDIBits32To24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StretchBltHalftone)
    ->Args({1280, 720})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
