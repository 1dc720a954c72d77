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
#include <string>
#include <vector>

#include "bench/support/BenchPhoto.h"
#include "platform/gdi/Gdi.h"

namespace {

using Image = BenchPhoto;

const Image& Photo() {
  return BenchPhotoOfSize(5120, 2880);
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
        CreateDIBitmap(screen, &info.bmiHeader, CBM_INIT, image.bgr.data(), &info, DIB_RGB_COLORS);
    if (!bmp) state.SkipWithError("CreateDIBitmap failed");
    DeleteObject(bmp);
  }
  ReleaseDC(nullptr, screen);
  state.SetBytesProcessed(int64_t(state.iterations()) * image.bgr.size());
  state.SetLabel(image.source);
}

void BM_GetDIBits32To24(benchmark::State& state) {
  const Image& image = Photo();
  BITMAPINFO info = Info24(image);
  HDC screen = GetDC(nullptr);
  HBITMAP bmp =
      CreateDIBitmap(screen, &info.bmiHeader, CBM_INIT, image.bgr.data(), &info, DIB_RGB_COLORS);
  std::vector<uint8_t> out(image.bgr.size());
  for (auto _ : state) {
    if (GetDIBits(screen, bmp, 0, image.height, out.data(), &info, DIB_RGB_COLORS) !=
        image.height) {
      state.SkipWithError("GetDIBits failed");
    }
    benchmark::DoNotOptimize(out.data());
  }
  if (out != image.bgr) state.SkipWithError("round trip differs");
  DeleteObject(bmp);
  ReleaseDC(nullptr, screen);
  state.SetBytesProcessed(int64_t(state.iterations()) * image.bgr.size());
}

void BM_StretchBltHalftone(benchmark::State& state) {
  const Image& image = Photo();
  const int w = static_cast<int>(state.range(0));
  const int h = static_cast<int>(state.range(1));
  BITMAPINFO info = Info24(image);
  HDC screen = GetDC(nullptr);
  HBITMAP src =
      CreateDIBitmap(screen, &info.bmiHeader, CBM_INIT, image.bgr.data(), &info, DIB_RGB_COLORS);
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
