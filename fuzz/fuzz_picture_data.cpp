// Stored pictures: the input is the value of a picture's "Data" property
// (graphic class name as a short string, then that graphic's stored data),
// read the way a form description delivers it, drawn, and written back.
#include <cstring>
#include <memory>
#include <string>

#include "fuzz/FuzzComponents.h"
#include "fuzz/FuzzSupport.h"
#include "platform/classes/Filer.h"

namespace {

void PutStr(TStream& s, const std::string& text) {
  const uint8_t length = static_cast<uint8_t>(text.size());
  s.WriteBuffer(&length, 1);
  s.WriteBuffer(text.data(), length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInit();
  // object Image1: TFuzzImage / Picture.Data = {binary} / end
  TMemoryStream form;
  form.WriteBuffer("TPF0", 4);
  PutStr(form, "TFuzzImage");
  PutStr(form, "Image1");
  PutStr(form, "Picture.Data");
  const uint8_t binary = static_cast<uint8_t>(TValueType::vaBinary);
  form.WriteBuffer(&binary, 1);
  const int32_t length = static_cast<int32_t>(size);
  form.WriteBuffer(&length, 4);
  form.WriteBuffer(data, length);
  const uint8_t end[2] = {0, 0};
  form.WriteBuffer(end, 2);

  RunChecked([&] {
    form.SetPosition(0);
    TReader reader(form);
    std::unique_ptr<TComponent> root(reader.ReadRootComponent(nullptr));
    auto* image = As<TFuzzImage>(root.get());
    TPicture* picture = image->Picture();
    if (picture->Graphic() == nullptr) return;
    // Draw it small, then store it again.
    TBitmap target;
    target.SetWidth(16);
    target.SetHeight(16);
    target.Canvas()->StretchDraw(RECT{0, 0, 16, 16}, picture->Graphic());
    TMemoryStream out;
    TWriter writer(out);
    writer.WriteRootComponent(root.get());
  });
  return 0;
}
