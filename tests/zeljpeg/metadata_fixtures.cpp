#include "tests/zeljpeg/metadata_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/support/TestSupport.h"

namespace metatest {

namespace {

void Put16(std::string& out, int v, bool little) {
  const char lo = static_cast<char>(v & 0xFF), hi = static_cast<char>((v >> 8) & 0xFF);
  out += little ? lo : hi;
  out += little ? hi : lo;
}

void Put32(std::string& out, uint32_t v, bool little) {
  Put16(out, static_cast<int>(little ? v & 0xFFFF : v >> 16), little);
  Put16(out, static_cast<int>(little ? v >> 16 : v & 0xFFFF), little);
}

}  // namespace

std::string ExifPayload(int orientation, bool little) {
  std::string tiff = little ? "II" : "MM";
  Put16(tiff, 42, little);
  Put32(tiff, 8, little);  // IFD0 right after the header
  Put16(tiff, 3, little);
  // ImageWidth (LONG), Orientation (SHORT), ResolutionUnit (SHORT).
  Put16(tiff, 0x0100, little);
  Put16(tiff, 4, little);
  Put32(tiff, 1, little);
  Put32(tiff, 640, little);
  Put16(tiff, 0x0112, little);
  Put16(tiff, 3, little);
  Put32(tiff, 1, little);
  Put16(tiff, orientation, little);
  Put16(tiff, 0, little);
  Put16(tiff, 0x0128, little);
  Put16(tiff, 3, little);
  Put32(tiff, 1, little);
  Put16(tiff, 2, little);
  Put16(tiff, 0, little);
  Put32(tiff, 0, little);  // no next IFD
  return std::string("Exif\0\0", 6) + tiff;
}

std::vector<Segment> Segments(const std::string& jpeg) {
  std::vector<Segment> out;
  size_t at = 2;  // after SOI
  while (at + 4 <= jpeg.size() && static_cast<uint8_t>(jpeg[at]) == 0xFF) {
    const int marker = static_cast<uint8_t>(jpeg[at + 1]);
    const size_t length = static_cast<size_t>(static_cast<uint8_t>(jpeg[at + 2]) << 8 |
                                              static_cast<uint8_t>(jpeg[at + 3]));
    if (length < 2 || at + 2 + length > jpeg.size()) break;
    out.push_back({marker, jpeg.substr(at + 4, length - 2)});
    if (marker == 0xDA) break;  // SOS
    at += 2 + length;
  }
  return out;
}

std::vector<Segment> ExtraSegments(const std::string& jpeg) {
  std::vector<Segment> out;
  for (const Segment& s : Segments(jpeg)) {
    const bool jfif = s.marker == 0xE0 && s.payload.compare(0, 5, std::string("JFIF\0", 5)) == 0;
    if (s.marker == 0xFE || (s.marker >= 0xE0 && s.marker <= 0xEF && !jfif)) out.push_back(s);
  }
  return out;
}

std::string Pillow(const std::string& mode, const std::string& jpeg) {
  return RunFilter(std::string("/usr/bin/python3 ") + VASK_SOURCE_DIR +
                       "/tests/zeljpeg/pillow_oracle.py " + mode,
                   jpeg);
}

std::string PnmRgb(const std::string& pnm, int* width, int* height) {
  char kind[3] = {};
  int w = 0, h = 0, maxval = 0, consumed = 0;
  if (std::sscanf(pnm.c_str(), "%2s %d %d %d%n", kind, &w, &h, &maxval, &consumed) != 4) return "";
  const bool colour = std::strcmp(kind, "P6") == 0;
  const size_t start = static_cast<size_t>(consumed) + 1;
  const size_t count = static_cast<size_t>(w) * h;
  if (pnm.size() < start + count * (colour ? 3 : 1)) return "";
  if (width != nullptr) *width = w;
  if (height != nullptr) *height = h;
  if (colour) return pnm.substr(start, count * 3);
  std::string out;
  for (size_t i = 0; i < count; ++i) out.append(3, pnm[start + i]);
  return out;
}

std::string BmpRgb(const decodetest::Bmp& bmp) {
  const int w = bmp.info.biWidth, h = bmp.info.biHeight, bits = bmp.info.biBitCount;
  if (bits != 24 && bits != 8 && bits != 4) return "";
  const size_t stride = ((static_cast<size_t>(w) * bits + 31) / 32) * 4;
  if (bmp.bits.size() < stride * h) return "";
  std::string out;
  for (int y = 0; y < h; ++y) {
    const auto* row = reinterpret_cast<const uint8_t*>(bmp.bits.data()) + stride * (h - 1 - y);
    for (int x = 0; x < w; ++x) {
      if (bits == 24) {
        out += static_cast<char>(row[3 * x + 2]);
        out += static_cast<char>(row[3 * x + 1]);
        out += static_cast<char>(row[3 * x]);
        continue;
      }
      const int index = bits == 8 ? row[x] : (x % 2 ? row[x / 2] & 15 : row[x / 2] >> 4);
      const RGBQUAD& c = bmp.colours.at(static_cast<size_t>(index));
      out += static_cast<char>(c.rgbRed);
      out += static_cast<char>(c.rgbGreen);
      out += static_cast<char>(c.rgbBlue);
    }
  }
  return out;
}

int MaxDifference(const std::string& a, const std::string& b) {
  if (a.size() != b.size() || a.empty()) return 256;
  int worst = 0;
  for (size_t i = 0; i < a.size(); ++i)
    worst = std::max(worst, std::abs(static_cast<uint8_t>(a[i]) - static_cast<uint8_t>(b[i])));
  return worst;
}

std::string DjpegRgb(const std::string& jpeg, const std::string& args) {
  return PnmRgb(DJpeg(jpeg, args));
}

}  // namespace metatest
