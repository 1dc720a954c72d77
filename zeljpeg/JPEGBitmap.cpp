#include "zeljpeg/JPEGBitmap.h"

#include "zeljpeg/Jpeglib.h"

VASK_DEFINE_CLASS(TJPEGBitmap)

namespace {
char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsAsciiNoCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return i == a.size() && b[i] == '\0';
}
}  // namespace

bool TJPEGBitmap::HasJPEGExtension(const std::string& file_name) {
  size_t dot = file_name.rfind('.');
  if (dot == std::string::npos) return false;
  size_t sep = file_name.find_last_of("\\:/");
  if (sep != std::string::npos && sep > dot) return false;
  std::string ext = file_name.substr(dot);
  return EqualsAsciiNoCase(ext, ".jpeg") || EqualsAsciiNoCase(ext, ".jpg");
}

void TJPEGBitmap::SaveToFile(const std::string& file_name) {
  FSaveAsBitmap = !HasJPEGExtension(file_name);
  try {
    inherited::SaveToFile(file_name);
  } catch (...) {
    FSaveAsBitmap = false;
    throw;
  }
  FSaveAsBitmap = false;
}

void TJPEGBitmap::LoadFromStream(TStream&) {
  throw EInvalidGraphic("JPEG loading is not available");
}

void TJPEGBitmap::SaveToStream(TStream& stream) {
  if (FSaveAsBitmap) {
    inherited::SaveToStream(stream);
    return;
  }
  throw EInvalidGraphic("JPEG saving is not available");
}

void InitZeljpegUnit() {
  static int run_count = 0;
  if (run_count++ != 0) return;
  InitGraphicsUnit();
  InitJpeglibUnit();
  TPicture::RegisterFileFormat("jpg", "JPEG Image", TJPEGBitmap::StaticClass());
  TPicture::RegisterFileFormat("jpeg", "JPEG Image", TJPEGBitmap::StaticClass());
  RegisterClass(TJPEGBitmap::StaticClass());
}
