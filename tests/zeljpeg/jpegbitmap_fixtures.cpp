#include "tests/zeljpeg/jpegbitmap_fixtures.h"

#include <cstdlib>
#include <cstring>

#include "tests/zeljpeg/decode_fixtures.h"

namespace jpegbitmaptest {

void JPEGBitmapTest::SetUp() {
  delete SharedStreamDecompressor;
  delete SharedStreamCompressor;
  GdiFixture::SetUp();
}

void JPEGBitmapTest::TearDown() {
  delete SharedStreamDecompressor;
  delete SharedStreamCompressor;
  EXPECT_EQ(SharedStreamDecompressor, nullptr);
  EXPECT_EQ(SharedStreamCompressor, nullptr);
  GdiFixture::TearDown();
}

std::string ColourPpm(int w, int h) {
  return decodetest::Ppm(w, h, 7);
}

std::string ColourJpeg(int w, int h, const std::string& args) {
  return decodetest::CJpeg(ColourPpm(w, h), args);
}

std::vector<uint32_t> PnmPixels(const std::string& pnm, int& width, int& height) {
  std::vector<uint32_t> out;
  width = height = 0;
  int maxval = 0;
  char kind[3] = {};
  int consumed = 0;
  if (std::sscanf(pnm.c_str(), "%2s %d %d %d%n", kind, &width, &height, &maxval, &consumed) != 4)
    return out;
  const bool colour = std::strcmp(kind, "P6") == 0;
  size_t pos = static_cast<size_t>(consumed) + 1;
  const size_t need = static_cast<size_t>(width) * height * (colour ? 3 : 1);
  if (pos + need > pnm.size()) return out;
  for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
    const auto* p = reinterpret_cast<const uint8_t*>(pnm.data() + pos + i * (colour ? 3 : 1));
    out.push_back(colour ? (p[0] << 16 | p[1] << 8 | p[2]) : (p[0] << 16 | p[0] << 8 | p[0]));
  }
  return out;
}

int MaxChannelDiff(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  if (a.size() != b.size()) return 1000;
  int worst = 0;
  for (size_t i = 0; i < a.size(); ++i)
    for (int shift = 0; shift < 24; shift += 8)
      worst = std::max(worst, std::abs(static_cast<int>((a[i] >> shift) & 255) -
                                       static_cast<int>((b[i] >> shift) & 255)));
  return worst;
}

double MeanChannelDiff(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  if (a.size() != b.size() || a.empty()) return 1000;
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i)
    for (int shift = 0; shift < 24; shift += 8)
      sum += std::abs(static_cast<int>((a[i] >> shift) & 255) -
                      static_cast<int>((b[i] >> shift) & 255));
  return sum / (3.0 * static_cast<double>(a.size()));
}

std::vector<uint32_t> BitmapPixels(TBitmap& bitmap) {
  const int w = bitmap.Width(), h = bitmap.Height();
  Dib dib(w, h, 24, true);
  HDC screen = GetDC(nullptr);
  HPALETTE old = nullptr;
  if (bitmap.Palette() != nullptr) old = SelectPalette(screen, bitmap.Palette(), FALSE);
  RealizePalette(screen);
  const int lines = GetDIBits(screen, bitmap.Handle(), 0, static_cast<UINT>(h), dib.bits.data(),
                              dib.Info(), DIB_RGB_COLORS);
  if (old != nullptr) SelectPalette(screen, old, FALSE);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(lines, h);
  std::vector<uint32_t> out;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) out.push_back(dib.Rgb(x, y));
  return out;
}

bool StartsWith(const std::string& bytes, const char* prefix, size_t n) {
  return bytes.size() >= n && std::memcmp(bytes.data(), prefix, n) == 0;
}

}  // namespace jpegbitmaptest
