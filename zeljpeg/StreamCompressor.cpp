#include "zeljpeg/StreamCompressor.h"

#include "zeljpeg/SharedPlace.h"

#include <mutex>

#include "platform/classes/Streams.h"
#include "platform/graphics/Graphics.h"
#include "zeljpeg/Scopes.h"

TJPEGStreamCompressor* SharedStreamCompressor = nullptr;

VASK_DEFINE_CLASS(TJPEGStreamCompressor)

TClass TJPEGFileCompressor::StaticClass() {
  using B = TJPEGBase;
  using C = TJPEGCompressor;
  static const TClassInfo info = TClassInfo::Make<TJPEGFileCompressor>(
      "TJPEGFileCompressor", inherited::StaticClass(),
      {
          rtti::Int<B>("Warnings", &B::GetWarnings),
          rtti::Int<B>("Trace_Level", &B::GetTraceLevel, &B::SetTraceLevel),
          rtti::Int<B>("PercentDone", &B::GetPercentDone),
          rtti::Bool<C>("GrayscaleOutput", &C::GrayscaleOutput, &C::SetGrayscaleOutput),
          rtti::String<C>("Comment", &C::Comment, &C::SetComment),
          rtti::Int<C>("Quality", &C::Quality, &C::SetQuality, 75),
          rtti::Float<C>("InputGamma", &C::InputGamma, &C::SetInputGamma),
          rtti::Bool<C>("ProgressiveJPEG", &C::ProgressiveJPEG, &C::SetProgressiveJPEG),
          rtti::Enum<C>("DCTMethod", JDctMethodNames(), &C::DCTMethod, &C::SetDCTMethod),
          rtti::Bool<C>("OptimizeCoding", &C::OptimizeCoding, &C::SetOptimizeCoding),
          rtti::Int<C>("RestartInterval", &C::RestartInterval, &C::SetRestartInterval),
          rtti::Int<C>("RestartInRows", &C::RestartInRows, &C::SetRestartInRows),
          rtti::Int<C>("SmoothingFactor", &C::SmoothingFactor, &C::SetSmoothingFactor),
          rtti::Bool<C>("WriteJFIFHeader", &C::WriteJFIFHeader, &C::SetWriteJFIFHeader),
          rtti::Int<C>("DensityUnit", &C::DensityUnit, &C::SetDensityUnit),
          rtti::Int<C>("X_Density", &C::X_Density, &C::SetX_Density),
          rtti::Int<C>("Y_Density", &C::Y_Density, &C::SetY_Density),
          rtti::Bool<C>("WriteAllTables", &C::WriteAllTables, &C::SetWriteAllTables, true),
          rtti::Event<B>("OnProgressReport", &B::OnProgressReport),
          rtti::Event<C>("OnWriteMarkers", &C::OnWriteMarkers),
          rtti::Event<B>("OnWarning", &B::OnWarning),
      });
  return &info;
}

namespace {

[[noreturn]] void NotBitmapOrMetafile() {
  throw Exception("cannot save a picture that is neither a bitmap nor metafile");
}

}  // namespace

TJPEGStreamCompressor::TJPEGStreamCompressor(TComponent* owner) : TJPEGCompressor(owner) {
  SetBufSize(4096);
  SetFreeIn(FBufSize);
  SharedCompressorPlace().Enter(this);
}

TJPEGStreamCompressor::~TJPEGStreamCompressor() {
  SharedCompressorPlace().Leave(this);
}

TSharedPlace<TJPEGStreamCompressor>& SharedCompressorPlace() {
  // Never destroyed: instances that outlive static destruction still leave it.
  static auto* place = new TSharedPlace<TJPEGStreamCompressor>(SharedStreamCompressor);
  return *place;
}

void TJPEGStreamCompressor::SetBufSize(int32_t size) {
  // The codec may point into the buffer while a compression runs, also right
  // after a flush, when the free count equals the size again.
  if (FBuffer && (!Idle() || GetFreeIn() != FBufSize))
    throw Exception("Cannot change buffer size while buffer is in use");
  FBuffer.reset();
  FBufSize = size;
  FBuffer = NewBuffer(size);
}

void TJPEGStreamCompressor::InitDestination() {
  if (!FBuffer) throw Exception("The compressor has no output buffer");
  if (FStream == nullptr) throw Exception("No stream is attached to the compressor");
  SetNextOut(FBuffer.get());
  SetFreeIn(FBufSize);
}

bool TJPEGStreamCompressor::EmptyOutputBuffer() {
  const int32_t written = FStream->Write(FBuffer.get(), FBufSize);
  SetNextOut(FBuffer.get());
  SetFreeIn(FBufSize);
  return written == FBufSize;
}

void TJPEGStreamCompressor::TermDestination() {
  const int32_t count = FBufSize - GetFreeIn();
  const int32_t written = FStream->Write(FBuffer.get(), count);
  SetNextOut(FBuffer.get());
  SetFreeIn(FBufSize);
  // A short final write would leave a truncated datastream behind a call
  // that reports success.
  if (written != count) throw EWriteError();
}

void TJPEGStreamCompressor::SavePictureToStream(TPicture* picture, TStream& stream) {
  TStreamAttachment attachment(*this, stream);
  TGraphic* graphic = picture != nullptr ? picture->Graphic() : nullptr;
  if (Is<TBitmap>(graphic))
    SaveBitMapToStream(picture->Bitmap(), stream);
  else if (Is<TMetafile>(graphic))
    SaveMetaFileToStream(picture->Metafile(), stream, picture->Width(), picture->Height());
  else
    NotBitmapOrMetafile();
}

void TJPEGStreamCompressor::SaveStretchedPictureToStream(TPicture* picture, int32_t width,
                                                         int32_t height, TStream& stream) {
  TStreamAttachment attachment(*this, stream);
  TGraphic* graphic = picture != nullptr ? picture->Graphic() : nullptr;
  if (Is<TBitmap>(graphic))
    SaveStretchedBitMapToStream(picture->Bitmap(), width, height, stream);
  else if (Is<TMetafile>(graphic))
    SaveMetaFileToStream(picture->Metafile(), stream, width, height);
  else
    NotBitmapOrMetafile();
}

void TJPEGStreamCompressor::SaveBitMapToStream(TBitmap* bitmap, TStream& stream) {
  TStreamAttachment attachment(*this, stream);
  WriteBitmap(bitmap);
}

void TJPEGStreamCompressor::SaveStretchedBitMapToStream(TBitmap* bitmap, int32_t width,
                                                        int32_t height, TStream& stream) {
  TStreamAttachment attachment(*this, stream);
  WriteStretchedBitmap(bitmap, width, height);
}

void TJPEGStreamCompressor::SaveMetaFileToStream(TMetafile* metafile, TStream& stream,
                                                 int32_t width, int32_t height) {
  TStreamAttachment attachment(*this, stream);
  WriteMetaFile(metafile, width, height);
}

void TJPEGStreamCompressor::SaveDIBitmapToStream(TStream& stream, const BITMAPINFO& info,
                                                 const void* bits) {
  TStreamAttachment attachment(*this, stream);
  WriteDIBitmap(info, bits);
}

void TJPEGStreamCompressor::SaveRowsToStream(TStream& stream, int32_t width, int32_t height,
                                             const TRowSource& rows) {
  TStreamAttachment attachment(*this, stream);
  WriteRows(width, height, rows);
}

void TJPEGFileCompressor::CheckPicture(TPicture* picture, int32_t width, int32_t height) const {
  if (Busy()) throw Exception(kBusyMessage);
  TGraphic* graphic = picture != nullptr ? picture->Graphic() : nullptr;
  if (Is<TBitmap>(graphic))
    CheckBitmap(picture->Bitmap());
  else if (Is<TMetafile>(graphic))
    CheckMetafile(picture->Metafile(), width, height);
  else
    NotBitmapOrMetafile();
}

void TJPEGFileCompressor::SavePictureToFile(TPicture* picture, const std::string& file_name) {
  CheckPicture(picture, picture != nullptr ? picture->Width() : 0,
               picture != nullptr ? picture->Height() : 0);
  TFileStream file(file_name, fmCreate);
  SavePictureToStream(picture, file);
}

void TJPEGFileCompressor::SaveStretchedPictureToFile(TPicture* picture, int32_t width,
                                                     int32_t height, const std::string& file_name) {
  CheckPicture(picture, width, height);
  TFileStream file(file_name, fmCreate);
  SaveStretchedPictureToStream(picture, width, height, file);
}

void TJPEGFileCompressor::SaveBitmapToFile(TBitmap* bitmap, const std::string& file_name) {
  if (Busy()) throw Exception(kBusyMessage);
  CheckBitmap(bitmap);
  TFileStream file(file_name, fmCreate);
  SaveBitMapToStream(bitmap, file);
}

void TJPEGFileCompressor::SaveStretchedBitmapToFile(TBitmap* bitmap, int32_t width, int32_t height,
                                                    const std::string& file_name) {
  if (Busy()) throw Exception(kBusyMessage);
  CheckBitmap(bitmap);
  TFileStream file(file_name, fmCreate);
  SaveStretchedBitMapToStream(bitmap, width, height, file);
}

void TJPEGFileCompressor::SaveMetafileToFile(TMetafile* metafile, int32_t width, int32_t height,
                                             const std::string& file_name) {
  if (Busy()) throw Exception(kBusyMessage);
  CheckMetafile(metafile, width, height);
  TFileStream file(file_name, fmCreate);
  SaveMetaFileToStream(metafile, file, width, height);
}

void InitZeljpegEncoder() {
  // Once, also when several threads start at the same time.
  static std::once_flag once;
  std::call_once(once, [] { RegisterClass(TJPEGFileCompressor::StaticClass()); });
}
