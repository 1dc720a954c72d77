#include "examples/convert/Convert.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "examples/convert/Progress.h"
#include "platform/classes/SafeFileStream.h"
#include "platform/classes/Streams.h"
#include "platform/gdi/DibRows.h"
#include "platform/graphics/GdiGuards.h"
#include "platform/graphics/Graphics.h"

namespace {

// Inputs from this size (bytes of JPEG, or pixels) get a progress bar when
// standard error is a terminal.
constexpr int64_t kLargeJpegBytes = 512 * 1024;
constexpr int64_t kLargePixels = 2'000'000;

void PrintWarning(const char* message) {
  std::fprintf(stderr, "zeljpeg-convert: warning: %s\n", message);
}

// A BMP file of the DIB: file header, information header, the colour table
// (biClrUsed entries, all of them when 0) and exactly the rows' bytes. The
// header fields are those djpeg writes, so that the files compare equal.
void WriteBmp(TStream& out, const BITMAPINFO& info, const uint8_t* bits) {
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
  // Written a row at a time: WriteBuffer takes at most 2 GB at once.
  for (int64_t written = 0; written < rows_size; written += stride)
    out.WriteBuffer(bits + written, static_cast<int32_t>(stride));
}

void ApplyLimits(TJPEGDecompressor& decompressor, const ConvertOptions& o) {
  decompressor.MaxPixels = o.max_pixels;
  decompressor.MaxMemory = o.max_memory;
  decompressor.MaxScans = o.max_scans;
}

// The size of a file, or 0 when it has none (a pipe).
int64_t SizeOf(TStream& stream) {
  try {
    return stream.Size();
  } catch (const EStreamError&) {
    return 0;
  }
}

// Writes the content to file_name through a temporary file in its folder,
// so that a failed write leaves an existing file as it was.
void SaveSafely(TMemoryStream& content, const std::string& file_name) {
  TSafeFileStream file(file_name);
  content.SaveToStream(file);
  file.Commit();
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
  decompressor.OnWarning = PrintWarning;

  ProgressBar bar("Decoding",
                  o.progress.value_or(StderrIsTerminal() && SizeOf(input) >= kLargeJpegBytes));
  decompressor.OnProgressReport = [&](TObject*) { bar.Update(decompressor.GetPercentDone()); };

  // The input is read once, front to back, so that a pipe serves as well as
  // a file: the header says whether the image is gray.
  decompressor.OpenStream(input);
  TJPEGOutputType type = o.type;
  // Without --type, a grayscale JPEG becomes a gray BMP.
  if (!o.type_given && decompressor.JPEGColorSpace() == JCS_GRAYSCALE) type = jpGrayscale;
  std::vector<uint8_t> info(static_cast<size_t>(TJPEGDecompressor::GetBitmapInfoSize(type)), 0);
  const TGlobalBlock bits =
      AllocateGlobalBlock(static_cast<size_t>(decompressor.GetDIBitsSize(type)));
  TMemoryStream bmp;
  {
    TGlobalLock lock(bits.Get());
    auto* pixels = static_cast<uint8_t*>(lock.Data());
    BITMAPINFO* header = reinterpret_cast<BITMAPINFO*>(info.data());
    decompressor.ReadDIBitmap(header, type, pixels);
    WriteBmp(bmp, *header, pixels);
  }
  decompressor.CloseStream();
  SaveSafely(bmp, o.output);
}

void EncodeToJpeg(const ConvertOptions& o) {
  // A JPEG input is decoded by this decompressor, with its limits and
  // warning handler, also when several conversions run on several threads.
  TJPEGStreamDecompressor decompressor(nullptr);
  ApplyLimits(decompressor, o);
  decompressor.OnWarning = PrintWarning;
  TPicture picture;
  if (TJPEGBitmap::HasJPEGExtension(o.input)) {
    TFileStream input(o.input, fmOpenRead);
    decompressor.LoadPictureFromStream(&picture, input);
  } else {
    picture.LoadFromFile(o.input);
  }

  TJPEGStreamCompressor compressor(nullptr);
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

  const int64_t pixels = static_cast<int64_t>(picture.Width()) * picture.Height();
  ProgressBar bar("Encoding", o.progress.value_or(StderrIsTerminal() && pixels >= kLargePixels));
  compressor.OnProgressReport = [&](TObject*) { bar.Update(compressor.GetPercentDone()); };

  TMemoryStream jpeg;
  compressor.SavePictureToStream(&picture, jpeg);
  SaveSafely(jpeg, o.output);
}
