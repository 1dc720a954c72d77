#include "zeljpeg/Decompressor.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <numbers>
#include <optional>
#include <vector>

#include "platform/gdi/DibRows.h"
#include "zeljpeg/DIBBits.h"
#include "zeljpeg/OrientedRows.h"
#include "zeljpeg/Scopes.h"

TClass TJPEGDecompressor::StaticClass() {
  static const TClassInfo info =
      TClassInfo::Make<TJPEGDecompressor>("TJPEGDecompressor", inherited::StaticClass());
  return &info;
}

void JPEGInitSource(j_decompress_ptr cinfo) {
  JPEGOwner<TJPEGDecompressor>(cinfo).InitSource();
}

boolean JPEGFillInputBuffer(j_decompress_ptr cinfo) {
  return JPEGOwner<TJPEGDecompressor>(cinfo).FillInputBuffer() ? TRUE : FALSE;
}

void JPEGSkipInputData(j_decompress_ptr cinfo, long num_bytes) {
  // The codec never skips more than a segment (64 KB) at once.
  JPEGOwner<TJPEGDecompressor>(cinfo).SkipInputBytes(
      static_cast<int32_t>(std::clamp<long>(num_bytes, -1, INT32_MAX)));
}

boolean JPEGResyncToRestart(j_decompress_ptr cinfo, int desired) {
  return JPEGOwner<TJPEGDecompressor>(cinfo).ResyncToRestart(desired) ? TRUE : FALSE;
}

void JPEGTermSource(j_decompress_ptr cinfo) {
  JPEGOwner<TJPEGDecompressor>(cinfo).TermSource();
}

boolean JPEGHandleComment(j_decompress_ptr cinfo) {
  return JPEGOwner<TJPEGDecompressor>(cinfo).HandleJPEGComment() ? TRUE : FALSE;
}

boolean JPEGHandleAPPMarker(j_decompress_ptr cinfo) {
  return JPEGOwner<TJPEGDecompressor>(cinfo).HandleAPPMarker() ? TRUE : FALSE;
}

TJPEGDecompressor::TJPEGDecompressor(TComponent* owner) : TJPEGBase(owner) {
  InitJPEGObject();
  FSource.reset(new (std::nothrow) jpeg_source_mgr{});
  if (!FSource) OutOfMemoryError();
  FDecompress.src = FSource.get();
  FSource->init_source = JPEGInitSource;
  FSource->fill_input_buffer = JPEGFillInputBuffer;
  FSource->skip_input_data = JPEGSkipInputData;
  FSource->resync_to_restart = JPEGResyncToRestart;
  FSource->term_source = JPEGTermSource;
  FSource->next_input_byte = nullptr;
  FSource->bytes_in_buffer = 0;
  jpeg_set_marker_processor(&FDecompress, JPEG_COM, JPEGHandleComment);
  for (int marker = JPEG_APP0 + 1; marker <= JPEG_APP0 + 13; ++marker)
    jpeg_set_marker_processor(&FDecompress, marker, JPEGHandleAPPMarker);
  jpeg_set_marker_processor(&FDecompress, JPEG_APP0 + 15, JPEGHandleAPPMarker);
}

TJPEGDecompressor::~TJPEGDecompressor() {
  // The codec object is a member of this class: destroy it while it exists.
  DestroyJPEGObject();
}

void TJPEGDecompressor::CreateJPEGObject(jpeg_error_mgr& err) {
  FDecompress.err = &err;
  FDecompress.client_data = static_cast<TObject*>(this);
  FJPEGObject = reinterpret_cast<jpeg_common_struct*>(&FDecompress);
  jpeg_Create_Decompress(FDecompress);
}

void TJPEGDecompressor::InitSource() {
  AbstractError();
}
bool TJPEGDecompressor::FillInputBuffer() {
  AbstractError();
}
void TJPEGDecompressor::SkipInputBytes(int32_t) {
  AbstractError();
}
bool TJPEGDecompressor::ResyncToRestart(int32_t) {
  AbstractError();
}
void TJPEGDecompressor::TermSource() {
  AbstractError();
}

const uint8_t* TJPEGDecompressor::GetNextInputByte() const {
  return FSource->next_input_byte;
}
void TJPEGDecompressor::SetNextInputByte(const uint8_t* p) {
  FSource->next_input_byte = p;
}
int32_t TJPEGDecompressor::GetBytesInBuffer() const {
  return static_cast<int32_t>(FSource->bytes_in_buffer);
}
void TJPEGDecompressor::SetBytesInBuffer(int32_t count) {
  FSource->bytes_in_buffer = static_cast<size_t>(std::max(count, 0));
}

void TJPEGDecompressor::AssignSettings(const TJPEGDecompressor& source) {
  SetTraceLevel(source.GetTraceLevel());
  DCTMethod = source.DCTMethod;
  DoFancyUpSampling = source.DoFancyUpSampling;
  DoBlockSmoothing = source.DoBlockSmoothing;
  TwoPassQuantize = source.TwoPassQuantize;
  DitherMode = source.DitherMode;
  ColoursIn8bitMode = source.ColoursIn8bitMode;
  GrayScaleOutput = source.GrayScaleOutput;
  MaxPixels = source.MaxPixels;
  MaxMemory = source.MaxMemory;
  MaxScans = source.MaxScans;
  AutoOrient = source.AutoOrient;
  SaveMarkers = source.SaveMarkers;
  SetScaleNumerator(source.FScaleNumerator);
  SetScaleDenominator(source.FScaleDenominator);
}

uint8_t TJPEGDecompressor::GetByte() {
  if (FSource->bytes_in_buffer == 0) {
    if (!FillInputBuffer() || FSource->bytes_in_buffer == 0)
      throw Exception("Read beyond end of JPEG source");
  }
  uint8_t b = *FSource->next_input_byte++;
  FSource->bytes_in_buffer--;
  return b;
}

bool TJPEGDecompressor::HandleJPEGComment() {
  uint16_t length = static_cast<uint16_t>(GetByte() << 8);
  length = static_cast<uint16_t>(length | GetByte());
  uint16_t n = static_cast<uint16_t>(length - 2);  // 0 and 1 wrap to 65534 and 65535
  if (n == 0) return true;
  std::unique_ptr<char[]> text(new (std::nothrow) char[n + 1u]);
  if (!text) OutOfMemoryError();
  for (unsigned i = 0; i < n; ++i) text[i] = static_cast<char>(GetByte());
  text[n] = '\0';
  if (WantsSegment(JPEG_COM))
    KeepSegment(JPEG_COM, reinterpret_cast<const uint8_t*>(text.get()), n);
  return DoJPEGComment(text.get());
}

bool TJPEGDecompressor::DoJPEGComment(const char* comment) {
  if (OnJPEGComment) OnJPEGComment(this, comment);
  return true;
}

void TJPEGDecompressor::DoProgress() {
  // The callers of the codec reset it when this raises.
  if (MaxScans > 0 && FDecompress.input_scan_number > MaxScans)
    throw Exception(Format("Too many scans in JPEG image (> %d)", static_cast<int>(MaxScans)));
  TJPEGBase::DoProgress();
}

bool TJPEGDecompressor::HandleAPPMarker() {
  bool done = false;
  if (OnJPEGMarker) OnJPEGMarker(this, FDecompress.unread_marker - JPEG_APP0, done);
  if (done) return true;
  const int marker = FDecompress.unread_marker;
  uint16_t length = static_cast<uint16_t>(GetByte() << 8);
  length = static_cast<uint16_t>(length | GetByte());
  uint16_t n = static_cast<uint16_t>(length - 2);
  if (!WantsSegment(marker)) {
    for (unsigned i = 0; i < n; ++i) GetByte();
    return true;
  }
  std::vector<uint8_t> data(n);
  for (unsigned i = 0; i < n; ++i) data[i] = GetByte();
  KeepSegment(marker, data.data(), data.size());
  return true;
}

int32_t TJPEGDecompressor::GetDIBitsSize(TJPEGOutputType type) const {
  const int64_t width = OutputWidth();
  const int64_t height = OutputHeight();
  CheckPixelLimit(width, height, MaxPixels);
  const int64_t size = RowBytes(type) * height;
  if (size > INT32_MAX)
    throw Exception(Format("Image of %lld x %lld pixels is too large for a DIB",
                           static_cast<long long>(width), static_cast<long long>(height)));
  return static_cast<int32_t>(size);
}

int64_t TJPEGDecompressor::RowBytes(TJPEGOutputType type) const {
  // Two pixels a byte at 4 bits; otherwise one byte a sample.
  const int bits = type == jp4bit ? 4 : 8 * FDecompress.output_components;
  return DibRowBytes(OutputWidth(), bits);
}

int32_t TJPEGDecompressor::GetBitmapInfoSize(TJPEGOutputType type) {
  static constexpr int32_t kEntries[] = {0, 256, 16, 64};
  return static_cast<int32_t>(sizeof(BITMAPINFOHEADER)) + 4 * kEntries[type & 3];
}

namespace {

// The codec's memory limit for a MaxMemory value: 0 for none, and at most
// what its field holds (a long has 32 bits on Windows).
long MemoryLimit(int64_t max_memory) {
  if (max_memory <= 0) return 0;
  return static_cast<long>(std::min<int64_t>(max_memory, std::numeric_limits<long>::max()));
}

// The output type's name in the messages that refuse an image.
const char* OutputTypeText(TJPEGOutputType type) {
  switch (type) {
    case jp24bit:
      return "24-bit colour";
    case jp8bit:
      return "8-bit colour";
    case jp4bit:
      return "4-bit colour";
    case jpGrayscale:
    default:
      return "grayscale";
  }
}

// Raised when the source callbacks ask the codec to suspend, which a
// component that reads whole images at once cannot do.
[[noreturn]] void SourceSuspended() {
  throw Exception("Read beyond end of JPEG source");
}

// The 64 grays of jpGrayscale output: round(255 x sin(i x pi / 126)).
const uint8_t* GrayTable() {
  static const auto table = [] {
    struct {
      uint8_t v[64];
    } t{};
    for (int i = 0; i < 64; ++i)
      t.v[i] = static_cast<uint8_t>(std::nearbyint(255.0 * std::sin(i * std::numbers::pi / 126.0)));
    return t;
  }();
  return table.v;
}

}  // namespace

void TJPEGDecompressor::ReadHeader() {
  TConversionScope conversion(*this, kBusyMessage);
  // Also for exceptions that do not come from the codec (event handlers,
  // stream failures): the codec object must not stay half-way through.
  TCodecReset reset(*this);
  // A header read before and never decoded (OpenStream without a decode) is
  // dropped: the codec reads a header only from its start state.
  if (!Idle()) jpeg_abort_decompress(&FDecompress);
  FDecompress.mem->max_memory_to_use = MemoryLimit(MaxMemory);
  BeginHeader();
  if (jpeg_read_header(&FDecompress, TRUE) != JPEG_HEADER_OK) SourceSuspended();
  EndHeader();
  // Colour output comes blue first, as DIB pixels are stored.
  if (FDecompress.out_color_space == JCS_RGB) FDecompress.out_color_space = JCS_EXT_BGR;
  FDecompress.do_fancy_upsampling = DoFancyUpSampling ? TRUE : FALSE;
  FDecompress.dct_method = DCTMethod;
  FDecompress.do_block_smoothing = DoBlockSmoothing ? TRUE : FALSE;
  FDecompress.two_pass_quantize = TwoPassQuantize ? TRUE : FALSE;
  FDecompress.dither_mode = DitherMode;
  // The header read set the scale back to 1/1; this recomputes the sizes.
  ApplyScale();
}

void TJPEGDecompressor::ReadDIBitmap(BITMAPINFO* info, TJPEGOutputType type, void* bits) {
  TConversionScope conversion(*this, kBusyMessage);
  TCodecReset reset(*this);
  uint8_t* const base = static_cast<uint8_t*>(bits);
  if (OrientationApplied() != jtNone) {
    DecodeRows(info, type, nullptr, nullptr, base);
    return;
  }
  // The first decoded row is the top of the image: it goes to the last row of
  // the bottom-up DIB.
  DecodeRows(
      info, type,
      [&](uint32_t y, int64_t row_bytes) {
        return base + row_bytes * (FDecompress.output_height - 1 - y);
      },
      nullptr);
}

void TJPEGDecompressor::ReadDIBRows(BITMAPINFO* info, TJPEGOutputType type,
                                    const TRowWriter& write) {
  TConversionScope conversion(*this, kBusyMessage);
  TCodecReset reset(*this);
  DecodeStrips(info, type, [&](uint32_t top, uint32_t count, const uint8_t* rows) {
    // The strip is a bottom-up DIB: its last row is the first in the image.
    const size_t row_bytes = static_cast<size_t>(RowBytes(type));
    for (uint32_t k = 0; k < count; ++k)
      write(top + k, rows + row_bytes * (count - 1 - k), row_bytes);
  });
}

namespace {
// The size of the strips a bitmap is filled in through SetDIBits: large
// enough to make few calls, small enough for the processor's cache.
constexpr int64_t kStripBytes = 128 * 1024;
}  // namespace

void TJPEGDecompressor::DecodeStrips(BITMAPINFO* info, TJPEGOutputType type,
                                     const TStripWriter& put) {
  if (OrientationApplied() != jtNone) {
    // A turned image has its top row only once every row is decoded.
    TGlobalBlock bits = AllocateDIBits(*this, type);
    TGlobalLock pixels(bits.Get());
    uint8_t* const dib = static_cast<uint8_t*>(pixels.Data());
    DecodeRows(info, type, nullptr, nullptr, dib);
    put(0, OutputHeight(), dib);
    return;
  }
  const uint32_t height = OutputHeight();
  std::vector<uint8_t> strip;
  uint32_t strip_rows = 0;
  // Row y of the image goes into the strip that starts at the row
  // y - y % strip_rows, upside down within it.
  auto strip_top = [&](uint32_t y) { return y - y % strip_rows; };
  auto strip_count = [&](uint32_t y) { return std::min(strip_rows, height - strip_top(y)); };
  // The strip is handed out once its last row is decoded.
  const TRowWriter strip_done = [&](uint32_t y, const uint8_t*, size_t) {
    if (y - strip_top(y) + 1 == strip_count(y)) put(strip_top(y), strip_count(y), strip.data());
  };
  DecodeRows(
      info, type,
      [&](uint32_t y, int64_t row_bytes) {
        if (strip.empty()) {
          strip_rows = static_cast<uint32_t>(
              std::clamp<int64_t>(kStripBytes / row_bytes, 1, static_cast<int64_t>(height)));
          try {
            strip.resize(static_cast<size_t>(row_bytes) * strip_rows);
          } catch (const std::bad_alloc&) {
            OutOfMemoryError();
          }
        }
        const uint32_t index = strip_count(y) - 1 - (y - strip_top(y));
        return strip.data() + row_bytes * index;
      },
      &strip_done);
}

void TJPEGDecompressor::CheckOutputType(TJPEGOutputType type) const {
  const jpeg_decompress_struct& d = FDecompress;
  if (d.out_color_space == JCS_GRAYSCALE) {
    if (type != jpGrayscale) throw Exception("Image is Grayscale but colour output requested");
    return;
  }
  // Every other type needs the three colour components of a YCbCr or RGB
  // image: 24-bit rows hold three samples, the quantiser's colour map has
  // one row per component, and gray is converted from colour.
  if (d.jpeg_color_space == JCS_CMYK || d.jpeg_color_space == JCS_YCCK)
    throw Exception(
        Format("Image is CMYK or YCCK; %s output is not possible", OutputTypeText(type)));
  if (d.num_components != 3)
    throw Exception(Format("Image has %d colour components; %s output needs %s", d.num_components,
                           OutputTypeText(type), type == jpGrayscale ? "1 or 3" : "3"));
}

void TJPEGDecompressor::FillBitmapInfo(BITMAPINFO* info, TJPEGOutputType type) const {
  const jpeg_decompress_struct& d = FDecompress;
  BITMAPINFOHEADER& h = info->bmiHeader;
  std::memset(&h, 0, sizeof h);
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = static_cast<LONG>(OutputWidth());
  h.biHeight = static_cast<LONG>(OutputHeight());
  h.biPlanes = 1;
  h.biBitCount = static_cast<WORD>(d.output_components >= 3 ? 8 * d.output_components
                                   : type == jp4bit         ? 4
                                                            : 8);
  if (h.biBitCount <= 8) {
    // The table area follows the 40-byte header; addressed through a plain
    // pointer because BITMAPINFO declares it as one entry.
    RGBQUAD* table = reinterpret_cast<RGBQUAD*>(reinterpret_cast<uint8_t*>(info) + sizeof h);
    if (d.out_color_space == JCS_GRAYSCALE) {
      h.biClrUsed = 64;
      const uint8_t* gray = GrayTable();
      for (int i = 0; i < 64; ++i) table[i] = RGBQUAD{gray[i], gray[i], gray[i], 0};
    } else {
      const int capacity = type == jp4bit ? 16 : 256;
      const int count = d.colormap != nullptr ? std::min(d.actual_number_of_colors, capacity) : 0;
      h.biClrUsed = static_cast<DWORD>(count);
      // Blue from row 0 and red from row 2, except for an RGB-ordered map.
      const int blue = d.out_color_space == JCS_RGB ? 2 : 0;
      for (int i = 0; i < count; ++i)
        table[i] = RGBQUAD{d.colormap[blue][i], d.colormap[1][i], d.colormap[2 - blue][i], 0};
    }
  }
}

void TJPEGDecompressor::DecodeRows(BITMAPINFO* info, TJPEGOutputType type, const TRowPlace& place,
                                   const TRowWriter* written, uint8_t* oriented_dib) {
  jpeg_decompress_struct& d = FDecompress;
  CheckOutputType(type);
  CheckPixelLimit(d.output_width, d.output_height, MaxPixels);
  switch (type) {
    case jp24bit:
      break;
    case jp8bit:
    case jp4bit:
      d.quantize_colors = TRUE;
      d.desired_number_of_colors = type == jp8bit ? ColoursIn8bitMode : 16;
      // Quantised output holds indices, not samples. The one-pass quantiser
      // shares its colour levels out green first, then red, then blue only
      // for plain RGB output, so the quantiser works in RGB and the colour
      // table below reads the map's rows in reverse.
      if (d.out_color_space == JCS_EXT_BGR) d.out_color_space = JCS_RGB;
      break;
    case jpGrayscale:
      d.out_color_space = JCS_GRAYSCALE;
      break;
  }
  if (!jpeg_start_decompress(&d)) SourceSuspended();

  // What the buffers were sized for: 3 bytes a pixel for jp24bit (4 when
  // the decode fills a device bitmap's 32-bit rows), 1 otherwise.
  const int expected_components = type != jp24bit ? 1 : d.out_color_space == JCS_EXT_BGRX ? 4 : 3;
  if (d.output_components != expected_components)
    throw Exception(Format("Image has %d output components; the DIB needs %d", d.output_components,
                           expected_components));
  // The colour table is final once decoding has started (the two-pass
  // quantiser chooses it in a pass of its own), so the header is complete
  // before the first row is handed out.
  FillBitmapInfo(info, type);
  const uint32_t width = d.output_width;
  const uint32_t height = d.output_height;
  const int64_t row_size = RowBytes(type);
  // The samples of a row; the bytes after them up to row_size are padding.
  const int64_t samples = static_cast<int64_t>(width) * d.output_components;
  // A turned image is placed by TOrientedRows into the whole DIB at
  // oriented_dib, which also packs 4-bit indices and shifts gray levels.
  std::optional<TOrientedRows> oriented;
  if (oriented_dib != nullptr)
    oriented.emplace(OrientationApplied(), width, height,
                     type == jp24bit  ? 24
                     : type == jp4bit ? 4
                                      : 8,
                     type == jpGrayscale, oriented_dib, row_size);
  std::unique_ptr<uint8_t[]> row_buffer;
  if (type == jp4bit && !oriented) {
    row_buffer.reset(new (std::nothrow) uint8_t[width]());
    if (!row_buffer) OutOfMemoryError();
  }
  FAbortRequested = false;
  while (d.output_scanline < height) {
    if (oriented) {
      JSAMPROW target = oriented->Row();
      if (jpeg_read_scanlines(&d, &target, 1) != 1) SourceSuspended();
      oriented->Done();
      if (FAbortRequested) {
        Abort();
        throw Exception("User Interrupt");
      }
      continue;
    }
    const uint32_t y = d.output_scanline;
    uint8_t* row = place(y, row_size);
    JSAMPROW target = type == jp4bit ? row_buffer.get() : row;
    if (jpeg_read_scanlines(&d, &target, 1) != 1) SourceSuspended();
    // The rows need not come zeroed: their padding is written here.
    if (type != jp4bit && samples < row_size)
      std::memset(row + samples, 0, static_cast<size_t>(row_size - samples));
    if (type == jp4bit) {
      const uint8_t* s = row_buffer.get();
      for (int64_t k = 0; k < row_size; ++k) {
        const uint32_t x = static_cast<uint32_t>(2 * k);
        const uint8_t hi = x < width ? s[x] : 0;
        const uint8_t lo = x + 1 < width ? s[x + 1] : 0;
        row[k] = static_cast<uint8_t>((hi << 4) | (lo & 0x0F));
      }
    } else if (type == jpGrayscale) {
      for (int64_t k = 0; k < row_size; ++k) row[k] = static_cast<uint8_t>(row[k] >> 2);
    }
    if (written != nullptr) (*written)(y, row, static_cast<size_t>(row_size));
    if (FAbortRequested) {
      Abort();
      throw Exception("User Interrupt");
    }
  }
  row_buffer.reset();

  jpeg_progress_mgr& progress = Progress();
  progress.pass_counter = 0;
  progress.completed_passes = progress.total_passes;
  DoProgress();
  if (!jpeg_finish_decompress(&d)) SourceSuspended();
}
