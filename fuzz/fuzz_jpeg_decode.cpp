// JPEG data through every decoding front end of the stream decompressor and
// TJPEGBitmap, with each output type, the decompressor's options (scaling,
// EXIF auto-orientation and kept segments among them), the three display
// formats and handlers for markers, comments, warnings and progress.
//
// Input: four option bytes, then the JPEG data.
//   byte 0: bits 0-2 front end, bits 3-4 output type, bits 5-6 display
//           format, bit 7 GrayScaleOutput
//   byte 1: bits 0-1 DCT method, bit 2 fancy upsampling, bit 3 block
//           smoothing, bit 4 two-pass quantising, bits 5-6 dither mode,
//           bit 7 a 16-byte read buffer instead of 4096 bytes
//   byte 2: bits 0-1 colours in 8-bit mode, bit 2 abort half-way from the
//           progress handler, bit 3 the marker handler raises for APP15,
//           bit 4 the marker handler reads odd-numbered segments itself
//   byte 3: bits 0-3 scale numerator - 1 (over 8), bit 4 AutoOrient, bits 5-6
//           kept segments (none, comments, all, all), bit 7 a thumbnail
//           (ReadThumbnail into a 40 x 30 box) instead of the front end
#include <cstring>
#include <memory>

#include "fuzz/FuzzSupport.h"
#include "platform/gdi/GdiTest.h"
#include "zeljpeg/Zeljpeg.h"

namespace {

// The most pixel bytes (24-bit DIB size) this harness decodes. A caller with
// a memory budget checks the size after the header the same way; larger
// images only slow the search down. Images above the library's own limit
// still reach it: GetDIBitsSize raises EOutOfMemory for them.
constexpr int32_t kPixelBudget = 3 << 20;

TJPEGStreamDecompressor& Decoder() {
  // Constructed first, so it is also the instance TJPEGBitmap borrows.
  static TJPEGStreamDecompressor* decoder = new TJPEGStreamDecompressor(nullptr);
  return *decoder;
}

struct Options {
  int front_end;
  TJPEGOutputType type;
  gditest::DisplayFormat display;
  bool abort_half_way;
  bool raise_on_app15;
  bool read_odd_markers;
  bool thumbnail;
};

void Configure(TJPEGStreamDecompressor& d, TFuzzInput& in, Options& o) {
  const uint8_t b0 = in.Take(), b1 = in.Take(), b2 = in.Take(), b3 = in.Take();
  o.front_end = b0 & 7;
  o.type = static_cast<TJPEGOutputType>((b0 >> 3) & 3);
  static constexpr gditest::DisplayFormat kDisplays[] = {
      gditest::DisplayFormat::TrueColour32, gditest::DisplayFormat::Palette8,
      gditest::DisplayFormat::Colours16, gditest::DisplayFormat::TrueColour32};
  o.display = kDisplays[(b0 >> 5) & 3];
  d.GrayScaleOutput = (b0 & 0x80) != 0;
  static constexpr J_DCT_METHOD kMethods[] = {JDCT_ISLOW, JDCT_IFAST, JDCT_FLOAT, JDCT_ISLOW};
  d.DCTMethod = kMethods[b1 & 3];
  d.DoFancyUpSampling = (b1 & 4) != 0;
  d.DoBlockSmoothing = (b1 & 8) != 0;
  d.TwoPassQuantize = (b1 & 16) != 0;
  static constexpr J_DITHER_MODE kDither[] = {JDITHER_NONE, JDITHER_ORDERED, JDITHER_FS,
                                              JDITHER_FS};
  d.DitherMode = kDither[(b1 >> 5) & 3];
  const int32_t buffer = (b1 & 0x80) ? 16 : 4096;
  try {
    if (d.BufSize() != buffer) d.SetBufSize(buffer);
  } catch (const Exception&) {
    // Bytes of the last image are still buffered: keep the size.
  }
  static constexpr int32_t kColours[] = {8, 16, 64, 256};
  d.ColoursIn8bitMode = kColours[b2 & 3];
  o.abort_half_way = (b2 & 4) != 0;
  o.raise_on_app15 = (b2 & 8) != 0;
  o.read_odd_markers = (b2 & 16) != 0;
  d.SetScaleNumerator((b3 & 15) + 1);
  d.SetScaleDenominator(8);
  d.AutoOrient = (b3 & 16) != 0;
  static constexpr TJPEGCopyMarkers kKept[] = {jcNone, jcComments, jcAll, jcAll};
  d.SaveMarkers = kKept[(b3 >> 5) & 3];
  o.thumbnail = (b3 & 0x80) != 0;
}

void Decode(TJPEGStreamDecompressor& d, const Options& o, TStream& stream) {
  if (o.thumbnail) {
    d.OpenStream(stream);
    std::unique_ptr<TBitmap> thumbnail(d.ReadThumbnail(40, 30));
    d.CloseStream();
    return;
  }
  switch (o.front_end) {
    case 0:
    case 5: {
      TMemoryStream out;
      d.ConvertToDIB(stream, out, o.type);
      break;
    }
    case 1:
    case 6: {
      std::unique_ptr<uint8_t[]> info(new uint8_t[TJPEGDecompressor::GetBitmapInfoSize(o.type)]());
      HGLOBAL bits = nullptr;
      d.ReadDIBitmapFromStream(stream, reinterpret_cast<BITMAPINFO*>(info.get()), o.type, bits);
      if (bits != nullptr) GlobalFree(bits);
      break;
    }
    case 2: {
      std::unique_ptr<TBitmap> bitmap(d.ReadBitMapFromStream(stream));
      break;
    }
    case 3:
    case 7: {
      TJPEGBitmap jpeg;
      jpeg.LoadFromStream(stream);
      break;
    }
    case 4: {
      TPicture picture;
      d.LoadPictureFromStream(&picture, stream);
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInit();
  TJPEGStreamDecompressor& d = Decoder();
  TFuzzInput in(data, size);
  Options o{};
  Configure(d, in, o);
  gditest::ScopedDisplay display(o.display);

  size_t comment_bytes = 0;
  int warnings = 0;
  d.OnWarning = [&](const char* text) { warnings += text[0] != 0; };
  d.OnJPEGComment = [&](TJPEGBase*, const char* text) { comment_bytes += std::strlen(text); };
  d.OnJPEGMarker = [&](TJPEGBase* sender, int marker, bool& done) {
    if (o.raise_on_app15 && marker == 15) throw Exception("marker handler refuses APP15");
    if (!o.read_odd_markers || marker % 2 == 0) return;
    auto* decoder = static_cast<TJPEGDecompressor*>(sender);
    int length = decoder->GetByte() << 8;
    length |= decoder->GetByte();
    for (int i = 2; i < length; ++i) decoder->GetByte();
    done = true;
  };
  d.OnProgressReport = [&](TObject*) {
    if (o.abort_half_way && d.GetPercentDone() >= 50) d.Abort();
  };

  TMemoryStream stream;
  stream.WriteBuffer(in.Rest(), static_cast<int32_t>(in.RestSize()));

  RunChecked([&] {
    // The caller's size check: header first, then decode from the start.
    stream.SetPosition(0);
    d.OpenStream(stream);
    d.CloseStream();
    int32_t size = 0;
    try {
      size = d.GetDIBitsSize(jp24bit);
    } catch (...) {
      d.Abort();
      throw;
    }
    d.Abort();
    if (size > kPixelBudget) return;
    stream.SetPosition(0);
    Decode(d, o, stream);
  });
  d.OnWarning = nullptr;
  d.OnJPEGComment = nullptr;
  d.OnJPEGMarker = nullptr;
  d.OnProgressReport = nullptr;
  return 0;
}
