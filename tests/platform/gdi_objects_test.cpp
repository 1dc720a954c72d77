// Handles, selection, palettes, device capabilities, shapes and global
// memory.
#include <tuple>

#include "tests/support/GdiFixture.h"

namespace {

class GdiObjects : public GdiFixture {};

TEST_F(GdiObjects, StaleAndWrongKindHandlesFailWithoutHarm) {
  HDC screen = GetDC(nullptr);
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  HPALETTE pal = PaletteOf({0x123456});
  EXPECT_EQ(GetObjectType(brush), DWORD(OBJ_BRUSH));
  EXPECT_EQ(GetObjectType(pal), DWORD(OBJ_PAL));
  EXPECT_EQ(GetObjectType(screen), DWORD(OBJ_DC));
  // Wrong kinds.
  EXPECT_EQ(SelectObject(screen, pal), nullptr);  // palettes need SelectPalette
  EXPECT_EQ(SelectPalette(screen, reinterpret_cast<HPALETTE>(brush), FALSE), nullptr);
  EXPECT_FALSE(DeleteDC(reinterpret_cast<HDC>(brush)));
  EXPECT_EQ(GetDeviceCaps(reinterpret_cast<HDC>(pal), BITSPIXEL), 0);
  EXPECT_FALSE(DeleteObject(screen));
  EXPECT_FALSE(DeleteDC(screen));  // GetDC DCs go back through ReleaseDC
  EXPECT_EQ(GlobalLock(brush), nullptr);
  // Stale handles, and values that were never handles.
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_FALSE(DeleteObject(brush));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
  EXPECT_EQ(GetObjectType(brush), 0u);
  EXPECT_EQ(SelectObject(screen, brush), nullptr);
  EXPECT_EQ(GetObjectType(reinterpret_cast<HGDIOBJ>(0x12345678)), 0u);
  EXPECT_EQ(GetObjectType(reinterpret_cast<HGDIOBJ>(~uintptr_t(0))), 0u);
  EXPECT_TRUE(DeleteObject(pal));
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
  EXPECT_EQ(ReleaseDC(nullptr, screen), 0);
  // Stock objects survive deletion.
  HGDIOBJ white = GetStockObject(WHITE_BRUSH);
  EXPECT_TRUE(DeleteObject(white));
  EXPECT_EQ(GetObjectType(white), DWORD(OBJ_BRUSH));
}

TEST_F(GdiObjects, LiveHandleCountsTrackEveryKind) {
  const gditest::HandleCounts before = gditest::LiveHandles();
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 2, 2);
  HPEN pen = CreatePen(PS_SOLID, 1, 0);
  HGLOBAL mem = GlobalAlloc(GHND, 10);
  gditest::HandleCounts during = gditest::LiveHandles();
  EXPECT_EQ(during.dcs, before.dcs + 2);
  EXPECT_EQ(during.bitmaps, before.bitmaps + 1);
  EXPECT_EQ(during.pens, before.pens + 1);
  EXPECT_EQ(during.globals, before.globals + 1);
  EXPECT_EQ(during.Total(), before.Total() + 5);
  GlobalFree(mem);
  DeleteObject(pen);
  DeleteObject(bmp);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(gditest::LiveHandles(), before);
}

TEST_F(GdiObjects, BitmapSelectedInOneDcOnlyAndNotDeletable) {
  HDC a = CreateCompatibleDC(nullptr);
  HDC b = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateBitmap(4, 4, 1, 32, nullptr);
  HGDIOBJ old_a = SelectObject(a, bmp);
  ASSERT_NE(old_a, nullptr);
  EXPECT_EQ(GetObjectType(old_a), DWORD(OBJ_BITMAP));
  BITMAP bm{};
  GetObjectA(old_a, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 1);  // the 1 x 1 monochrome bitmap of a new DC
  EXPECT_EQ(bm.bmBitsPixel, 1);
  EXPECT_EQ(SelectObject(b, bmp), nullptr);
  EXPECT_FALSE(DeleteObject(bmp));
  EXPECT_EQ(SelectObject(a, old_a), bmp);
  HGDIOBJ old_b = SelectObject(b, bmp);
  EXPECT_NE(old_b, nullptr);
  // Deleting the DC leaves the bitmap usable and unselected.
  DeleteDC(b);
  EXPECT_TRUE(DeleteObject(bmp));
  DeleteDC(a);
}

// The row length is the published rule, (width x bits + 15) / 16 x 2 bytes,
// also where width x bits passes 2^31 (a one-row bitmap of 67 million
// pixels, whose pixels are never touched).
TEST_F(GdiObjects, RowLengthOfVeryWideBitmaps) {
  for (auto [width, bits, row] : {std::tuple{5, 1, 2}, std::tuple{9, 4, 6}, std::tuple{3, 24, 10},
                                  std::tuple{67108865, 32, 268435460}}) {
    HBITMAP bmp = CreateBitmap(width, 1, 1, bits, nullptr);
    ASSERT_NE(bmp, nullptr) << width;
    BITMAP bm{};
    ASSERT_EQ(GetObjectA(bmp, sizeof bm, &bm), static_cast<int>(sizeof bm));
    EXPECT_EQ(bm.bmWidthBytes, row) << width;
    DeleteObject(bmp);
  }
}

TEST_F(GdiObjects, PaletteSelectionIsRestoredAndEntriesReadable) {
  gditest::SetDisplayFormat(gditest::DisplayFormat::Palette8);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HPALETTE pal = PaletteOf({0xFF0000, 0x00FF00, 0x0000FF});
  HGDIOBJ default_pal = GetCurrentObject(dc, OBJ_PAL);
  EXPECT_EQ(default_pal, GetStockObject(DEFAULT_PALETTE));
  HPALETTE old = SelectPalette(dc, pal, FALSE);
  EXPECT_EQ(old, default_pal);
  EXPECT_EQ(RealizePalette(dc), 3u);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PAL), pal);
  EXPECT_FALSE(DeleteObject(pal));  // selected
  PALETTEENTRY entries[3];
  EXPECT_EQ(GetPaletteEntries(pal, 0, 0, nullptr), 3u);
  EXPECT_EQ(GetPaletteEntries(pal, 1, 5, entries), 2u);
  EXPECT_EQ(entries[0].peGreen, 255);
  EXPECT_EQ(GetNearestPaletteIndex(pal, RGB(10, 10, 200)), 2u);
  // Saved states restore the selection too.
  const int level = SaveDC(dc);
  SelectPalette(dc, old, TRUE);
  EXPECT_TRUE(RestoreDC(dc, level));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PAL), pal);
  EXPECT_EQ(SelectPalette(dc, old, FALSE), pal);
  EXPECT_TRUE(DeleteObject(pal));
  // A bad palette: wrong version.
  LOGPALETTE bad{0x200, 1, {{0, 0, 0, 0}}};
  EXPECT_EQ(CreatePalette(&bad), nullptr);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
}

TEST_F(GdiObjects, DeviceCapsDescribeTheVirtualDisplay) {
  struct Case {
    gditest::DisplayFormat format;
    int bits, colours, size_palette;
    bool palette;
  };
  for (const Case& c : {Case{gditest::DisplayFormat::TrueColour32, 32, -1, 0, false},
                        Case{gditest::DisplayFormat::Palette8, 8, 20, 256, true},
                        Case{gditest::DisplayFormat::Colours16, 4, 16, 0, false}}) {
    gditest::ScopedDisplay display(c.format, 1280, 1024);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    for (HDC d : {screen, dc}) {
      EXPECT_EQ(GetDeviceCaps(d, BITSPIXEL), c.bits);
      EXPECT_EQ(GetDeviceCaps(d, PLANES), 1);
      EXPECT_EQ(GetDeviceCaps(d, NUMCOLORS), c.colours);
      EXPECT_EQ(GetDeviceCaps(d, SIZEPALETTE), c.size_palette);
      EXPECT_EQ((GetDeviceCaps(d, RASTERCAPS) & RC_PALETTE) != 0, c.palette);
      EXPECT_EQ(GetDeviceCaps(d, HORZRES), 1280);
      EXPECT_EQ(GetDeviceCaps(d, VERTRES), 1024);
      EXPECT_EQ(GetDeviceCaps(d, LOGPIXELSX), 96);
    }
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
  }
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1080);
}

TEST_F(GdiObjects, ShapesFillWithoutAntiAliasingAndExcludeRightBottom) {
  MemoryDc m(12, 12);
  m.Fill(RGB(255, 255, 255));
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  HPEN blue = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
  HGDIOBJ old_brush = SelectObject(m.dc, red);
  HGDIOBJ old_pen = SelectObject(m.dc, blue);
  ASSERT_TRUE(Rectangle(m.dc, 1, 1, 6, 5));
  EXPECT_EQ(GetPixel(m.dc, 1, 1), RGB(0, 0, 255));  // outline
  EXPECT_EQ(GetPixel(m.dc, 5, 4), RGB(0, 0, 255));  // right - 1, bottom - 1
  EXPECT_EQ(GetPixel(m.dc, 3, 2), RGB(255, 0, 0));  // interior
  EXPECT_EQ(GetPixel(m.dc, 6, 2), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(m.dc, 3, 5), RGB(255, 255, 255));
  // Filled triangle: only pure colours appear.
  const POINT tri[3] = {{0, 11}, {11, 11}, {6, 6}};
  SelectObject(m.dc, GetStockObject(NULL_PEN));
  ASSERT_TRUE(Polygon(m.dc, tri, 3));
  gditest::RawBitmap raw;
  SelectObject(m.dc, m.old);
  gditest::ReadBitmap(m.bitmap, raw);
  m.old = SelectObject(m.dc, m.bitmap);
  for (size_t i = 0; i < raw.pixels.size(); i += 4) {
    const uint32_t p = raw.pixels[i] | raw.pixels[i + 1] << 8 | raw.pixels[i + 2] << 16;
    EXPECT_TRUE(p == 0xFFFFFF || p == 0xFF0000 || p == 0x0000FF) << p;
  }
  EXPECT_EQ(GetPixel(m.dc, 6, 9), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(m.dc, 0, 6), RGB(255, 255, 255));
  // Lines leave out their last point.
  SelectObject(m.dc, blue);
  MoveToEx(m.dc, 8, 0, nullptr);
  LineTo(m.dc, 11, 0);
  EXPECT_EQ(GetPixel(m.dc, 10, 0), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(m.dc, 11, 0), RGB(255, 255, 255));
  // Far-away coordinates are clipped, not walked pixel by pixel.
  MoveToEx(m.dc, -2000000000, 3, nullptr);
  EXPECT_TRUE(LineTo(m.dc, 2000000000, 3));
  EXPECT_EQ(GetPixel(m.dc, 11, 3), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(m.dc, 12, 3), CLR_INVALID);
  SelectObject(m.dc, old_pen);
  SelectObject(m.dc, old_brush);
  DeleteObject(red);
  DeleteObject(blue);
}

TEST_F(GdiObjects, GlobalMemoryIsZeroedLockedAndFreed) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 1000);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GlobalSize(h), 1000u);
  uint8_t* p = static_cast<uint8_t*>(GlobalLock(h));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(p[i], 0);
  p[999] = 7;
  EXPECT_EQ(GlobalLock(h), p);
  EXPECT_EQ(GlobalFlags(h) & GMEM_LOCKCOUNT, 2u);
  EXPECT_EQ(GlobalHandle(p), h);
  EXPECT_TRUE(GlobalUnlock(h));
  EXPECT_FALSE(GlobalUnlock(h));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
  EXPECT_FALSE(GlobalUnlock(h));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_LOCKED));
  EXPECT_EQ(GlobalFree(h), nullptr);
  EXPECT_EQ(GlobalLock(h), nullptr);
  EXPECT_EQ(GlobalSize(h), 0u);
  EXPECT_EQ(GlobalFree(h), h);
  // Fixed blocks are their own address.
  HGLOBAL fixed = GlobalAlloc(GPTR, 16);
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(GlobalLock(fixed), fixed);
  EXPECT_EQ(static_cast<uint8_t*>(fixed)[15], 0);
  GlobalUnlock(fixed);
  EXPECT_EQ(GlobalFree(fixed), nullptr);
  // Absurd sizes are refused.
  EXPECT_EQ(GlobalAlloc(GHND, ~SIZE_T(0)), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(GlobalAlloc(GHND, SIZE_T(1) << 40), nullptr);
}

TEST_F(GdiObjects, StructureLayoutsMatchWindows) {
  EXPECT_EQ(sizeof(BITMAPFILEHEADER), 14u);
  EXPECT_EQ(offsetof(BITMAPINFOHEADER, biSizeImage), 20u);
  EXPECT_EQ(offsetof(ENHMETAHEADER, nPalEntries), 68u);
  EXPECT_EQ(offsetof(EMRSTRETCHDIBITS, cxDest), 72u);
  EXPECT_EQ(RGB(1, 2, 3), 0x030201u);
  EXPECT_EQ(GetBValue(RGB(1, 2, 3)), 3);
}

}  // namespace

namespace {

// A pen wider than the target draws in time that depends on the target, not
// on the pen (square by square, this line took minutes): a line two billion
// pixels long with the widest pen covers the whole bitmap, and a wide
// diagonal stroke covers its band and round end and nothing beyond.
TEST_F(GdiObjects, HugePensDrawInTimeOfTheTarget) {
  MemoryDc target(256, 256);
  target.Fill(RGB(255, 255, 255));
  HPEN huge = CreatePen(PS_SOLID, 1 << 16, RGB(255, 0, 0));
  HGDIOBJ old = SelectObject(target.dc, huge);
  MoveToEx(target.dc, -2000000000, 8, nullptr);
  LineTo(target.dc, 2000000000, 8);
  for (int y = 0; y < 256; y += 5)
    for (int x = 0; x < 256; x += 5)
      ASSERT_EQ(GetPixel(target.dc, x, y), RGB(255, 0, 0)) << x << "," << y;

  // A 300-pixel pen along a diagonal from far above and left to (-100, -100):
  // its round end reaches 150 pixels from there, to about (6, 6).
  MemoryDc wide_target(64, 64);
  wide_target.Fill(RGB(255, 255, 255));
  HPEN wide = CreatePen(PS_SOLID, 300, RGB(0, 0, 255));
  HGDIOBJ wide_old = SelectObject(wide_target.dc, wide);
  MoveToEx(wide_target.dc, -1000, -1000, nullptr);
  LineTo(wide_target.dc, -100, -100);
  EXPECT_EQ(GetPixel(wide_target.dc, 4, 4), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(wide_target.dc, 8, 8), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(wide_target.dc, 55, 10), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(wide_target.dc, 10, 55), RGB(255, 255, 255));
  SelectObject(wide_target.dc, wide_old);
  SelectObject(target.dc, old);
  DeleteObject(wide);
  DeleteObject(huge);
}

}  // namespace
