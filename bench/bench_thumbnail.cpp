// In-process CPU time of one thumbnail of a JPEG file, for
// bench/thumbnail_vs_pillow.sh, which interleaves it with Pillow:
//
//   bench_thumbnail scaled|full PHOTO BOX ITERATIONS
//
// scaled: ReadThumbnail (decoded at the smallest DCT scale that covers the
// thumbnail, then shrunk with area averaging); full: the whole image decoded
// (ReadBitmap), then shrunk the same way. Prints the CPU seconds per
// thumbnail, the file having been read into memory first.

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench/support/CpuTime.h"
#include "platform/graphics/Graphics.h"
#include "zeljpeg/Zeljpeg.h"

namespace {

void OneThumbnail(TJPEGStreamDecompressor& d, TMemoryStream& jpeg, bool scaled, int box) {
  jpeg.SetPosition(0);
  d.OpenStream(jpeg);
  std::unique_ptr<TBitmap> thumbnail;
  if (scaled) {
    thumbnail.reset(d.ReadThumbnail(box, box));
  } else {
    std::unique_ptr<TBitmap> full(d.ReadBitmap());
    int32_t w = 0, h = 0;
    FitInside(full->Width(), full->Height(), box, box, w, h);
    thumbnail.reset(ReSizeBitmap(full.get(), w, h));
  }
  d.CloseStream();
  if (thumbnail->Width() > box || thumbnail->Height() > box) std::abort();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: bench_thumbnail scaled|full PHOTO BOX ITERATIONS\n");
    return 2;
  }
  InitZeljpegUnit();
  const bool scaled = std::string(argv[1]) == "scaled";
  const int box = std::atoi(argv[3]);
  const int iterations = std::atoi(argv[4]);
  try {
    TMemoryStream jpeg;
    jpeg.LoadFromFile(argv[2]);
    TJPEGStreamDecompressor d(nullptr);
    d.OnWarning = [](const char*) {};
    OneThumbnail(d, jpeg, scaled, box);  // warm-up
    const double start = CpuSeconds();
    for (int i = 0; i < iterations; ++i) OneThumbnail(d, jpeg, scaled, box);
    std::printf("%.6f\n", (CpuSeconds() - start) / iterations);
  } catch (const Exception& e) {
    std::fprintf(stderr, "bench_thumbnail: %s\n", e.Message().c_str());
    return 1;
  }
  return 0;
}
