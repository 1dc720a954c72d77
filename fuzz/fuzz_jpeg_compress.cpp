// DIBs handed to the compressor: a fuzzed BITMAPINFOHEADER and colour table
// with the pixel rows a caller would pass for that header, compressed with
// fuzzed settings into a memory stream.
//
// Input: two option bytes, the 40-byte header, then bytes that fill the
// colour table and the pixel rows (repeated when short).
//   byte 0: bits 0-1 quality (5, 50, 75, 100), bit 2 progressive, bit 3
//           grayscale output, bit 4 optimised coding, bit 5 restart interval
//           of 1 MCU, bit 6 restart every row, bit 7 smoothing
//   byte 1: bits 0-1 DCT method, bit 2 comment, bit 3 extra markers, bit 4
//           a DIB at its own header size when that is larger than 40
#include <cstring>
#include <memory>

#include "fuzz/FuzzSupport.h"
#include "zeljpeg/Zeljpeg.h"

namespace {

// The most pixel-row bytes this harness allocates for one header.
constexpr int64_t kRowsBudget = 1 << 20;

TJPEGStreamCompressor& Encoder() {
  static TJPEGStreamCompressor* encoder = new TJPEGStreamCompressor(nullptr);
  return *encoder;
}

void Fill(uint8_t* target, size_t count, const uint8_t* source, size_t source_size) {
  if (source_size == 0) {
    std::memset(target, 0x5A, count);
    return;
  }
  for (size_t i = 0; i < count; ++i) target[i] = source[i % source_size];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInit();
  TJPEGStreamCompressor& c = Encoder();
  TFuzzInput in(data, size);
  const uint8_t b0 = in.Take(), b1 = in.Take();
  static constexpr int32_t kQualities[] = {5, 50, 75, 100};
  c.SetQuality(kQualities[b0 & 3]);
  c.SetProgressiveJPEG((b0 & 4) != 0);
  c.SetGrayscaleOutput((b0 & 8) != 0);
  c.SetOptimizeCoding((b0 & 16) != 0);
  c.SetRestartInterval((b0 & 32) ? 1 : 0);
  c.SetRestartInRows((b0 & 64) ? 1 : 0);
  c.SetSmoothingFactor((b0 & 128) ? 30 : 0);
  static constexpr J_DCT_METHOD kMethods[] = {JDCT_ISLOW, JDCT_IFAST, JDCT_FLOAT, JDCT_ISLOW};
  c.SetDCTMethod(kMethods[b1 & 3]);
  c.SetComment((b1 & 4) ? "fuzz" : "");
  c.OnWriteMarkers = nullptr;
  if (b1 & 8) {
    c.OnWriteMarkers = [&c](TObject*) {
      static const uint8_t payload[] = {'F', 'u', 'z', 'z', 0};
      c.WriteMarker(JPEG_APP0 + 4, payload, sizeof payload);
    };
  }
  c.OnWarning = [](const char*) {};

  BITMAPINFOHEADER header{};
  uint8_t raw[sizeof header] = {};
  for (uint8_t& b : raw) b = in.Take();
  std::memcpy(&header, raw, sizeof header);
  // Without bit 4 the DIB is laid out with the 40-byte header, and says so:
  // a header that claims more bytes than its caller gave cannot be checked.
  if (!(b1 & 16) && header.biSize > sizeof header) {
    header.biSize = sizeof header;
    std::memcpy(raw, &header, sizeof header);
  }

  // What a caller allocates for this header: the header area (its own size
  // when it says it is larger, up to a sane bound), the full colour table of
  // its bit count, and Round4(row) x rows of pixels.
  const size_t header_area = (b1 & 16) && header.biSize > sizeof header && header.biSize <= 1024
                                 ? header.biSize
                                 : sizeof header;
  const size_t table_entries = header.biBitCount <= 8 ? (size_t{1} << header.biBitCount) : 0;
  const int64_t width = header.biWidth < 0 ? -int64_t{header.biWidth} : header.biWidth;
  const int64_t height = header.biHeight < 0 ? -int64_t{header.biHeight} : header.biHeight;
  const int64_t row = ((width * header.biBitCount + 31) / 32) * 4;
  if (row > kRowsBudget || (height > 0 && row * height > kRowsBudget)) return 0;
  const size_t rows_size = static_cast<size_t>(row * height);

  const size_t info_size = header_area + 4 * table_entries;
  std::unique_ptr<uint8_t[]> info(new uint8_t[info_size]);
  std::memcpy(info.get(), raw, sizeof header);
  Fill(info.get() + sizeof header, info_size - sizeof header, in.Rest(), in.RestSize());
  std::unique_ptr<uint8_t[]> bits(new uint8_t[rows_size]);
  Fill(bits.get(), rows_size, in.Rest(), in.RestSize());

  TMemoryStream out;
  RunChecked([&] {
    c.SaveDIBitmapToStream(out, *reinterpret_cast<const BITMAPINFO*>(info.get()), bits.get());
  });
  return 0;
}
