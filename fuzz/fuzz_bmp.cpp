// BMP files: TBitmap::LoadFromStream on each of the three display formats
// (the first input byte picks it), then the loaded bitmap is drawn and saved.
#include "fuzz/FuzzSupport.h"
#include "platform/gdi/GdiTest.h"
#include "platform/graphics/Graphics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInit();
  TFuzzInput in(data, size);
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
