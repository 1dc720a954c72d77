// Fixtures for the decoder tests: datastream surgery, BMP files taken apart,
// and decodes that report their failures. Pictures and the codec's tools
// come from tests/support/Pictures.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/classes/Streams.h"
#include "tests/support/Pictures.h"
#include "tests/support/TestSupport.h"
#include "zeljpeg/StreamDecompressor.h"

namespace decodetest {

// The datastream with the frame size of its first SOF0/SOF2 segment replaced.
std::string WithFrameSize(std::string jpeg, int width, int height);

// A JPEG made with the codec's compression API from rows of components
// samples in in_space, stored in jpeg_space: a CMYK or YCCK image from CMYK
// samples, or a two-component one (JCS_UNKNOWN), which no tool writes.
std::string ApiJpeg(int w, int h, int components, J_COLOR_SPACE in_space, J_COLOR_SPACE jpeg_space);
inline std::string CmykJpeg(int w, int h) {
  return ApiJpeg(w, h, 4, JCS_CMYK, JCS_CMYK);
}

// jpeg with a segment inserted right after the SOI (and APP0 when present):
// the marker code (0xFE for COM, 0xE0 + n for APPn), the length field
// (payload size + 2 unless length is given) and payload.
std::string InsertSegment(const std::string& jpeg, int marker, const std::string& payload,
                          int length = -1);

// A BMP file split into its parts.
struct Bmp {
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  std::vector<RGBQUAD> colours;  // biClrUsed entries (256 when 0 at <= 8 bits)
  std::string bits;              // from bfOffBits to the end
};
Bmp ParseBmp(const std::string& bytes);

// Decodes jpeg with ConvertToDIB and returns the BMP file.
std::string ConvertToBmp(TJPEGStreamDecompressor& d, const std::string& jpeg, TJPEGOutputType type);

// A stream decompressor with its protected state reachable from tests.
class TProbeDecompressor : public TJPEGStreamDecompressor {
 public:
  using TJPEGStreamDecompressor::TJPEGStreamDecompressor;
  jpeg_decompress_struct& Codec() { return FDecompress; }
  jpeg_progress_mgr& ProgressMgr() { return Progress(); }
  int32_t BytesInBuffer() const { return GetBytesInBuffer(); }
  void EmitMessage(int code, int level) {
    FDecompress.err->msg_code = code;
    FDecompress.err->emit_message(reinterpret_cast<j_common_ptr>(&FDecompress), level);
  }
};

// Decodes bytes as type with ConvertToDIB; returns the (never empty) message
// of the Exception it raised, or "" on success. Anything that is not an
// Exception fails the test.
std::string DecodeError(TProbeDecompressor& d, const std::string& bytes, TJPEGOutputType type);

// The component is idle with no stream attached, and decodes good as 24 bits
// into the BMP file expected.
void ExpectHealthy(TProbeDecompressor& d, const std::string& good, const std::string& expected);

}  // namespace decodetest
