// Encodes a small bitmap to JPEG in memory, decodes it again and checks the
// size: proof that a project outside the tree can build against Zeljpeg.
#include <cstdio>

#include "platform/classes/Streams.h"
#include "zeljpeg/Zeljpeg.h"

int main() {
  InitZeljpegUnit();
  try {
    TJPEGBitmap bitmap;
    bitmap.SetSize(40, 30);
    TMemoryStream jpeg;
    bitmap.SaveToStream(jpeg);  // JPEG through the shared compressor
    jpeg.Seek(0, soFromBeginning);

    TJPEGBitmap back;
    back.LoadFromStream(jpeg);  // decoded through the shared decompressor
    if (back.Width() != 40 || back.Height() != 30) {
      std::fprintf(stderr, "consumer: wrong size %dx%d\n", back.Width(), back.Height());
      return 1;
    }
  } catch (const Exception& e) {
    std::fprintf(stderr, "consumer: %s\n", e.Message().c_str());
    return 1;
  }
  std::puts("consumer: ok");
  return 0;
}
