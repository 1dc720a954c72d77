// Fixtures for the encoder tests: DIBs built in memory (each block exactly as
// large as it must be, so ASan catches any read past it), streams that record
// or refuse writes, and datastream parsing. Pictures and the codec's tools
// come from tests/support/Pictures.h.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/classes/Streams.h"
#include "tests/support/Pictures.h"
#include "tests/support/TestSupport.h"
#include "zeljpeg/StreamCompressor.h"

namespace encodetest {

// A DIB: header block (40-byte header + colour table) and pixel rows, each in
// its own exactly-sized heap block.
struct Dib {
  std::vector<uint8_t> header;
  std::vector<uint8_t> bits;
  const BITMAPINFO& Info() const { return *reinterpret_cast<const BITMAPINFO*>(header.data()); }
  BITMAPINFOHEADER& Header() { return *reinterpret_cast<BITMAPINFOHEADER*>(header.data()); }
  const void* Bits() const { return bits.empty() ? nullptr : bits.data(); }
};

// The picture restricted to the colours of palette (nearest index).
std::vector<int> Quantise(const RgbImage& image, const std::vector<Rgb>& palette);

// A 24-bit bottom-up DIB of image.
Dib Dib24(const RgbImage& image);
// 8-bit / 4-bit DIBs: indices top-down, row-major; palette padded with
// black to 256 / 16 entries.
Dib Dib8(int width, int height, const std::vector<int>& indices, const std::vector<Rgb>& palette);
Dib Dib4(int width, int height, const std::vector<int>& indices, const std::vector<Rgb>& palette);
// A DIB header of another bit count with rows of the right size (zeros).
Dib DibOfBitCount(int width, int height, int bit_count);

// The image expanded through the palette.
RgbImage FromIndices(int width, int height, const std::vector<int>& indices,
                     const std::vector<Rgb>& palette);

// rdjpgcom's report of the comments in jpeg.
std::string RdJpgCom(const std::string& jpeg);

// The segments of a datastream up to (and including) the first SOS, then
// every further marker found by scanning entropy data.
struct Segment {
  int marker = 0;     // 0xD8 for SOI, 0xE0 for APP0, ...
  size_t offset = 0;  // of the FF byte
  size_t length = 0;  // the segment's length field (0 for markers without one)
};
std::vector<Segment> Segments(const std::string& jpeg);
int CountMarkers(const std::string& jpeg, int marker);
// Number of components in the frame header, and the SOF marker (0xC0..0xC2).
int FrameComponents(const std::string& jpeg);
int FrameMarker(const std::string& jpeg);

// A memory stream that records the size of every write.
class TRecordingStream : public TMemoryStream {
 public:
  int32_t Write(const void* buffer, int32_t count) override;
  std::vector<int32_t> writes;
};

// A stream that accepts limit bytes in total and then writes short (or, with
// throw_instead, raises EWriteError "Disk full").
class TFailingStream : public TMemoryStream {
 public:
  TFailingStream(int64_t limit, bool throw_instead) : limit_(limit), throw_(throw_instead) {}
  int32_t Write(const void* buffer, int32_t count) override;

 private:
  int64_t limit_;
  bool throw_;
};

// Compresses a DIB into a fresh memory stream and returns the bytes.
std::string Compress(TJPEGStreamCompressor& c, const Dib& dib);

// A stream compressor with its protected state reachable from tests.
class TProbeCompressor : public TJPEGStreamCompressor {
 public:
  using TJPEGStreamCompressor::TJPEGStreamCompressor;
  jpeg_progress_mgr& ProgressMgr() { return Progress(); }
};

}  // namespace encodetest
