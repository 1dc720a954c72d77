#include "tests/zeljpeg/jpegbitmap_fixtures.h"

#include <cstdlib>
#include <cstring>

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

std::string ColourJpeg(int w, int h, const std::string& args) {
  return CJpeg(Ppm(w, h, kColourSeed), args);
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
