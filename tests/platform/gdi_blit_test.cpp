// StretchBlt, BitBlt and StretchDIBits: exact 1:1 copies, HALFTONE area
// averages, nearest-pixel stretching, mirroring and clipping.
#include <algorithm>
#include <cstdint>

#include "tests/support/GdiFixture.h"

namespace {

class GdiBlit : public GdiFixture {};

COLORREF Px(HDC dc, int x, int y) {
  return GetPixel(dc, x, y);
}

TEST_F(GdiBlit, OneToOneCopiesAreExactInEveryMode) {
  MemoryDc src(16, 9), dst(20, 12);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 16; ++x) SetPixel(src.dc, x, y, RGB(x * 15, y * 27, (x * y) & 0xFF));
  for (int mode : {HALFTONE, COLORONCOLOR}) {
    dst.Fill(RGB(1, 1, 1));
    SetStretchBltMode(dst.dc, mode);
    SetBrushOrgEx(dst.dc, 0, 0, nullptr);
    ASSERT_TRUE(StretchBlt(dst.dc, 2, 3, 16, 9, src.dc, 0, 0, 16, 9, SRCCOPY));
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 16; ++x)
        ASSERT_EQ(Px(dst.dc, x + 2, y + 3), RGB(x * 15, y * 27, (x * y) & 0xFF));
    EXPECT_EQ(Px(dst.dc, 1, 3), RGB(1, 1, 1));
    EXPECT_EQ(Px(dst.dc, 18, 3), RGB(1, 1, 1));
  }
  // BitBlt of a part, partly outside the target: clipped.
  ASSERT_TRUE(BitBlt(dst.dc, 15, 10, 8, 8, src.dc, 4, 1, SRCCOPY));
  EXPECT_EQ(Px(dst.dc, 19, 11), RGB(8 * 15, 2 * 27, 16));
}

TEST_F(GdiBlit, HalftoneAveragesTheSourceAreaOfEachPixel) {
  // 4 x 2 source, halved: each destination pixel averages a 2 x 2 block.
  MemoryDc src(4, 2), dst(2, 1);
  const int values[2][4] = {{0, 100, 200, 201}, {40, 60, 10, 30}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) SetPixel(src.dc, x, y, RGB(values[y][x], 255 - values[y][x], 7));
  SetStretchBltMode(dst.dc, HALFTONE);
  ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 2, 1, src.dc, 0, 0, 4, 2, SRCCOPY));
  EXPECT_EQ(Px(dst.dc, 0, 0), RGB(50, 205, 7));  // (0+100+40+60)/4
  // (200+201+10+30)/4 = 110.25 -> 110
  EXPECT_EQ(Px(dst.dc, 1, 0), RGB(110, 145, 7));

  // 3 pixels onto 2: the middle source pixel is split between both.
  MemoryDc line(3, 1), two(2, 1);
  SetPixel(line.dc, 0, 0, RGB(0, 0, 0));
  SetPixel(line.dc, 1, 0, RGB(90, 90, 90));
  SetPixel(line.dc, 2, 0, RGB(240, 240, 240));
  SetStretchBltMode(two.dc, HALFTONE);
  ASSERT_TRUE(StretchBlt(two.dc, 0, 0, 2, 1, line.dc, 0, 0, 3, 1, SRCCOPY));
  // (0 * 1 + 90 * 0.5) / 1.5 = 30; (90 * 0.5 + 240) / 1.5 = 190
  EXPECT_NEAR(GetRValue(Px(two.dc, 0, 0)), 30, 1);
  EXPECT_NEAR(GetRValue(Px(two.dc, 1, 0)), 190, 1);
}

TEST_F(GdiBlit, ColorOnColorPicksNearestPixelAndNegativeSizesMirror) {
  MemoryDc src(4, 1), dst(8, 1);
  for (int x = 0; x < 4; ++x) SetPixel(src.dc, x, 0, RGB(x * 60, 0, 0));
  SetStretchBltMode(dst.dc, COLORONCOLOR);
  ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 8, 1, src.dc, 0, 0, 4, 1, SRCCOPY));
  for (int x = 0; x < 8; ++x) EXPECT_EQ(GetRValue(Px(dst.dc, x, 0)), x / 2 * 60);
  // Mirrored: destination width negative.
  ASSERT_TRUE(StretchBlt(dst.dc, 3, 0, -4, 1, src.dc, 0, 0, 4, 1, SRCCOPY));
  for (int x = 0; x < 4; ++x) EXPECT_EQ(GetRValue(Px(dst.dc, x, 0)), (3 - x) * 60);
  EXPECT_EQ(GetRValue(Px(dst.dc, 4, 0)), 120);  // untouched
  // Mirrored through the source instead: the same pixels.
  ASSERT_TRUE(StretchBlt(dst.dc, 4, 0, 4, 1, src.dc, 3, 0, -4, 1, SRCCOPY));
  for (int x = 4; x < 8; ++x) EXPECT_EQ(GetRValue(Px(dst.dc, x, 0)), (7 - x) * 60);
}

TEST_F(GdiBlit, SourceOutsideTheBitmapOrScreenSourceFails) {
  MemoryDc src(4, 4), dst(4, 4);
  EXPECT_FALSE(StretchBlt(dst.dc, 0, 0, 4, 4, src.dc, 1, 0, 4, 4, SRCCOPY));
  EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 4, 4, src.screen, 0, 0, SRCCOPY));
  EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 4, 4, src.dc, 0, 0, 0x00AA0029));
  // The screen keeps nothing but accepts drawing.
  EXPECT_TRUE(BitBlt(src.screen, 0, 0, 4, 4, src.dc, 0, 0, SRCCOPY));
}

TEST_F(GdiBlit, StretchDibitsDrawsBottomUpAndTopDownDibs) {
  for (bool top_down : {false, true}) {
    Dib dib(3, 2, 24, top_down);
    dib.SetRgb(0, 0, 0xFF0000);  // top-left red
    dib.SetRgb(2, 1, 0x0000FF);  // bottom-right blue
    MemoryDc dst(6, 4);
    SetStretchBltMode(dst.dc, COLORONCOLOR);
    ASSERT_EQ(StretchDIBits(dst.dc, 0, 0, 6, 4, 0, 0, 3, 2, dib.bits.data(), dib.Info(),
                            DIB_RGB_COLORS, SRCCOPY),
              2);
    EXPECT_EQ(Px(dst.dc, 1, 1), RGB(255, 0, 0));
    EXPECT_EQ(Px(dst.dc, 5, 3), RGB(0, 0, 255));
    EXPECT_EQ(Px(dst.dc, 3, 0), RGB(0, 0, 0));
  }
}

// A mirrored source whose mirrored destination would not fit an int makes the
// call fail (fuzzing found the negation of INT32_MIN here).
TEST_F(GdiBlit, MirroringThatOverflowsFailsTheCall) {
  Dib dib(3, 2, 24);
  MemoryDc src(3, 2), dst(6, 4);
  EXPECT_EQ(StretchDIBits(dst.dc, 0, 0, INT32_MIN, 4, 2, 0, -2, 2, dib.bits.data(), dib.Info(),
                          DIB_RGB_COLORS, SRCCOPY),
            0);
  EXPECT_EQ(StretchDIBits(dst.dc, 0, 0, 6, 4, INT32_MIN, 0, INT32_MIN, 2, dib.bits.data(),
                          dib.Info(), DIB_RGB_COLORS, SRCCOPY),
            0);
  EXPECT_FALSE(StretchBlt(dst.dc, INT32_MAX, 0, INT32_MIN, 4, src.dc, 2, 0, -2, 2, SRCCOPY));
  EXPECT_FALSE(StretchBlt(dst.dc, 0, 0, 6, 4, src.dc, INT32_MIN, 0, INT32_MIN, 2, SRCCOPY));
}

TEST_F(GdiBlit, PaletteBitmapsCopyIndicesAndStretchThroughColours) {
  gditest::SetDisplayFormat(gditest::DisplayFormat::Palette8);
  HPALETTE pal = PaletteOf({0x000000, 0xFF0000, 0x00FF00, 0x808080});
  MemoryDc src(2, 1), dst(2, 1);
  HPALETTE old_src = SelectPalette(src.dc, pal, FALSE);
  HPALETTE old_dst = SelectPalette(dst.dc, pal, FALSE);
  SetPixel(src.dc, 0, 0, RGB(255, 0, 0));
  SetPixel(src.dc, 1, 0, RGB(0, 255, 0));
  ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 2, 1, src.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(Px(dst.dc, 0, 0), RGB(255, 0, 0));
  gditest::RawBitmap raw;
  gditest::ReadBitmap(dst.bitmap, raw);
  EXPECT_EQ(raw.pixels[1], 2);
  // Averaging red and green gives (128, 128, 0): nearest entry is gray.
  MemoryDc one(1, 1);
  HPALETTE old_one = SelectPalette(one.dc, pal, FALSE);
  SetStretchBltMode(one.dc, HALFTONE);
  ASSERT_TRUE(StretchBlt(one.dc, 0, 0, 1, 1, src.dc, 0, 0, 2, 1, SRCCOPY));
  EXPECT_EQ(Px(one.dc, 0, 0), RGB(128, 128, 128));
  SelectPalette(one.dc, old_one, FALSE);
  SelectPalette(src.dc, old_src, FALSE);
  SelectPalette(dst.dc, old_dst, FALSE);
  DeleteObject(pal);
}

}  // namespace

namespace {

// Reference area average of one channel, in doubles.
double AreaAverage(const std::vector<int>& src, int sw, int sh, int dw, int dh, int dx, int dy) {
  const double x0 = double(dx) * sw / dw, x1 = double(dx + 1) * sw / dw;
  const double y0 = double(dy) * sh / dh, y1 = double(dy + 1) * sh / dh;
  double sum = 0, area = 0;
  for (int y = 0; y < sh; ++y) {
    const double oy = std::min<double>(y + 1, y1) - std::max<double>(y, y0);
    if (oy <= 0) continue;
    for (int x = 0; x < sw; ++x) {
      const double ox = std::min<double>(x + 1, x1) - std::max<double>(x, x0);
      if (ox <= 0) continue;
      sum += src[size_t(y) * sw + x] * ox * oy;
      area += ox * oy;
    }
  }
  return sum / area;
}

class GdiHalftone : public GdiFixture {};

TEST_F(GdiHalftone, MatchesTheExactAreaAverageWithinOneLevel) {
  struct Size {
    int sw, sh, dw, dh;
  };
  uint32_t seed = 7;
  for (const Size& s :
       {Size{37, 23, 10, 7}, Size{5, 4, 13, 9}, Size{64, 3, 7, 3}, Size{9, 9, 9, 2}}) {
    MemoryDc src(s.sw, s.sh), dst(s.dw, s.dh);
    std::vector<int> red(size_t(s.sw) * s.sh);
    for (int y = 0; y < s.sh; ++y)
      for (int x = 0; x < s.sw; ++x) {
        seed = seed * 1103515245 + 12345;
        red[size_t(y) * s.sw + x] = (seed >> 16) & 0xFF;
        SetPixel(src.dc, x, y, RGB(red[size_t(y) * s.sw + x], 0, 0));
      }
    SetStretchBltMode(dst.dc, HALFTONE);
    ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, s.dw, s.dh, src.dc, 0, 0, s.sw, s.sh, SRCCOPY));
    for (int y = 0; y < s.dh; ++y)
      for (int x = 0; x < s.dw; ++x)
        ASSERT_NEAR(GetRValue(GetPixel(dst.dc, x, y)),
                    AreaAverage(red, s.sw, s.sh, s.dw, s.dh, x, y), 1.0)
            << s.sw << "x" << s.sh << " -> " << s.dw << "x" << s.dh << " at " << x << "," << y;
  }
}

TEST_F(GdiHalftone, SixteenBitAndSystemPaletteBitmapsConvertColours) {
  // 5-5-5 bitmaps keep the top five bits of each channel.
  HBITMAP b16 = CreateBitmap(2, 1, 1, 16, nullptr);
  Dib in(2, 1, 24);
  in.SetRgb(0, 0, 0xFF8040);
  in.SetRgb(1, 0, 0x0F0F0F);
  HDC screen = GetDC(nullptr);
  ASSERT_EQ(SetDIBits(screen, b16, 0, 1, in.bits.data(), in.Info(), DIB_RGB_COLORS), 1);
  Dib out(2, 1, 24);
  ASSERT_EQ(GetDIBits(screen, b16, 0, 1, out.bits.data(), out.Info(), DIB_RGB_COLORS), 1);
  EXPECT_EQ(out.Rgb(0, 0), 0xFF8442u);
  EXPECT_EQ(out.Rgb(1, 0), 0x080808u);
  DeleteObject(b16);
  // An 8-bit bitmap with the default palette uses the system colours: a
  // colour-cube colour survives, others take the nearest.
  HBITMAP b8 = CreateBitmap(2, 1, 1, 8, nullptr);
  in.SetRgb(0, 0, 0x3399CC);
  in.SetRgb(1, 0, 0x3399CD);
  ASSERT_EQ(SetDIBits(screen, b8, 0, 1, in.bits.data(), in.Info(), DIB_RGB_COLORS), 1);
  ASSERT_EQ(GetDIBits(screen, b8, 0, 1, out.bits.data(), out.Info(), DIB_RGB_COLORS), 1);
  EXPECT_EQ(out.Rgb(0, 0), 0x3399CCu);
  EXPECT_EQ(out.Rgb(1, 0), 0x3399CCu);
  DeleteObject(b8);
  ReleaseDC(nullptr, screen);
}

}  // namespace
