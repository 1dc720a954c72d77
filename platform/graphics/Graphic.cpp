#include "platform/graphics/Graphic.h"

void InvalidBitmap() {
  throw EInvalidGraphic("Bitmap image is not valid");
}

VASK_DEFINE_CLASS(TGraphic)

void TGraphic::LoadFromFile(const std::string& file_name) {
  TFileStream stream(file_name, fmOpenRead);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& file_name) {
  TFileStream stream(file_name, fmCreate);
  SaveToStream(stream);
}

void TGraphic::Changed() {
  modified_ = true;
  if (OnChange) OnChange(this);
}

void TGraphic::ReadData(TStream& stream) {
  LoadFromStream(stream);
}

void TGraphic::WriteData(TStream& stream) {
  SaveToStream(stream);
}

void TGraphic::DefineProperties(TFiler& filer) {
  filer.DefineBinaryProperty(
      "Data", [this](TStream& s) { ReadData(s); }, [this](TStream& s) { WriteData(s); }, !Empty());
}
