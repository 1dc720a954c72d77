#include "examples/convert/Convert.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "examples/convert/Metadata.h"
#include "examples/convert/Progress.h"
#include "examples/convert/Support.h"
#include "platform/classes/SafeFileStream.h"
#include "platform/classes/Streams.h"
#include "platform/gdi/DibRows.h"
#include "platform/graphics/BmpRows.h"
#include "platform/graphics/GdiGuards.h"
#include "platform/graphics/Graphics.h"

namespace {

// The front of a BMP file of the DIB: file header, information header and
// the colour table (biClrUsed entries, all of them when 0); the rows follow.
// The header fields are those djpeg writes, so that the files compare equal.
// Returns the bytes of the rows.
int64_t WriteBmpHeaders(TStream& out, const BITMAPINFO& info) {
  BITMAPINFOHEADER header = info.bmiHeader;
  const int32_t bit_count = header.biBitCount;
  int32_t colours = 0;
  if (bit_count <= 8) colours = header.biClrUsed != 0 ? header.biClrUsed : 1 << bit_count;
  const int64_t stride = DibRowBytes(header.biWidth, bit_count);
  const int64_t rows_size = stride * (header.biHeight < 0 ? -header.biHeight : header.biHeight);
  const int64_t offset = 14 + 40 + 4 * static_cast<int64_t>(colours);
  if (offset + rows_size > 0xFFFFFFFFLL) throw Exception("The image is too large for a BMP file");
  header.biSize = 40;
  header.biSizeImage = 0;  // may be 0 for uncompressed rows; djpeg writes 0 as well
  header.biClrUsed = static_cast<DWORD>(bit_count <= 8 ? colours : 0);

  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfSize = static_cast<DWORD>(offset + rows_size);
  file.bfOffBits = static_cast<DWORD>(offset);
  out.WriteBuffer(&file, sizeof(file));
  out.WriteBuffer(&header, sizeof(header));
  if (colours > 0) out.WriteBuffer(info.bmiColors, 4 * colours);
  return rows_size;
}

// A BMP file of the DIB: the headers, then exactly the rows' bytes.
void WriteBmp(TStream& out, const BITMAPINFO& info, const uint8_t* bits) {
  const int64_t rows_size = WriteBmpHeaders(out, info);
  // The DIB's rows are bottom-up, as the file's are: one run of bytes,
  // written in pieces (WriteBuffer takes at most 2 GB at once).
  constexpr int64_t kPiece = int64_t{1} << 30;
  for (int64_t written = 0; written < rows_size; written += kPiece)
    out.WriteBuffer(bits + written, static_cast<int32_t>(std::min(kPiece, rows_size - written)));
}

// Decodes 24-bit rows straight into a BMP file, never holding the image:
// the rows, gathered into blocks of about 1 MB, go to their places (the
// decoder gives the top row first, the file stores the bottom row first),
// then the headers go in front.
void DecodeRowsToBmp(TJPEGStreamDecompressor& decompressor, TStream& out) {
  constexpr int64_t kRowsOffset = 14 + 40;  // no colour table at 24 bits
  const int64_t rows_size = decompressor.GetDIBitsSize(jp24bit);
  std::vector<uint8_t> info(static_cast<size_t>(TJPEGDecompressor::GetBitmapInfoSize(jp24bit)));
  std::vector<uint8_t> block;
  int64_t stride = 0, height = 0, capacity = 0, held = 0;
  uint32_t first = 0;  // the top row in the block
  // The rows first .. first + held - 1 fill the end of the block, the top
  // row last: the order of the file.
  auto flush = [&] {
    if (held == 0) return;
    out.Seek(kRowsOffset + (height - first - held) * stride, soFromBeginning);
    out.WriteBuffer(block.data() + (capacity - held) * stride, static_cast<int32_t>(held * stride));
    first += static_cast<uint32_t>(held);
    held = 0;
  };
  decompressor.ReadDIBRows(reinterpret_cast<BITMAPINFO*>(info.data()), jp24bit,
                           [&](uint32_t, const uint8_t* row, size_t bytes) {
                             if (block.empty()) {
                               stride = static_cast<int64_t>(bytes);
                               height = rows_size / stride;
                               capacity = std::max<int64_t>(1, (int64_t{1} << 20) / stride);
                               block.resize(static_cast<size_t>(capacity * stride));
                             }
                             std::memcpy(block.data() + (capacity - 1 - held) * stride, row, bytes);
                             if (++held == capacity) flush();
                           });
  flush();
  out.Seek(0, soFromBeginning);
  WriteBmpHeaders(out, *reinterpret_cast<const BITMAPINFO*>(info.data()));
}

// Also the read buffer: the input is read once, front to back, so the
// read-ahead does not matter, and the codec decodes fastest with many bytes
// at hand.
void ApplyLimits(TJPEGStreamDecompressor& decompressor, const ConvertOptions& o) {
  decompressor.SetBufSize(TJPEGStreamDecompressor::kFastBufSize);
  ApplyDecodeOptions(decompressor, o);
}

// The size of a file, or 0 when it has none (a pipe).
int64_t SizeOf(TStream& stream) {
  try {
    return stream.Size();
  } catch (const EStreamError&) {
    return 0;
  }
}

void ConfigureCompressor(TJPEGStreamCompressor& compressor, const ConvertOptions& o) {
  compressor.SetQuality(o.quality);
  compressor.SetGrayscaleOutput(o.grayscale);
  compressor.SetProgressiveJPEG(o.progressive);
  compressor.SetOptimizeCoding(o.optimize);
  compressor.SetRestartInterval(o.restart_interval);
  compressor.SetRestartInRows(o.restart_rows);
  compressor.SetSmoothingFactor(o.smoothing);
  compressor.SetDCTMethod(o.dct);
  compressor.SetComment(o.comment);
  if (o.has_density) {
    compressor.SetDensityUnit(o.density_unit);
    compressor.SetX_Density(o.x_density);
    compressor.SetY_Density(o.y_density);
  }
  compressor.OnWarning = PrintWarning;
}

// True when a picture loaded from file_name is a TBitmap (by the extension,
// as TPicture decides) and such a bitmap holds true colour: then the BMP
// file's pixels, read as blue-green-red rows, are exactly what the bitmap
// would hand the compressor. On a display of fewer colours the bitmap holds
// the file's pixels reduced to them, and the picture is loaded as before.
bool BmpReadDirectly(const std::string& file_name) {
  const size_t dot = file_name.find_last_of('.');
  const size_t separator = file_name.find_last_of("/\\:");
  if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return false;
  if (TPicture::GraphicClassForExtension(file_name.substr(dot + 1)) != TBitmap::StaticClass())
    return false;
  TWindowDC screen;
  return GetDeviceCaps(screen.Get(), BITSPIXEL) * GetDeviceCaps(screen.Get(), PLANES) >= 24;
}

// Compresses a BMP file row by row as it is read, never holding the image:
// only a block of its rows and the codec's own buffers are in memory.
void EncodeBmpToJpeg(const ConvertOptions& o) {
  TFileStream input(o.input, fmOpenRead);
  TBmpRowReader rows(input, input.Size());
  TJPEGStreamCompressor compressor(nullptr);
  ConfigureCompressor(compressor, o);
  const int64_t pixels = static_cast<int64_t>(rows.Width()) * rows.Height();
  ProgressBar bar("Encoding", o.progress.value_or(StderrIsTerminal() && pixels >= kLargePixels));
  compressor.OnProgressReport = [&](TObject*) { bar.Update(compressor.GetPercentDone()); };

  TSafeFileStream output(o.output);
  compressor.SaveRowsToStream(output, rows.Width(), rows.Height(),
                              [&](uint32_t y) { return rows.Row(static_cast<int32_t>(y)); });
  output.Commit();
}

// The thumbnail of the image whose header decompressor has read (--fit),
// written as a 24-bit BMP file.
void WriteThumbnailBmp(TStream& out, TJPEGDecompressor& decompressor, const ConvertOptions& o) {
  std::unique_ptr<TBitmap> thumbnail(decompressor.ReadThumbnail(o.fit_width, o.fit_height));
  int32_t header_size = 0, image_size = 0;
  GetDIBSizes(thumbnail->Handle(), bm24bit, header_size, image_size);
  std::vector<uint8_t> header(static_cast<size_t>(header_size));
  std::vector<uint8_t> pixels(static_cast<size_t>(image_size));
  Bitmap2DIB(thumbnail.get(), bm24bit, header.data(), pixels.data());
  WriteBmp(out, *reinterpret_cast<const BITMAPINFO*>(header.data()), pixels.data());
}

// A JPEG input decoded by decompressor (scaled or fitted, turned upright
// unless --no-auto-orient) into a bitmap; its segments go to compressor
// unless --strip.
std::unique_ptr<TBitmap> DecodeJpegInput(TJPEGStreamDecompressor& decompressor,
                                         TJPEGCompressor& compressor, const ConvertOptions& o) {
  TFileStream input(o.input, fmOpenRead);
  decompressor.OpenStream(input);
  std::unique_ptr<TBitmap> bitmap(o.fit_width > 0
                                      ? decompressor.ReadThumbnail(o.fit_width, o.fit_height)
                                      : decompressor.ReadBitmap());
  decompressor.CloseStream();
  if (!o.strip) CopyMetadata(decompressor, compressor, decompressor.OrientationApplied() != jtNone);
  return bitmap;
}

}  // namespace

void DecodeToBmp(const ConvertOptions& o) {
  TFileStream input(o.input, fmOpenRead);
  TJPEGStreamDecompressor decompressor(nullptr);
  ApplyLimits(decompressor, o);
  decompressor.DCTMethod = o.dct;
  decompressor.DoFancyUpSampling = o.fancy_upsampling;
  decompressor.DoBlockSmoothing = o.block_smoothing;
  decompressor.TwoPassQuantize = !o.one_pass;
  decompressor.DitherMode = o.dither;
  decompressor.ColoursIn8bitMode = o.colors;

  ProgressBar bar("Decoding",
                  o.progress.value_or(StderrIsTerminal() && SizeOf(input) >= kLargeJpegBytes));
  decompressor.OnProgressReport = [&](TObject*) { bar.Update(decompressor.GetPercentDone()); };

  // The input is read once, front to back, so that a pipe serves as well as
  // a file: the header says whether the image is gray.
  decompressor.OpenStream(input);
  if (o.fit_width > 0) {
    TSafeFileStream output(o.output);
    WriteThumbnailBmp(output, decompressor, o);
    decompressor.CloseStream();
    output.Commit();
    return;
  }
  TJPEGOutputType type = o.type;
  // Without --type, a grayscale JPEG becomes a gray BMP.
  if (!o.type_given && decompressor.JPEGColorSpace() == JCS_GRAYSCALE) type = jpGrayscale;
  // Written through a temporary file that replaces the output only once it
  // is complete.
  if (type == jp24bit) {
    TSafeFileStream output(o.output);
    DecodeRowsToBmp(decompressor, output);
    decompressor.CloseStream();
    output.Commit();
    return;
  }
  // Below 24 bits the colour table, known only when decoding has begun,
  // comes before the rows: decode the rows (a byte a pixel at most) first.
  std::vector<uint8_t> info(static_cast<size_t>(TJPEGDecompressor::GetBitmapInfoSize(type)), 0);
  // The decoder fills every row it makes, padding included, and the file
  // takes only those rows: the block needs no zeroing.
  const size_t bits_size = static_cast<size_t>(decompressor.GetDIBitsSize(type));
  std::unique_ptr<uint8_t[]> bits(new (std::nothrow) uint8_t[bits_size]);
  if (!bits) OutOfMemoryError();
  BITMAPINFO* header = reinterpret_cast<BITMAPINFO*>(info.data());
  decompressor.ReadDIBitmap(header, type, bits.get());
  decompressor.CloseStream();
  TSafeFileStream output(o.output);
  WriteBmp(output, *header, bits.get());
  output.Commit();
}

void EncodeToJpeg(const ConvertOptions& o) {
  if (BmpReadDirectly(o.input)) {
    EncodeBmpToJpeg(o);
    return;
  }
  // A JPEG input is decoded by this decompressor, with its limits and
  // warning handler, also when several conversions run on several threads.
  TJPEGStreamDecompressor decompressor(nullptr);
  ApplyLimits(decompressor, o);
  TJPEGStreamCompressor compressor(nullptr);
  // A JPEG input is decoded here, so that its segments are kept and the
  // scale and orientation apply.
  TPicture picture;
  std::unique_ptr<TBitmap> decoded;
  if (TJPEGBitmap::HasJPEGExtension(o.input))
    decoded = DecodeJpegInput(decompressor, compressor, o);
  else
    picture.LoadFromFile(o.input);

  ConfigureCompressor(compressor, o);
  const int64_t pixels = decoded ? static_cast<int64_t>(decoded->Width()) * decoded->Height()
                                 : static_cast<int64_t>(picture.Width()) * picture.Height();
  ProgressBar bar("Encoding", o.progress.value_or(StderrIsTerminal() && pixels >= kLargePixels));
  compressor.OnProgressReport = [&](TObject*) { bar.Update(compressor.GetPercentDone()); };

  TSafeFileStream output(o.output);
  if (decoded)
    compressor.SaveBitMapToStream(decoded.get(), output);
  else
    compressor.SavePictureToStream(&picture, output);
  output.Commit();
}
