// Binary form descriptions: read into new components from the class registry
// (test widgets and forms with every property kind, the picture holder, the
// Zeljpeg file components), written back, and converted to the text form.
#include <memory>

#include "fuzz/FuzzSupport.h"
#include "platform/classes/Filer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInit();
  TMemoryStream stream;
  stream.WriteBuffer(data, static_cast<int32_t>(size));
  RunChecked([&] {
    stream.SetPosition(0);
    TReader reader(stream);
    std::unique_ptr<TComponent> root(reader.ReadRootComponent(nullptr));
    // What was read must write back.
    TMemoryStream out;
    TWriter writer(out);
    writer.WriteRootComponent(root.get());
  });
  RunChecked([&] {
    stream.SetPosition(0);
    TMemoryStream text;
    ObjectBinaryToText(stream, text);
  });
  return 0;
}
