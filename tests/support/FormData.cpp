#include "tests/support/FormData.h"

#include "platform/classes/Filer.h"
#include "tests/support/TestSupport.h"

std::string TextToBinary(const std::string& text) {
  TMemoryStream in, out;
  FillStream(in, text);
  ObjectTextToBinary(in, out);
  return StreamBytes(out);
}

std::string BinaryToText(const std::string& binary) {
  TMemoryStream in, out;
  FillStream(in, binary);
  ObjectBinaryToText(in, out);
  return StreamBytes(out);
}

TComponent* ReadForm(const std::string& binary, TComponent* root) {
  TMemoryStream in;
  FillStream(in, binary);
  return TReader(in).ReadRootComponent(root);
}

std::string WriteForm(TComponent* root) {
  TMemoryStream out;
  TWriter(out).WriteRootComponent(root);
  return StreamBytes(out);
}
