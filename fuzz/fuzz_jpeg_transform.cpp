// JPEG data through TJPEGTransformer: every transform, trimming, perfect
// transforms, crops, copied segments and EXIF auto-orientation, with
// progressive and optimised output, warnings and progress handled.
//
// Input: three option bytes, then the JPEG data.
//   byte 0: bits 0-2 transform, bit 3 trim, bit 4 perfect, bits 5-6 copied
//           segments (none, comments, all, all), bit 7 auto-orient
//   byte 1: bit 0 crop, bits 1-7 crop corner (x = bits 1-4 x 5, y = bits
//           5-7 x 7)
//   byte 2: bits 0-5 crop size (width = 1 + bits 0-2 x 9, height = 1 +
//           bits 3-5 x 9), bit 6 progressive output, bit 7 optimised coding
#include "fuzz/FuzzSupport.h"
#include "zeljpeg/Transformer.h"
#include "zeljpeg/Zeljpeg.h"

namespace {

// Source images above this many pixels only slow the search down.
constexpr int64_t kPixelBudget = 1 << 20;

TJPEGTransformer& Transformer() {
  static TJPEGTransformer* transformer = new TJPEGTransformer(nullptr);
  return *transformer;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInit();
  TJPEGTransformer& t = Transformer();
  TFuzzInput in(data, size);
  const uint8_t b0 = in.Take(), b1 = in.Take(), b2 = in.Take();
  t.Transform = static_cast<TJPEGTransform>(b0 & 7);
  t.Trim = (b0 & 8) != 0;
  t.Perfect = (b0 & 16) != 0;
  static constexpr TJPEGCopyMarkers kCopy[] = {jcNone, jcComments, jcAll, jcAll};
  t.CopyMarkers = kCopy[(b0 >> 5) & 3];
  t.AutoOrient = (b0 & 0x80) != 0;
  const bool crop = (b1 & 1) != 0;
  t.CropX = crop ? ((b1 >> 1) & 15) * 5 : 0;
  t.CropY = crop ? ((b1 >> 5) & 7) * 7 : 0;
  t.CropWidth = crop ? 1 + (b2 & 7) * 9 : 0;
  t.CropHeight = crop ? 1 + ((b2 >> 3) & 7) * 9 : 0;
  t.ProgressiveJPEG = (b2 & 0x40) != 0;
  t.OptimizeCoding = (b2 & 0x80) != 0;
  t.MaxPixels = kPixelBudget;

  int warnings = 0;
  t.OnWarning = [&](const char* text) { warnings += text[0] != 0; };
  t.OnProgressReport = [&](TObject*) { (void)t.GetPercentDone(); };

  TMemoryStream source, dest;
  source.WriteBuffer(in.Rest(), static_cast<int32_t>(in.RestSize()));
  source.SetPosition(0);
  RunChecked([&] { t.TransformStream(source, dest); });
  t.OnWarning = nullptr;
  t.OnProgressReport = nullptr;
  return 0;
}
