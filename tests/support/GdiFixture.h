// Shared by the graphics API tests: a fixture that checks every handle made
// during a test is released, and small DIB builders.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiTest.h"
#include "platform/graphics/Palettes.h"

class GdiFixture : public testing::Test {
 protected:
  void SetUp() override {
    gditest::ResetDisplay();
    start_ = gditest::LiveHandles();
  }
  void TearDown() override {
    gditest::ResetDisplay();
    const gditest::HandleCounts end = gditest::LiveHandles();
    EXPECT_EQ(end.dcs, start_.dcs);
    EXPECT_EQ(end.bitmaps, start_.bitmaps);
    EXPECT_EQ(end.palettes, start_.palettes);
    EXPECT_EQ(end.brushes, start_.brushes);
    EXPECT_EQ(end.pens, start_.pens);
    EXPECT_EQ(end.metafiles, start_.metafiles);
    EXPECT_EQ(end.globals, start_.globals);
  }

 private:
  gditest::HandleCounts start_;
};

// A DIB in one block: BITMAPINFOHEADER, a full colour table below 16 bits,
// then the rows.
struct Dib {
  std::vector<uint8_t> info;  // header + colour table
  std::vector<uint8_t> bits;
  int width = 0, height = 0, bpp = 0;
  bool top_down = false;

  Dib(int w, int h, int bits_per_pixel, bool topdown = false)
      : width(w), height(h), bpp(bits_per_pixel), top_down(topdown) {
    const int colours = bpp <= 8 ? 1 << bpp : 0;
    info.assign(sizeof(BITMAPINFOHEADER) + 4 * colours, 0);
    BITMAPINFOHEADER& hdr = Header();
    hdr.biSize = sizeof(BITMAPINFOHEADER);
    hdr.biWidth = w;
    hdr.biHeight = topdown ? -h : h;
    hdr.biPlanes = 1;
    hdr.biBitCount = static_cast<WORD>(bpp);
    hdr.biCompression = BI_RGB;
    bits.assign(static_cast<size_t>(Stride() * h), 0);
  }
  BITMAPINFOHEADER& Header() { return *reinterpret_cast<BITMAPINFOHEADER*>(info.data()); }
  BITMAPINFO* Info() { return reinterpret_cast<BITMAPINFO*>(info.data()); }
  RGBQUAD* Colours() { return reinterpret_cast<RGBQUAD*>(info.data() + sizeof(BITMAPINFOHEADER)); }
  int Stride() const { return ((width * bpp + 31) / 32) * 4; }
  // Row y counted from the top of the picture.
  uint8_t* Row(int y) { return bits.data() + Stride() * (top_down ? y : height - 1 - y); }
  void SetIndex(int x, int y, int index) {
    uint8_t* r = Row(y);
    if (bpp == 8) {
      r[x] = static_cast<uint8_t>(index);
    } else if (bpp == 4) {
      r[x / 2] = static_cast<uint8_t>(x % 2 ? (r[x / 2] & 0xF0) | index
                                            : (r[x / 2] & 0x0F) | (index << 4));
    } else {
      const int mask = 0x80 >> (x % 8);
      r[x / 8] = static_cast<uint8_t>(index ? r[x / 8] | mask : r[x / 8] & ~mask);
    }
  }
  int Index(int x, int y) {
    uint8_t* r = Row(y);
    if (bpp == 8) return r[x];
    if (bpp == 4) return x % 2 ? r[x / 2] & 15 : r[x / 2] >> 4;
    return (r[x / 8] >> (7 - x % 8)) & 1;
  }
  // 24-bit and 32-bit pixels as 0xRRGGBB.
  void SetRgb(int x, int y, uint32_t rgb) {
    uint8_t* p = Row(y) + x * (bpp / 8);
    p[0] = rgb & 0xFF;
    p[1] = (rgb >> 8) & 0xFF;
    p[2] = (rgb >> 16) & 0xFF;
  }
  uint32_t Rgb(int x, int y) {
    uint8_t* p = Row(y) + x * (bpp / 8);
    return p[0] | (p[1] << 8) | (p[2] << 16);
  }
};

// A palette from 0xRRGGBB colours; the caller deletes it.
inline HPALETTE PaletteOf(const std::vector<uint32_t>& colours) {
  std::vector<PALETTEENTRY> entries;
  for (uint32_t c : colours)
    entries.push_back(
        {static_cast<BYTE>(c >> 16), static_cast<BYTE>(c >> 8), static_cast<BYTE>(c), 0});
  return MakePalette(entries);
}

// The screen DC, a memory DC and a selected bitmap, released in reverse.
struct MemoryDc {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = nullptr;
  HBITMAP bitmap = nullptr;
  MemoryDc(int w, int h) {
    bitmap = CreateCompatibleBitmap(screen, w, h);
    old = SelectObject(dc, bitmap);
  }
  ~MemoryDc() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
  }
  void Fill(COLORREF colour) {
    HBRUSH b = CreateSolidBrush(colour);
    RECT r{0, 0, 1 << 20, 1 << 20};
    FillRect(dc, &r, b);
    DeleteObject(b);
  }
};
