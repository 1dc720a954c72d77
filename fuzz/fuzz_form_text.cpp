// Text form descriptions: converted to the binary form (file references
// resolve in a folder that does not exist, so they fail cleanly), and what
// converts is read into new components.
#include <memory>

#include "fuzz/FuzzSupport.h"
#include "platform/classes/Filer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInit();
  TMemoryStream text;
  text.WriteBuffer(data, static_cast<int32_t>(size));
  RunChecked([&] {
    text.SetPosition(0);
    TMemoryStream binary;
    ObjectTextToBinary(text, binary, "/nonexistent/vask-fuzz");
    binary.SetPosition(0);
    TReader reader(binary);
    std::unique_ptr<TComponent> root(reader.ReadRootComponent(nullptr));
  });
  return 0;
}
