#include "zeljpeg/StreamDecompressor.h"

#include <algorithm>
#include <mutex>
#include <new>

#include "platform/graphics/GdiGuards.h"
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

void TJPEGStreamDecompressor::TermSource() {}

void TJPEGStreamDecompressor::OpenStream(TStream& stream) {
  // Never decode into a missing buffer (a failed SetBufSize leaves none).
  if (!FBuffer) throw Exception("The JPEG decompressor has no read buffer");
  // Called from one of this component's handlers, it would take the stream
  // away from the conversion that is running.
  if (Busy()) throw Exception(kBusyMessage);
  FStream = &stream;
  try {
    ReadHeader();
  } catch (...) {
    CloseStream();
    throw;
  }
}

void TJPEGStreamDecompressor::CloseStream() {
  FStream = nullptr;
}

void TJPEGStreamDecompressor::ReadDIBitmapFromStream(TStream& stream, BITMAPINFO* info,
                                                     TJPEGOutputType type, HGLOBAL& bits_handle) {
  bits_handle = nullptr;
  TStreamAttachment attachment(*this, stream);
  TCodecReset reset(*this);
  TGlobalBlock block = AllocateGlobalBlock(static_cast<size_t>(GetDIBitsSize(type)));
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
  TGlobalBlock block = AllocateGlobalBlock(static_cast<size_t>(bits_size));
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
