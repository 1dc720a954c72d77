// BMP files: TBitmap::LoadFromStream on each of the three display formats
// (the first input byte picks it), then the loaded bitmap is drawn and saved.
// Files that declare more than kPixelBudget pixels are skipped: the reader's
// own size limits are tested directly, and huge images only slow the search.
#include <cstdlib>
#include <cstring>

#include "fuzz/FuzzSupport.h"
#include "platform/gdi/GdiTest.h"
#include "platform/graphics/Graphics.h"

namespace {

constexpr int64_t kPixelBudget = int64_t{1} << 22;

// The pixel count the file's info header declares (0 when it is too short to
// say): a 12-byte core header has 16-bit sizes, every other header 32-bit ones.
int64_t DeclaredPixels(const uint8_t* file, size_t size) {
  if (size < 26) return 0;
  uint32_t header_size;
  std::memcpy(&header_size, file + 14, 4);
  if (header_size == 12) {
    uint16_t w, h;
    std::memcpy(&w, file + 18, 2);
    std::memcpy(&h, file + 20, 2);
    return int64_t{w} * h;
  }
  int32_t w, h;
  std::memcpy(&w, file + 18, 4);
  std::memcpy(&h, file + 22, 4);
  return std::llabs(int64_t{w}) * std::llabs(int64_t{h});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInit();
  TFuzzInput in(data, size);
  if (DeclaredPixels(data + 1, size > 0 ? size - 1 : 0) > kPixelBudget) return 0;
  static constexpr gditest::DisplayFormat kDisplays[] = {
      gditest::DisplayFormat::TrueColour32, gditest::DisplayFormat::Palette8,
      gditest::DisplayFormat::Colours16, gditest::DisplayFormat::TrueColour32};
  gditest::ScopedDisplay display(kDisplays[in.Take() & 3]);
  TMemoryStream stream;
  stream.WriteBuffer(in.Rest(), static_cast<int32_t>(in.RestSize()));
  RunChecked([&] {
    stream.SetPosition(0);
    TBitmap bitmap;
    bitmap.LoadFromStream(stream);
    TBitmap target;
    target.SetWidth(8);
    target.SetHeight(8);
    target.Canvas()->StretchDraw(RECT{0, 0, 8, 8}, &bitmap);
    TMemoryStream out;
    bitmap.SaveToStream(out);
  });
  return 0;
}
