// Speed of the portable graphics API on a 5120 x 2880 photograph:
//  - CreateDIBitmap of a 24-bit DIB into a 32-bit bitmap (bytes = DIB size),
//  - GetDIBits of that bitmap back to a 24-bit DIB,
//  - StretchBlt in HALFTONE mode to 1280 x 720.
//
// Photo: the JPEG named by VASK_BENCH_PHOTO, else the first 5120x2880 JPEG
// wallpaper under /usr/share/wallpapers (bench/setup.sh installs them), else
// a generated image of that size. bench/codec_vs_raw.py compares the
// stretch (bench_gdi --run halftone REPEATS) with Pillow's BOX resize on the
// same photo in paired rounds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
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

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

// bench_gdi --run halftone REPEATS, for bench/codec_vs_raw.py: the photo
// stretched to 1280 x 720 in HALFTONE mode repeats times after one untimed
// stretch; prints the CPU seconds of one stretch.
int RunHalftone(int repeats) {
  const Image& image = Photo();
  BITMAPINFO info = Info24(image);
  HDC screen = GetDC(nullptr);
  HBITMAP src =
      CreateDIBitmap(screen, &info.bmiHeader, CBM_INIT, image.bgr.data(), &info, DIB_RGB_COLORS);
  HBITMAP dst = CreateCompatibleBitmap(screen, 1280, 720);
  HDC src_dc = CreateCompatibleDC(screen);
  HDC dst_dc = CreateCompatibleDC(screen);
  HGDIOBJ old_src = SelectObject(src_dc, src);
  HGDIOBJ old_dst = SelectObject(dst_dc, dst);
  SetStretchBltMode(dst_dc, HALFTONE);
  SetBrushOrgEx(dst_dc, 0, 0, nullptr);
  int status = 0;
  double start = 0;
  for (int i = -1; i < repeats && status == 0; ++i) {
    if (i == 0) start = CpuSeconds();
    if (!StretchBlt(dst_dc, 0, 0, 1280, 720, src_dc, 0, 0, image.width, image.height, SRCCOPY))
      status = 1;
  }
  if (status == 0) std::printf("%.9f\n", (CpuSeconds() - start) / std::max(repeats, 1));
  SelectObject(dst_dc, old_dst);
  SelectObject(src_dc, old_src);
  DeleteDC(dst_dc);
  DeleteDC(src_dc);
  DeleteObject(dst);
  DeleteObject(src);
  ReleaseDC(nullptr, screen);
  if (status != 0) std::fprintf(stderr, "bench_gdi: StretchBlt failed\n");
  return status;
}

BENCHMARK(BM_CreateDIBitmap24To32)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GetDIBits32To24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StretchBltHalftone)
    ->Args({1280, 720})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--run" && std::string(argv[2]) == "halftone")
    return RunHalftone(std::atoi(argv[3]));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
