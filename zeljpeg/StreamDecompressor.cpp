#include "zeljpeg/StreamDecompressor.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

#include "platform/graphics/GdiGuards.h"
#include "zeljpeg/DIBBits.h"
#include "zeljpeg/Scopes.h"
#include "zeljpeg/SharedPlace.h"

// jerror.h needs jpeglib.h first (included through Decompressor.h).
#include <jerror.h>

TJPEGStreamDecompressor* SharedStreamDecompressor = nullptr;

VASK_DEFINE_CLASS(TJPEGStreamDecompressor)

TClass TJPEGFileDecompressor::StaticClass() {
  using C = TJPEGFileDecompressor;
  static const TClassInfo info = TClassInfo::Make<C>(
      "TJPEGFileDecompressor", inherited::StaticClass(),
      {
          rtti::Int<C>("Warnings", &C::GetWarnings),
          rtti::Int<C>("Trace_Level", &C::GetTraceLevel, &C::SetTraceLevel),
          rtti::Int<C>("PercentDone", &C::GetPercentDone),
          rtti::Int<C>("ColoursIn8bitMode", &C::ColoursIn8bitMode, &C::ColoursIn8bitMode, 64),
          rtti::Bool<C>("GrayScaleOutput", &C::GrayScaleOutput, &C::GrayScaleOutput),
          rtti::Event<TJPEGDecompressor>("OnJPEGComment", &TJPEGDecompressor::OnJPEGComment),
          rtti::Event<TJPEGDecompressor>("OnJPEGMarker", &TJPEGDecompressor::OnJPEGMarker),
          rtti::Bool<C>("TwoPassQuantize", &C::TwoPassQuantize, &C::TwoPassQuantize, true),
          rtti::Enum<C>("DitherMode", JDitherModeNames(), &C::DitherMode, &C::DitherMode,
                        JDITHER_FS),
          rtti::Enum<C>("DCTMethod", JDctMethodNames(), &C::DCTMethod, &C::DCTMethod, JDCT_ISLOW),
          rtti::Bool<C>("DoFancyUpSampling", &C::DoFancyUpSampling, &C::DoFancyUpSampling, true),
          rtti::Bool<C>("DoBlockSmoothing", &C::DoBlockSmoothing, &C::DoBlockSmoothing, true),
          rtti::Int<C>("MaxPixels", &C::MaxPixels, &C::MaxPixels, kDefaultMaxPixels),
          rtti::Int<C>("MaxMemory", &C::MaxMemory, &C::MaxMemory, kDefaultMaxMemory),
          rtti::Int<C>("MaxScans", &C::MaxScans, &C::MaxScans, kDefaultMaxScans),
          rtti::Enum<C>("Scale", JPEGScaleNames(), &C::Scale, &C::SetScale, jsFullSize),
          rtti::Int<C>("ScaleNumerator", &C::ScaleNumerator, &C::SetScaleNumerator, 1),
          rtti::Int<C>("ScaleDenominator", &C::ScaleDenominator, &C::SetScaleDenominator, 1),
          rtti::Bool<C>("AutoOrient", &C::AutoOrient, &C::AutoOrient, false),
          rtti::Enum<C>("SaveMarkers", JPEGCopyMarkersNames(), &C::SaveMarkers, &C::SaveMarkers,
                        jcNone),
          rtti::Event<TJPEGBase>("OnProgressReport", &TJPEGBase::OnProgressReport),
          rtti::Event<TJPEGBase>("OnWarning", &TJPEGBase::OnWarning),
      });
  return &info;
}

void InitZeljpegDecoder() {
  // Once, also when several threads start at the same time.
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterClasses({TJPEGStreamDecompressor::StaticClass(), TJPEGFileDecompressor::StaticClass()});
  });
}

namespace {

// The end-of-image marker handed to the codec when the stream runs dry.
const uint8_t kEndOfImage[2] = {0xFF, 0xD9};

}  // namespace

TJPEGStreamDecompressor::TJPEGStreamDecompressor(TComponent* owner) : TJPEGDecompressor(owner) {
  SetBufSize(4096);
  SharedDecompressorPlace().Enter(this);
}

TJPEGStreamDecompressor::~TJPEGStreamDecompressor() {
  SharedDecompressorPlace().Leave(this);
  FBuffer.reset();
}

TSharedPlace<TJPEGStreamDecompressor>& SharedDecompressorPlace() {
  // Never destroyed: instances that outlive static destruction still leave it.
  static auto* place = new TSharedPlace<TJPEGStreamDecompressor>(SharedStreamDecompressor);
  return *place;
}

void TJPEGStreamDecompressor::SetBufSize(int32_t value) {
  if (FBuffer && GetBytesInBuffer() != 0)
    throw Exception("Cannot change buffer size while buffer is in use");
  FBuffer.reset();
  FBufSize = value;
  FBuffer = NewBuffer(value);
}

void TJPEGStreamDecompressor::InitSource() {
  SetBytesInBuffer(0);
  FBytesRead = 0;
  // A window left by a decode that failed is never read again.
  FInPlace.window = nullptr;
}

bool TJPEGStreamDecompressor::StreamMemory(const uint8_t*& data, int64_t& position, int64_t& size) {
  // The two classes themselves only: a descendant may read otherwise.
  const TClass type = FStream->ClassType();
  if (type == TMemoryStream::StaticClass()) {
    data = static_cast<TMemoryStream*>(FStream)->Memory();
  } else if (type == TResourceStream::StaticClass()) {
    data = static_cast<TResourceStream*>(FStream)->Memory();
  } else {
    return false;
  }
  size = FStream->Size();
  position = FStream->Position();
  return data != nullptr && position < size;
}

void TJPEGStreamDecompressor::SyncInPlace() {
  TInPlace& w = FInPlace;
  if (w.window == nullptr) return;
  // Buffered reading refills whenever the codec wants a byte past the end of
  // its buffer, so it has refilled until its buffer's end lies past the
  // codec's next byte (and stops at the stream's end).
  const int64_t next = w.start + w.size - GetBytesInBuffer();
  if (next > w.model_end) {
    const int64_t refills = (next - w.model_end + FBufSize - 1) / FBufSize;
    w.model_end = std::min(w.stream_end, w.model_end + refills * FBufSize);
  }
  FStream->Seek(w.model_end, soFromBeginning);
}

void TJPEGStreamDecompressor::EndInPlace() {
  TInPlace& w = FInPlace;
  if (w.window == nullptr) return;
  SyncInPlace();
  const int64_t next = w.start + w.size - GetBytesInBuffer();
  const int64_t left = std::max<int64_t>(w.model_end - next, 0);  // at most the buffer size
  // Past the window's end the stream's memory goes on up to its end.
  if (left > 0) std::memcpy(FBuffer.get(), w.window + (next - w.start), static_cast<size_t>(left));
  w.window = nullptr;
  SetNextInputByte(FBuffer.get());
  SetBytesInBuffer(static_cast<int32_t>(left));
}

bool TJPEGStreamDecompressor::StreamHeldNoData() {
  try {
    return FStream->Position() == 0;
  } catch (const EStreamError&) {
    // A stream without a position (a pipe): nothing read since the header
    // read began.
    return FBytesRead == 0;
  }
}

bool TJPEGStreamDecompressor::FillInputBuffer() {
  if (FStream == nullptr) throw Exception("No stream is attached to the JPEG decompressor");
  if (!FBuffer) throw Exception("The JPEG decompressor has no read buffer");
  if (FInPlace.window != nullptr) {
    // The window is used up; buffered reading may still hold bytes past it.
    EndInPlace();
    if (GetBytesInBuffer() > 0) return true;
  }
  const uint8_t* data = nullptr;
  int64_t position = 0, size = 0;
  if (StreamMemory(data, position, size)) {
    // The codec's byte count is a 32-bit value on the way: a window of at
    // most 1 GB, followed by the next.
    const int64_t count = std::min<int64_t>(size - position, int64_t{1} << 30);
    FInPlace = TInPlace{data + position, position, count,
                        position + std::min<int64_t>(FBufSize, size - position), size};
    SetNextInputByte(FInPlace.window);
    SetBytesInBuffer(static_cast<int32_t>(count));
    FStream->Seek(FInPlace.model_end, soFromBeginning);
    return true;
  }
  const int32_t count = FStream->Read(FBuffer.get(), FBufSize);
  SetNextInputByte(FBuffer.get());
  SetBytesInBuffer(count > 0 ? count : 0);
  if (count > 0) {
    FBytesRead += count;
    return true;
  }
  jpeg_error_mgr& err = *FDecompress.err;
  j_common_ptr common = reinterpret_cast<j_common_ptr>(&FDecompress);
  if (StreamHeldNoData()) {
    err.msg_code = JERR_INPUT_EOF;
    err.error_exit(common);
    throw Exception("Premature end of input file");  // only if the error exit returned
  }
  err.msg_code = JWRN_JPEG_EOF;
  err.emit_message(common, -1);
  // A fake end-of-image marker lets the codec finish the image from what it
  // has. It lives outside the read buffer, which may be shorter than 2 bytes.
  SetNextInputByte(kEndOfImage);
  SetBytesInBuffer(2);
  return true;
}

void TJPEGStreamDecompressor::SkipInputBytes(int32_t num_bytes) {
  if (num_bytes <= 0) return;
  if (FInPlace.window != nullptr) {
    TInPlace& w = FInPlace;
    SyncInPlace();
    const int64_t next = w.start + w.size - GetBytesInBuffer();
    // Buffered reading seeks past what its buffer holds.
    if (num_bytes > w.model_end - next) w.model_end = next + num_bytes;
    if (num_bytes <= GetBytesInBuffer()) {
      SetNextInputByte(GetNextInputByte() + num_bytes);
      SetBytesInBuffer(GetBytesInBuffer() - num_bytes);
    } else {
      w.window = nullptr;  // the next refill starts where the skip ends
      SetBytesInBuffer(0);
    }
    FStream->Seek(w.model_end, soFromBeginning);
    return;
  }
  const int32_t count = GetBytesInBuffer();
  if (num_bytes > count) {
    SetBytesInBuffer(0);
    int64_t left = num_bytes - count;
    try {
      FStream->Seek(left, soFromCurrent);
      return;
    } catch (const EStreamError&) {
      // A stream that cannot seek (a pipe): read the bytes and drop them.
    }
    while (left > 0) {
      const int32_t n =
          FStream->Read(FBuffer.get(), static_cast<int32_t>(std::min<int64_t>(left, FBufSize)));
      if (n <= 0) break;  // the next refill meets the end of the data
      FBytesRead += n;
      left -= n;
    }
  } else {
    SetNextInputByte(GetNextInputByte() + num_bytes);
    SetBytesInBuffer(count - num_bytes);
  }
}

bool TJPEGStreamDecompressor::ResyncToRestart(int32_t desired) {
  return jpeg_resync_to_restart(&FDecompress, desired) != FALSE;
}

void TJPEGStreamDecompressor::TermSource() {
  EndInPlace();
}

void TJPEGStreamDecompressor::Abort() {
  // A failed decode leaves the stream as buffered reading would, and never
  // looks at the stream's memory again: the caller may free the stream.
  try {
    EndInPlace();
  } catch (...) {
    FInPlace.window = nullptr;
    SetBytesInBuffer(0);
  }
  TJPEGDecompressor::Abort();
}

void TJPEGStreamDecompressor::DoProgress() {
  SyncInPlace();
  TJPEGDecompressor::DoProgress();
}

void TJPEGStreamDecompressor::Warning(int32_t msg_level) {
  SyncInPlace();
  TJPEGDecompressor::Warning(msg_level);
}

bool TJPEGStreamDecompressor::DoJPEGComment(const char* comment) {
  SyncInPlace();
  return TJPEGDecompressor::DoJPEGComment(comment);
}

void TJPEGStreamDecompressor::OpenStream(TStream& stream) {
  // Never decode into a missing buffer (a failed SetBufSize leaves none).
  if (!FBuffer) throw Exception("The JPEG decompressor has no read buffer");
  // Called from one of this component's handlers, it would take the stream
  // away from the conversion that is running.
  if (Busy()) throw Exception(kBusyMessage);
  FStream = &stream;
  try {
    ReadHeader();
    // Until the decode the stream is the caller's again, to read or change.
    EndInPlace();
  } catch (...) {
    CloseStream();
    throw;
  }
}

void TJPEGStreamDecompressor::CloseStream() {
  // Setting a memory stream's position within its bounds cannot fail.
  if (FStream != nullptr) EndInPlace();
  FStream = nullptr;
}

void TJPEGStreamDecompressor::ReadDIBitmapFromStream(TStream& stream, BITMAPINFO* info,
                                                     TJPEGOutputType type, HGLOBAL& bits_handle) {
  bits_handle = nullptr;
  TStreamAttachment attachment(*this, stream);
  TCodecReset reset(*this);
  TGlobalBlock block = AllocateDIBits(*this, type);
  {
    TGlobalLock bits(block.Get());
    ReadDIBitmap(info, type, bits.Data());
  }
  bits_handle = block.Release();
}

void TJPEGStreamDecompressor::ConvertToDIB(TStream& source, TStream& dest, TJPEGOutputType type) {
  TStreamAttachment attachment(*this, source);
  TCodecReset reset(*this);
  const int32_t bits_size = GetDIBitsSize(type);
  TGlobalBlock block = AllocateDIBits(*this, type);
  TGlobalLock bits(block.Get());
  const int32_t info_size = GetBitmapInfoSize(type);
  std::unique_ptr<uint8_t[]> info(new (std::nothrow) uint8_t[static_cast<size_t>(info_size)]());
  if (!info) OutOfMemoryError();
  ReadDIBitmap(reinterpret_cast<BITMAPINFO*>(info.get()), type, bits.Data());

  BITMAPFILEHEADER file_header{};
  file_header.bfType = 0x4D42;  // "BM"
  file_header.bfSize = static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + info_size + bits_size);
  file_header.bfOffBits = static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + info_size);
  dest.WriteBuffer(&file_header, sizeof(BITMAPFILEHEADER));
  dest.WriteBuffer(info.get(), info_size);
  dest.WriteBuffer(bits.Data(), bits_size);
}
