// DIB <-> device-dependent bitmap conversion: exact round trips at every
// depth, top-down rows, header-only queries, and the preconditions that
// GetDIBits enforces.
#include <cstring>

#include "platform/gdi/BitmapRows.h"
#include "tests/support/GdiFixture.h"

namespace {

class GdiDib : public GdiFixture {};

uint32_t Pattern(int x, int y) {
  return ((x * 37 + y * 11) & 0xFF) << 16 | ((x * 5 + y * 91) & 0xFF) << 8 | ((x ^ y) * 13 & 0xFF);
}

TEST_F(GdiDib, TwentyFourBitRoundTripThroughTrueColourBitmapIsExact) {
  for (bool top_down : {false, true}) {
    Dib in(13, 7, 24, top_down);  // odd width: padded rows
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 13; ++x) in.SetRgb(x, y, Pattern(x, y));
    HDC screen = GetDC(nullptr);
    HBITMAP bmp =
        CreateDIBitmap(screen, &in.Header(), CBM_INIT, in.bits.data(), in.Info(), DIB_RGB_COLORS);
    ASSERT_NE(bmp, nullptr);
    BITMAP bm{};
    ASSERT_EQ(GetObjectA(bmp, sizeof bm, &bm), int(sizeof bm));
    EXPECT_EQ(bm.bmWidth, 13);
    EXPECT_EQ(bm.bmHeight, 7);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(bm.bmPlanes, 1);

    gditest::RawBitmap raw;
    ASSERT_TRUE(gditest::ReadBitmap(bmp, raw));
    EXPECT_EQ(raw.pixels[4 * 13 * 2 + 4 * 3 + 2], (Pattern(3, 2) >> 16) & 0xFF);

    Dib out(13, 7, 24, !top_down);  // read back in the other row order
    EXPECT_EQ(GetDIBits(screen, bmp, 0, 7, out.bits.data(), out.Info(), DIB_RGB_COLORS), 7);
    EXPECT_EQ(out.Header().biSizeImage, 40u * 7);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 13; ++x) ASSERT_EQ(out.Rgb(x, y), Pattern(x, y));
    DeleteObject(bmp);
    ReleaseDC(nullptr, screen);
  }
}

// 24-bit rows widen to the 32-bit pixels of a true-colour bitmap and narrow
// back, on the vector path and the plain one, for widths that end in every
// position of a four-pixel step. The oracle is the published DIB layout:
// blue, green, red (and 0 at 32 bits) per pixel.
TEST_F(GdiDib, TwentyFourAndThirtyTwoBitRowsConvertExactlyOnBothPaths) {
  struct ScalarCode {
    explicit ScalarCode(bool scalar) { gditest::ForceScalarPixelCode(scalar); }
    ~ScalarCode() { gditest::ForceScalarPixelCode(false); }
  };
  HDC screen = GetDC(nullptr);
  for (bool scalar : {false, true}) {
    ScalarCode code(scalar);
    for (int width : {1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 13, 16, 21, 33}) {
      Dib in(width, 3, 24);
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < width; ++x) in.SetRgb(x, y, Pattern(x, y));
      HBITMAP bmp =
          CreateDIBitmap(screen, &in.Header(), CBM_INIT, in.bits.data(), in.Info(), DIB_RGB_COLORS);
      ASSERT_NE(bmp, nullptr);
      Dib wide(width, 3, 32), narrow(width, 3, 24);
      ASSERT_EQ(GetDIBits(screen, bmp, 0, 3, wide.bits.data(), wide.Info(), DIB_RGB_COLORS), 3);
      ASSERT_EQ(GetDIBits(screen, bmp, 0, 3, narrow.bits.data(), narrow.Info(), DIB_RGB_COLORS), 3);
      DeleteObject(bmp);
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < width; ++x) {
          const uint32_t p = Pattern(x, y);
          const uint8_t bgr0[4] = {uint8_t(p), uint8_t(p >> 8), uint8_t(p >> 16), 0};
          ASSERT_EQ(std::memcmp(wide.Row(y) + 4 * x, bgr0, 4), 0) << scalar << " " << width;
          ASSERT_EQ(std::memcmp(narrow.Row(y) + 3 * x, bgr0, 3), 0) << scalar << " " << width;
        }
    }
  }
  ReleaseDC(nullptr, screen);
}

TEST_F(GdiDib, EightBitDibOnPaletteDisplayKeepsIndicesAndColours) {
  gditest::SetDisplayFormat(gditest::DisplayFormat::Palette8);
  std::vector<uint32_t> colours;
  for (int i = 0; i < 200; ++i) colours.push_back(Pattern(i, 3 * i) | 1);
  Dib in(10, 6, 8);
  in.Header().biClrUsed = 200;
  for (int i = 0; i < 200; ++i)
    in.Colours()[i] = {BYTE(colours[i]), BYTE(colours[i] >> 8), BYTE(colours[i] >> 16), 0};
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 10; ++x) in.SetIndex(x, y, (x * 7 + y * 31) % 200);

  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP one = CreateCompatibleBitmap(screen, 1, 1);
  HGDIOBJ old_bitmap = SelectObject(dc, one);
  HPALETTE pal = PaletteOf(colours);
  HPALETTE old_pal = SelectPalette(dc, pal, FALSE);
  EXPECT_EQ(RealizePalette(dc), 200u);
  HBITMAP bmp =
      CreateDIBitmap(dc, &in.Header(), CBM_INIT, in.bits.data(), in.Info(), DIB_RGB_COLORS);
  ASSERT_NE(bmp, nullptr);
  gditest::RawBitmap raw;
  ASSERT_TRUE(gditest::ReadBitmap(bmp, raw));
  EXPECT_EQ(raw.bpp, 8);
  EXPECT_EQ(raw.pixels[10 * 2 + 3], (3 * 7 + 2 * 31) % 200);

  Dib out(10, 6, 8);
  ASSERT_EQ(GetDIBits(dc, bmp, 0, 6, out.bits.data(), out.Info(), DIB_RGB_COLORS), 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 10; ++x) EXPECT_EQ(out.Index(x, y), in.Index(x, y));
  for (int i = 0; i < 200; ++i) {
    EXPECT_EQ(out.Colours()[i].rgbRed, in.Colours()[i].rgbRed);
    EXPECT_EQ(out.Colours()[i].rgbBlue, in.Colours()[i].rgbBlue);
  }
  SelectPalette(dc, old_pal, FALSE);
  SelectObject(dc, old_bitmap);
  DeleteObject(bmp);
  DeleteObject(pal);
  DeleteObject(one);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
}

TEST_F(GdiDib, FourAndOneBitRoundTripsKeepIndices) {
  gditest::SetDisplayFormat(gditest::DisplayFormat::Colours16);
  std::vector<uint32_t> colours;
  for (int i = 0; i < 16; ++i) colours.push_back(0x101010 * i + 0x030201);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP one = CreateCompatibleBitmap(screen, 1, 1);
  HGDIOBJ old_bitmap = SelectObject(dc, one);
  HPALETTE pal = PaletteOf(colours);
  HPALETTE old_pal = SelectPalette(dc, pal, FALSE);

  Dib in(9, 5, 4);
  for (int i = 0; i < 16; ++i)
    in.Colours()[i] = {BYTE(colours[i]), BYTE(colours[i] >> 8), BYTE(colours[i] >> 16), 0};
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 9; ++x) in.SetIndex(x, y, (x + 3 * y) % 16);
  HBITMAP bmp =
      CreateDIBitmap(dc, &in.Header(), CBM_INIT, in.bits.data(), in.Info(), DIB_RGB_COLORS);
  ASSERT_NE(bmp, nullptr);
  BITMAP bm{};
  GetObjectA(bmp, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 4);
  Dib out(9, 5, 4);
  ASSERT_EQ(GetDIBits(dc, bmp, 0, 5, out.bits.data(), out.Info(), DIB_RGB_COLORS), 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 9; ++x) EXPECT_EQ(out.Index(x, y), in.Index(x, y));
  EXPECT_EQ(out.Colours()[5].rgbRed, in.Colours()[5].rgbRed);
  SelectPalette(dc, old_pal, FALSE);
  DeleteObject(bmp);
  DeleteObject(pal);

  // A 1-bit DIB through a monochrome bitmap: black and white.
  Dib mono(11, 3, 1);
  mono.Colours()[1] = {255, 255, 255, 0};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 11; ++x) mono.SetIndex(x, y, (x + y) % 3 == 0);
  HBITMAP mbmp = CreateBitmap(11, 3, 1, 1, nullptr);
  ASSERT_EQ(SetDIBits(dc, mbmp, 0, 3, mono.bits.data(), mono.Info(), DIB_RGB_COLORS), 3);
  Dib mout(11, 3, 1);
  ASSERT_EQ(GetDIBits(dc, mbmp, 0, 3, mout.bits.data(), mout.Info(), DIB_RGB_COLORS), 3);
  EXPECT_EQ(mout.Colours()[0].rgbRed, 0);
  EXPECT_EQ(mout.Colours()[1].rgbGreen, 255);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 11; ++x) EXPECT_EQ(mout.Index(x, y), mono.Index(x, y));
  // The same bitmap read as 24 bits: black and white pixels.
  Dib rgb(11, 3, 24);
  ASSERT_EQ(GetDIBits(dc, mbmp, 0, 3, rgb.bits.data(), rgb.Info(), DIB_RGB_COLORS), 3);
  EXPECT_EQ(rgb.Rgb(0, 0), 0xFFFFFFu);
  EXPECT_EQ(rgb.Rgb(1, 0), 0u);
  DeleteObject(mbmp);
  SelectObject(dc, old_bitmap);
  DeleteObject(one);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
}

TEST_F(GdiDib, ColourBitmapToIndexDibTakesNearestPaletteColour) {
  MemoryDc m(4, 1);
  SetPixel(m.dc, 0, 0, RGB(250, 5, 5));
  SetPixel(m.dc, 1, 0, RGB(0, 0, 0));
  SetPixel(m.dc, 2, 0, RGB(10, 10, 240));
  SetPixel(m.dc, 3, 0, RGB(255, 255, 255));
  HPALETTE pal = PaletteOf({0x000000, 0xFF0000, 0x0000FF, 0xFFFFFF});
  HDC dc = CreateCompatibleDC(m.screen);
  HPALETTE old = SelectPalette(dc, pal, FALSE);
  SelectObject(m.dc, m.old);  // GetDIBits needs the bitmap unselected
  Dib out(4, 1, 8);
  ASSERT_EQ(GetDIBits(dc, m.bitmap, 0, 1, out.bits.data(), out.Info(), DIB_RGB_COLORS), 1);
  EXPECT_EQ(out.Index(0, 0), 1);
  EXPECT_EQ(out.Index(1, 0), 0);
  EXPECT_EQ(out.Index(2, 0), 2);
  EXPECT_EQ(out.Index(3, 0), 3);
  SelectPalette(dc, old, FALSE);
  DeleteObject(pal);
  DeleteDC(dc);
  m.old = SelectObject(m.dc, m.bitmap);
}

TEST_F(GdiDib, GetDIBitsRefusesSelectedBitmapAndFillsHeaderOnRequest) {
  MemoryDc m(20, 10);
  Dib out(20, 10, 24);
  EXPECT_EQ(GetDIBits(m.screen, m.bitmap, 0, 10, out.bits.data(), out.Info(), DIB_RGB_COLORS), 0);
  SelectObject(m.dc, m.old);
  EXPECT_EQ(GetDIBits(m.screen, m.bitmap, 0, 10, out.bits.data(), out.Info(), DIB_RGB_COLORS), 10);

  // Header only: biBitCount 0 asks for the bitmap's own format.
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  EXPECT_NE(GetDIBits(m.screen, m.bitmap, 0, 10, nullptr, &info, DIB_RGB_COLORS), 0);
  EXPECT_EQ(info.bmiHeader.biWidth, 20);
  EXPECT_EQ(info.bmiHeader.biHeight, 10);
  EXPECT_EQ(info.bmiHeader.biBitCount, 32);
  EXPECT_EQ(info.bmiHeader.biSizeImage, 800u);

  // Scan lines count from the bottom of a bottom-up DIB.
  m.old = SelectObject(m.dc, m.bitmap);
  SetPixel(m.dc, 0, 9, RGB(1, 2, 3));  // bottom row
  SelectObject(m.dc, m.old);
  Dib part(20, 10, 24);
  EXPECT_EQ(GetDIBits(m.screen, m.bitmap, 0, 1, part.bits.data(), part.Info(), DIB_RGB_COLORS), 1);
  EXPECT_EQ(part.bits[0], 3);
  EXPECT_EQ(part.bits[2], 1);
  m.old = SelectObject(m.dc, m.bitmap);
}

// A bitmap's own rows: reachable while it is selected into no DC, written
// in place and seen by the graphics calls; the fourth byte of a 32-bit
// pixel is ignored by them.
TEST_F(GdiDib, BitmapRowsReachAnUnselectedBitmapsPixels) {
  MemoryDc m(6, 4);
  EXPECT_EQ(BitmapRows(m.bitmap).top, nullptr);  // selected
  SelectObject(m.dc, m.old);
  const TBitmapRows rows = BitmapRows(m.bitmap);
  ASSERT_NE(rows.top, nullptr);
  EXPECT_EQ(rows.stride, 24);
  EXPECT_EQ(rows.bits_per_pixel, 32);
  const uint8_t pixel[4] = {3, 2, 1, 0xFF};  // blue, green, red, filler
  std::memcpy(rows.top + rows.stride * 3 + 4 * 5, pixel, 4);
  Dib out(6, 4, 32);
  ASSERT_EQ(GetDIBits(m.screen, m.bitmap, 0, 4, out.bits.data(), out.Info(), DIB_RGB_COLORS), 4);
  EXPECT_EQ(std::memcmp(&out.bits[4 * 5], "\x03\x02\x01\x00", 4), 0);  // bottom row first
  m.old = SelectObject(m.dc, m.bitmap);
  EXPECT_EQ(GetPixel(m.dc, 5, 3), RGB(1, 2, 3));
  EXPECT_EQ(BitmapRows(static_cast<HBITMAP>(GetStockObject(WHITE_BRUSH))).top, nullptr);
  EXPECT_EQ(BitmapRows(nullptr).top, nullptr);
}

TEST_F(GdiDib, BadFormatsAndHandlesFail) {
  HDC screen = GetDC(nullptr);
  Dib in(4, 4, 24);
  in.Header().biCompression = BI_RLE8;
  EXPECT_EQ(
      CreateDIBitmap(screen, &in.Header(), CBM_INIT, in.bits.data(), in.Info(), DIB_RGB_COLORS),
      nullptr);
  in.Header().biCompression = BI_RGB;
  in.Header().biBitCount = 7;
  EXPECT_EQ(
      CreateDIBitmap(screen, &in.Header(), CBM_INIT, in.bits.data(), in.Info(), DIB_RGB_COLORS),
      nullptr);
  in.Header().biBitCount = 24;
  in.Header().biWidth = 1 << 20;
  in.Header().biHeight = 1 << 20;  // 3 TB of pixels
  EXPECT_EQ(CreateDIBitmap(screen, &in.Header(), 0, nullptr, nullptr, 0), nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(screen, -1, 5), nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(screen, 100000, 100000), nullptr);
  EXPECT_EQ(CreateBitmap(4, 4, 2, 8, nullptr), nullptr);

  // A different bitmap size than the DIB's is refused.
  HBITMAP bmp = CreateCompatibleBitmap(screen, 5, 5);
  Dib out(4, 4, 24);
  EXPECT_EQ(GetDIBits(screen, bmp, 0, 4, out.bits.data(), out.Info(), DIB_RGB_COLORS), 0);
  EXPECT_EQ(GetDIBits(screen, reinterpret_cast<HBITMAP>(screen), 0, 4, out.bits.data(), out.Info(),
                      DIB_RGB_COLORS),
            0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
  DeleteObject(bmp);
  // Stale handle.
  EXPECT_EQ(GetDIBits(screen, bmp, 0, 4, out.bits.data(), out.Info(), DIB_RGB_COLORS), 0);
  ReleaseDC(nullptr, screen);
}

TEST_F(GdiDib, CompatibleBitmapsFollowTheDc) {
  for (auto [format, bpp] : {std::pair{gditest::DisplayFormat::TrueColour32, 32},
                             std::pair{gditest::DisplayFormat::Palette8, 8},
                             std::pair{gditest::DisplayFormat::Colours16, 4}}) {
    gditest::SetDisplayFormat(format);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    BITMAP bm{};
    HBITMAP mono = CreateCompatibleBitmap(dc, 3, 3);  // new memory DC: 1 bit
    GetObjectA(mono, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    HBITMAP one = CreateCompatibleBitmap(screen, 1, 1);
    GetObjectA(one, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, bpp);
    HGDIOBJ old = SelectObject(dc, one);
    HBITMAP made = CreateCompatibleBitmap(dc, 7, 2);
    GetObjectA(made, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, bpp);
    EXPECT_EQ(bm.bmWidthBytes, ((7 * bpp + 15) / 16) * 2);
    SelectObject(dc, old);
    for (HBITMAP b : {mono, one, made}) EXPECT_TRUE(DeleteObject(b));
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
  }
}

}  // namespace
