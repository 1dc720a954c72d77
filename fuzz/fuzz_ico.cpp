// Icon files: TIcon::LoadFromStream, then the icon is drawn and saved.
#include "fuzz/FuzzSupport.h"
#include "platform/graphics/Graphics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInit();
  TMemoryStream stream;
  stream.WriteBuffer(data, static_cast<int32_t>(size));
  RunChecked([&] {
    stream.SetPosition(0);
    TIcon icon;
    icon.LoadFromStream(stream);
    TBitmap target;
    target.SetWidth(8);
    target.SetHeight(8);
    target.Canvas()->Draw(0, 0, &icon);
    TMemoryStream out;
    icon.SaveToStream(out);
  });
  return 0;
}
