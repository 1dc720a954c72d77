// A program of another project, built against an installed Zeljpeg: encodes
// and decodes in memory, and checks that classes and exceptions keep their
// identity across the library boundary (the shared libraries export their
// run-time type information with the public API).
#include <cstdio>
#include <memory>
#include <typeinfo>

#include "platform/classes/Streams.h"
#include "zeljpeg/Zeljpeg.h"

namespace {

int failures = 0;

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "consumer: %s\n", what);
    ++failures;
  }
}

}  // namespace

int main() {
  InitZeljpegUnit();
  try {
    TJPEGBitmap bitmap;
    bitmap.SetSize(40, 30);
    bitmap.SaveToFile("consumer.jpg");  // JPEG through the shared compressor

    // The picture format list gives the library's class for ".jpg".
    TPicture picture;
    picture.LoadFromFile("consumer.jpg");
    TGraphic* graphic = picture.Graphic();
    Check(dynamic_cast<TJPEGBitmap*>(graphic) != nullptr, "dynamic_cast to TJPEGBitmap failed");
    Check(graphic != nullptr && typeid(*graphic) == typeid(TJPEGBitmap), "typeid differs");
    Check(Is<TJPEGBitmap>(graphic) && graphic->ClassName() == "TJPEGBitmap",
          "class information differs");
    Check(graphic != nullptr && graphic->Width() == 40 && graphic->Height() == 30,
          "decoded size differs");

    // The class registry constructs the library's classes by name.
    const TClass registered = GetClass("TJPEGBitmap");
    Check(registered != nullptr && registered->Create, "TJPEGBitmap is not registered");
    if (registered != nullptr && registered->Create) {
      std::unique_ptr<TObject> object(registered->Create(nullptr));
      Check(dynamic_cast<TBitmap*>(object.get()) != nullptr, "dynamic_cast to TBitmap failed");
    }
  } catch (const Exception& e) {
    std::fprintf(stderr, "consumer: %s\n", e.Message().c_str());
    return 1;
  }

  // Exceptions raised inside the libraries reach this program's handlers.
  try {
    TFileStream missing("no-such-file.jpg", fmOpenRead);
    Check(false, "opening a missing file did not raise");
  } catch (const EFOpenError& e) {
    Check(e.Message().find("no-such-file.jpg") != std::string::npos, "EFOpenError lacks the name");
  }
  try {
    TMemoryStream bmp;
    bmp.Write("BM not a JPEG file", 18);
    bmp.Seek(0, soFromBeginning);
    TJPEGBitmap bitmap;
    bitmap.LoadFromStream(bmp);
    Check(false, "decoding non-JPEG data did not raise");
  } catch (const Exception& e) {
    Check(e.Message().find("Not a JPEG file") == 0, "unexpected codec message");
  }

  if (failures != 0) return 1;
  std::puts("consumer: ok");
  return 0;
}
