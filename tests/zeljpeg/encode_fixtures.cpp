#include "tests/zeljpeg/encode_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "tests/support/TestSupport.h"

namespace encodetest {

std::vector<int> Quantise(const RgbImage& image, const std::vector<Rgb>& palette) {
  std::vector<int> indices;
  indices.reserve(image.pixels.size());
  for (const Rgb& p : image.pixels) {
    int best = 0;
    int best_distance = 1 << 30;
    for (size_t i = 0; i < palette.size(); ++i) {
      const int dr = p.r - palette[i].r, dg = p.g - palette[i].g, db = p.b - palette[i].b;
      const int d = dr * dr + dg * dg + db * db;
      if (d < best_distance) best_distance = d, best = static_cast<int>(i);
    }
    indices.push_back(best);
  }
  return indices;
}

namespace {

int Stride(int width, int bit_count) {
  return ((width * bit_count + 7) / 8 + 3) & ~3;
}

Dib MakeDib(int width, int height, int bit_count, int table_entries) {
  Dib dib;
  dib.header.assign(sizeof(BITMAPINFOHEADER) + 4 * table_entries, 0);
  BITMAPINFOHEADER& h = dib.Header();
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = static_cast<WORD>(bit_count);
  h.biCompression = BI_RGB;
  const int rows = std::max(height, 0);
  h.biSizeImage = static_cast<DWORD>(Stride(std::max(width, 0), bit_count) * rows);
  dib.bits.assign(h.biSizeImage, 0);
  return dib;
}

void SetTable(Dib& dib, const std::vector<Rgb>& palette, int entries) {
  for (int i = 0; i < entries && i < static_cast<int>(palette.size()); ++i) {
    uint8_t* e = dib.header.data() + sizeof(BITMAPINFOHEADER) + 4 * i;
    e[0] = palette[i].b;
    e[1] = palette[i].g;
    e[2] = palette[i].r;
    e[3] = 0;
  }
}

}  // namespace

Dib Dib24(const RgbImage& image) {
  Dib dib = MakeDib(image.width, image.height, 24, 0);
  const int stride = Stride(image.width, 24);
  for (int y = 0; y < image.height; ++y) {
    uint8_t* row = dib.bits.data() + static_cast<size_t>(image.height - 1 - y) * stride;
    for (int x = 0; x < image.width; ++x) {
      const Rgb p = image.At(x, y);
      row[3 * x] = p.b;
      row[3 * x + 1] = p.g;
      row[3 * x + 2] = p.r;
    }
  }
  return dib;
}

Dib Dib8(int width, int height, const std::vector<int>& indices, const std::vector<Rgb>& palette) {
  Dib dib = MakeDib(width, height, 8, 256);
  SetTable(dib, palette, 256);
  const int stride = Stride(width, 8);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = dib.bits.data() + static_cast<size_t>(height - 1 - y) * stride;
    for (int x = 0; x < width; ++x) row[x] = static_cast<uint8_t>(indices[y * width + x]);
  }
  return dib;
}

Dib Dib4(int width, int height, const std::vector<int>& indices, const std::vector<Rgb>& palette) {
  Dib dib = MakeDib(width, height, 4, 16);
  SetTable(dib, palette, 16);
  const int stride = Stride(width, 4);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = dib.bits.data() + static_cast<size_t>(height - 1 - y) * stride;
    for (int x = 0; x < width; ++x) {
      const int v = indices[y * width + x] & 15;
      row[x / 2] |= static_cast<uint8_t>(x % 2 == 0 ? v << 4 : v);
    }
  }
  return dib;
}

Dib DibOfBitCount(int width, int height, int bit_count) {
  const int entries = bit_count <= 8 ? (1 << bit_count) : 0;
  return MakeDib(width, height, bit_count, entries);
}

RgbImage FromIndices(int width, int height, const std::vector<int>& indices,
                     const std::vector<Rgb>& palette) {
  RgbImage image;
  image.width = width;
  image.height = height;
  for (int i : indices) image.pixels.push_back(palette[i]);
  return image;
}

std::string RdJpgCom(const std::string& jpeg) {
  return RunFilter("rdjpgcom", jpeg);
}

std::vector<Segment> Segments(const std::string& jpeg) {
  std::vector<Segment> out;
  const auto* d = reinterpret_cast<const uint8_t*>(jpeg.data());
  const size_t n = jpeg.size();
  size_t i = 0;
  bool in_scan = false;
  while (i + 1 < n) {
    if (in_scan) {
      // Entropy-coded data: FF 00 is a stuffed byte; FF D0..D7 restarts.
      if (d[i] != 0xFF || d[i + 1] == 0x00) {
        ++i;
        continue;
      }
      if (d[i + 1] >= 0xD0 && d[i + 1] <= 0xD7) {
        out.push_back({d[i + 1], i, 0});
        i += 2;
        continue;
      }
      in_scan = false;
    }
    if (d[i] != 0xFF) break;
    const int marker = d[i + 1];
    if (marker == 0xFF) {
      ++i;
      continue;
    }
    if (marker == 0xD8 || marker == 0xD9 || (marker >= 0xD0 && marker <= 0xD7)) {
      out.push_back({marker, i, 0});
      i += 2;
      if (marker == 0xD9) break;
      continue;
    }
    if (i + 3 >= n) break;
    const size_t length = static_cast<size_t>(d[i + 2]) << 8 | d[i + 3];
    out.push_back({marker, i, length});
    i += 2 + length;
    if (marker == 0xDA) in_scan = true;
  }
  return out;
}

int CountMarkers(const std::string& jpeg, int marker) {
  int count = 0;
  for (const Segment& s : Segments(jpeg))
    if (s.marker == marker) ++count;
  return count;
}

int FrameMarker(const std::string& jpeg) {
  for (const Segment& s : Segments(jpeg))
    if (s.marker >= 0xC0 && s.marker <= 0xC2) return s.marker;
  return 0;
}

int FrameComponents(const std::string& jpeg) {
  for (const Segment& s : Segments(jpeg))
    if (s.marker >= 0xC0 && s.marker <= 0xC2) return static_cast<uint8_t>(jpeg[s.offset + 9]);
  return 0;
}

int32_t TRecordingStream::Write(const void* buffer, int32_t count) {
  writes.push_back(count);
  return TMemoryStream::Write(buffer, count);
}

int32_t TFailingStream::Write(const void* buffer, int32_t count) {
  const int64_t room = std::max<int64_t>(0, limit_ - Size());
  if (count <= room) return TMemoryStream::Write(buffer, count);
  if (throw_) throw EWriteError("Disk full");
  return TMemoryStream::Write(buffer, static_cast<int32_t>(room));
}

std::string Compress(TJPEGStreamCompressor& c, const Dib& dib) {
  TMemoryStream stream;
  c.SaveDIBitmapToStream(stream, dib.Info(), dib.Bits());
  return StreamBytes(stream);
}

}  // namespace encodetest
