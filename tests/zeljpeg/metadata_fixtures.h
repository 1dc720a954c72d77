// Fixtures for the tests of orientation, metadata, scaling and lossless
// transforms: EXIF data built by its published layout, the segments of a
// datastream, and Pillow as an independent reader.
#pragma once

#include <string>
#include <vector>

#include "tests/zeljpeg/decode_fixtures.h"

namespace metatest {

// An APP1 payload: "Exif", two zero bytes, then a TIFF structure in the
// given byte order whose IFD0 holds three entries, the second of them the
// orientation tag (type SHORT, one value), and a next-IFD offset of 0.
std::string ExifPayload(int orientation, bool little_endian = true);

// The segments of a datastream from SOI to its first SOS, in order: the
// marker code (0xE0 + n for APPn, 0xFE for COM, ...) and the payload
// without the length field.
struct Segment {
  int marker;
  std::string payload;
};
std::vector<Segment> Segments(const std::string& jpeg);
// Only the COM and APPn segments (n = 1 to 15, and APP0 that is not JFIF).
std::vector<Segment> ExtraSegments(const std::string& jpeg);

// tests/zeljpeg/pillow_oracle.py run on jpeg with mode "upright" (a PPM of
// the image turned upright by ImageOps.exif_transpose), "metadata" (the
// hex of its icc_profile and exif, one line each) or "orientation".
std::string Pillow(const std::string& mode, const std::string& jpeg);

// The pixels of a PPM (P6) or PGM (P5) as top-down RGB bytes (gray
// repeated), and those of a BMP of ours (24-bit, or 8 or 4 bits through its
// colour table) the same way; "" for what they cannot read.
std::string PnmRgb(const std::string& pnm, int* width = nullptr, int* height = nullptr);
std::string BmpRgb(const decodetest::Bmp& bmp);

// The largest difference of two samples at the same place in a and b (pixel
// strings as above); 256 when their sizes differ.
int MaxDifference(const std::string& a, const std::string& b);

// jpeg decoded by djpeg with args, as PnmRgb.
std::string DjpegRgb(const std::string& jpeg, const std::string& args = "");

}  // namespace metatest
