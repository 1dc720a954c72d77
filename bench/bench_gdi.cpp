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
#include <string>
#include <vector>

#include "bench/support/BenchPhoto.h"
#include "bench/support/CpuTime.h"
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

// The photo as a device bitmap in one memory context and a w x h target in
// another, set for HALFTONE stretching; Stretch() shrinks the photo onto the
// target.
class HalftoneScene {
 public:
  HalftoneScene(const Image& image, int w, int h) : image_(image), w_(w), h_(h) {
    BITMAPINFO info = Info24(image);
    src_ =
        CreateDIBitmap(screen_, &info.bmiHeader, CBM_INIT, image.bgr.data(), &info, DIB_RGB_COLORS);
    dst_ = CreateCompatibleBitmap(screen_, w, h);
    old_src_ = SelectObject(src_dc_, src_);
    old_dst_ = SelectObject(dst_dc_, dst_);
    SetStretchBltMode(dst_dc_, HALFTONE);
    SetBrushOrgEx(dst_dc_, 0, 0, nullptr);
  }
  ~HalftoneScene() {
    SelectObject(dst_dc_, old_dst_);
    SelectObject(src_dc_, old_src_);
    DeleteDC(dst_dc_);
    DeleteDC(src_dc_);
    DeleteObject(dst_);
    DeleteObject(src_);
    ReleaseDC(nullptr, screen_);
  }
  HalftoneScene(const HalftoneScene&) = delete;
  HalftoneScene& operator=(const HalftoneScene&) = delete;

  bool Stretch() {
    return StretchBlt(dst_dc_, 0, 0, w_, h_, src_dc_, 0, 0, image_.width, image_.height, SRCCOPY) !=
           FALSE;
  }

 private:
  const Image& image_;
  int w_, h_;
  HDC screen_ = GetDC(nullptr);
  HDC src_dc_ = CreateCompatibleDC(screen_);
  HDC dst_dc_ = CreateCompatibleDC(screen_);
  HBITMAP src_ = nullptr, dst_ = nullptr;
  HGDIOBJ old_src_ = nullptr, old_dst_ = nullptr;
};

void BM_StretchBltHalftone(benchmark::State& state) {
  const Image& image = Photo();
  HalftoneScene scene(image, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    if (!scene.Stretch()) state.SkipWithError("StretchBlt failed");
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * image.width * image.height);
  state.SetLabel(image.source);
}

// bench_gdi --run halftone REPEATS, for bench/codec_vs_raw.py: the photo
// stretched to 1280 x 720 in HALFTONE mode repeats times after one untimed
// stretch; prints the CPU seconds of one stretch.
int RunHalftone(int repeats) {
  HalftoneScene scene(Photo(), 1280, 720);
  int status = 0;
  double start = 0;
  for (int i = -1; i < repeats && status == 0; ++i) {
    if (i == 0) start = CpuSeconds();
    if (!scene.Stretch()) status = 1;
  }
  if (status == 0)
    std::printf("%.9f\n", (CpuSeconds() - start) / std::max(repeats, 1));
  else
    std::fprintf(stderr, "bench_gdi: StretchBlt failed\n");
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
