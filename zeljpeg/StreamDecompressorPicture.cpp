// The stream decompressor's front ends that produce bitmaps and pictures.
#include <memory>

#include "platform/graphics/Graphics.h"
#include "zeljpeg/Scopes.h"
#include "zeljpeg/StreamDecompressor.h"

TBitmap* TJPEGStreamDecompressor::ReadBitMapFromStream(TStream& stream) {
  TStreamAttachment attachment(*this, stream);
  TCodecReset reset(*this);
  return ReadBitmap();
}

void TJPEGStreamDecompressor::LoadPictureFromStream(TPicture* picture, TStream& stream) {
  if (picture == nullptr) throw Exception("The Image Property is empty!");
  std::unique_ptr<TBitmap> bitmap(ReadBitMapFromStream(stream));
  picture->SetGraphic(bitmap.get());
}

void TJPEGStreamDecompressor::LoadPictureFromResource(TPicture* picture, HINSTANCE instance,
                                                      const std::string& res_name) {
  TResourceStream stream(instance, res_name, "JPEG");
  LoadPictureFromStream(picture, stream);
}

void TJPEGStreamDecompressor::LoadPictureFromResID(TPicture* picture, HINSTANCE instance,
                                                   int32_t res_id) {
  TResourceStream stream(instance, res_id, "JPEG");
  LoadPictureFromStream(picture, stream);
}

void TJPEGFileDecompressor::LoadPictureFromFile(TPicture* picture, const std::string& file_name) {
  TFileStream stream(file_name, fmOpenRead);
  LoadPictureFromStream(picture, stream);
}
