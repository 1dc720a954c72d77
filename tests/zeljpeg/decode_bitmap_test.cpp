// Decoding into device-dependent bitmaps, TBitmap and TPicture: the output
// type chosen from the display, palettes, handles, and the picture, resource
// and file front ends.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <utility>

#include "platform/gdi/GdiTest.h"
#include "platform/graphics/GdiGuards.h"
#include "platform/graphics/Graphics.h"
#include "tests/support/TestSupport.h"
#include "tests/zeljpeg/decode_fixtures.h"
#include "tests/zeljpeg/metadata_fixtures.h"

using namespace decodetest;

namespace {

struct WinBitmap {
  HBITMAP bitmap = nullptr;
  HPALETTE palette = nullptr;
  ~WinBitmap() {
    if (bitmap) DeleteObject(bitmap);
    if (palette) DeleteObject(palette);
  }
};

void ReadWin(TProbeDecompressor& d, const std::string& jpeg, WinBitmap& out) {
  TMemoryStream in;
  FillStream(in, jpeg);
  d.OpenStream(in);
  try {
    d.ReadWinBitmap(out.bitmap, out.palette);
  } catch (...) {
    d.CloseStream();
    throw;
  }
  d.CloseStream();
}

std::vector<PALETTEENTRY> Entries(HPALETTE palette) {
  UINT n = GetPaletteEntries(palette, 0, 0, nullptr);
  std::vector<PALETTEENTRY> entries(n);
  if (n) GetPaletteEntries(palette, 0, n, entries.data());
  return entries;
}

TEST(DecodeBitmap, TrueColourDisplayGivesAFullColourBitmapWithoutPalette) {
  const std::string jpeg = CJpeg(Ppm(13, 9));
  TProbeDecompressor d(nullptr);
  const Bmp dib = ParseBmp(ConvertToBmp(d, jpeg, jp24bit));
  const gditest::HandleCounts before = gditest::LiveHandles();
  {
    WinBitmap win;
    ReadWin(d, jpeg, win);
    EXPECT_EQ(win.palette, nullptr);
    gditest::RawBitmap raw;
    ASSERT_TRUE(gditest::ReadBitmap(win.bitmap, raw));
    EXPECT_EQ(raw.width, 13);
    EXPECT_EQ(raw.height, 9);
    ASSERT_EQ(raw.bpp, 32);
    // Top-down 32-bit pixels against the bottom-up 24-bit DIB.
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 13; ++x)
        for (int c = 0; c < 3; ++c)
          ASSERT_EQ(raw.pixels[y * raw.RowBytes() + x * 4 + c],
                    static_cast<uint8_t>(dib.bits[(8 - y) * 40 + x * 3 + c]));
  }
  EXPECT_EQ(gditest::LiveHandles(), before);
}

// What drawing a bitmap gives: its rows as a 32-bit DIB (GetDIBits), then
// a white 32-bit bitmap after an inverting copy of it and a halftone shrink
// of it.
std::vector<uint32_t> Drawn(HBITMAP source, int w, int h) {
  HDC screen = GetDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<uint32_t> out(static_cast<size_t>(w) * h * 2);
  EXPECT_EQ(GetDIBits(screen, source, 0, h, out.data(), &info, DIB_RGB_COLORS), h);
  HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
  HBITMAP target = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old_from = SelectObject(from, source), old_to = SelectObject(to, target);
  PatBlt(to, 0, 0, w, h, WHITENESS);
  BitBlt(to, 0, 0, w / 2, h, from, 0, 0, SRCINVERT);
  SetStretchBltMode(to, HALFTONE);
  StretchBlt(to, w / 2, 0, w - w / 2, h / 2, from, 0, 0, w, h, SRCCOPY);
  SelectObject(from, old_from);
  SelectObject(to, old_to);
  EXPECT_EQ(GetDIBits(screen, target, 0, h, &out[out.size() / 2], &info, DIB_RGB_COLORS), h);
  DeleteObject(target);
  DeleteDC(to);
  DeleteDC(from);
  ReleaseDC(nullptr, screen);
  return out;
}

// The device bitmap draws as one made with CreateDIBitmap from the DIB
// decode (itself checked against djpeg), however it is filled: the codec's
// rows straight into the bitmap (which leaves the codec's filler in the
// fourth byte of each 32-bit pixel: nothing may see it), strips through
// SetDIBits (several here: gray, and colour on Windows), or a turned
// picture whole.
TEST(DecodeBitmap, TheBitmapDrawsAsOneMadeFromTheDecodedDIB) {
  struct Case {
    const char* what;
    std::string jpeg;
    TJPEGOutputType type;
  };
  const Case cases[] = {
      {"colour", CJpeg(Ppm(700, 250), "-quality 85"), jp24bit},
      {"gray", CJpeg(Pgm(1000, 300)), jpGrayscale},
      {"colour as gray", CJpeg(Ppm(600, 230)), jpGrayscale},
      {"turned", InsertSegment(CJpeg(Ppm(90, 40)), 0xE1, metatest::ExifPayload(6)), jp24bit},
  };
  HDC screen = GetDC(nullptr);
  for (const Case& c : cases) {
    TProbeDecompressor d(nullptr);
    d.AutoOrient = true;
    d.GrayScaleOutput = c.type == jpGrayscale;
    const Bmp dib = ParseBmp(ConvertToBmp(d, c.jpeg, c.type));
    // The header and colour table, in a block aligned for BITMAPINFO.
    std::vector<uint32_t> block(sizeof(BITMAPINFOHEADER) / 4 + dib.colours.size());
    std::memcpy(block.data(), &dib.info, sizeof(BITMAPINFOHEADER));
    if (!dib.colours.empty())
      std::memcpy(&block[sizeof(BITMAPINFOHEADER) / 4], dib.colours.data(), 4 * dib.colours.size());
    const auto* info = reinterpret_cast<const BITMAPINFO*>(block.data());
    TGdiObject<HBITMAP> made(
        CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, dib.bits.data(), info, DIB_RGB_COLORS));
    WinBitmap win;
    ReadWin(d, c.jpeg, win);
    const int w = dib.info.biWidth, h = dib.info.biHeight;
    const std::vector<uint32_t> expected = Drawn(made.Get(), w, h);
    EXPECT_TRUE(Drawn(win.bitmap, w, h) == expected) << c.what;
    // The picture's own rows as a 32-bit DIB have 0 in the reserved byte
    // (drawn pixels need not: Wine's WHITENESS sets it).
    for (size_t i = 0; i < expected.size() / 2; ++i) ASSERT_EQ(expected[i] >> 24, 0u) << c.what;
  }
  ReleaseDC(nullptr, screen);
}

TEST(DecodeBitmap, PaletteDisplayGivesEightBitsAndSixteenColourDisplayFourBits) {
  REQUIRE_DISPLAY_FORMAT(gditest::DisplayFormat::Palette8);
  REQUIRE_DISPLAY_FORMAT(gditest::DisplayFormat::Colours16);
  const std::string jpeg = CJpeg(Ppm(20, 10));
  TProbeDecompressor d(nullptr);
  {
    gditest::ScopedDisplay display(gditest::DisplayFormat::Palette8);
    const Bmp dib = ParseBmp(ConvertToBmp(d, jpeg, jp8bit));
    WinBitmap win;
    ReadWin(d, jpeg, win);
    ASSERT_NE(win.palette, nullptr);
    auto entries = Entries(win.palette);
    ASSERT_EQ(entries.size(), dib.info.biClrUsed);
    for (size_t i = 0; i < entries.size(); ++i) {
      EXPECT_EQ(entries[i].peRed, dib.colours[i].rgbRed);
      EXPECT_EQ(entries[i].peBlue, dib.colours[i].rgbBlue);
      EXPECT_EQ(entries[i].peFlags, 0);
    }
    gditest::RawBitmap raw;
    ASSERT_TRUE(gditest::ReadBitmap(win.bitmap, raw));
    EXPECT_EQ(raw.bpp, 8);
  }
  {
    gditest::ScopedDisplay display(gditest::DisplayFormat::Colours16);
    WinBitmap win;
    ReadWin(d, jpeg, win);
    ASSERT_NE(win.palette, nullptr);
    EXPECT_LE(Entries(win.palette).size(), 16u);
    gditest::RawBitmap raw;
    ASSERT_TRUE(gditest::ReadBitmap(win.bitmap, raw));
    EXPECT_EQ(raw.bpp, 4);
    EXPECT_EQ(raw.width, 20);
  }
}

TEST(DecodeBitmap, GrayOutputWhateverTheDisplay) {
  TProbeDecompressor d(nullptr);
  for (auto format : {gditest::DisplayFormat::TrueColour32, gditest::DisplayFormat::Palette8,
                      gditest::DisplayFormat::Colours16}) {
    if (!gditest::CanSetDisplayFormat(format)) continue;
    gditest::ScopedDisplay display(format);
    d.GrayScaleOutput = true;
    WinBitmap win;
    ReadWin(d, CJpeg(Ppm(8, 8)), win);
    auto entries = Entries(win.palette);
    ASSERT_EQ(entries.size(), 64u);
    EXPECT_EQ(entries[21].peRed, 128);
    EXPECT_EQ(entries[21].peGreen, 128);
    EXPECT_EQ(entries[21].peBlue, 128);
    // A grayscale image is decoded as gray even when not asked.
    d.GrayScaleOutput = false;
    WinBitmap gray;
    ReadWin(d, CJpeg(Pgm(8, 8)), gray);
    EXPECT_EQ(Entries(gray.palette).size(), 64u);
  }
}

TEST(DecodeBitmap, FailuresLeaveNoHandlesAndTheComponentUsable) {
  TProbeDecompressor d(nullptr);
  const gditest::HandleCounts before = gditest::LiveHandles();
  d.OnProgressReport = [](TObject*) { throw Exception("stop"); };
  {
    WinBitmap win;
    EXPECT_THROW(ReadWin(d, CJpeg(Ppm(8, 8)), win), Exception);
    EXPECT_EQ(win.bitmap, nullptr);
    EXPECT_EQ(win.palette, nullptr);
  }
  d.OnProgressReport = nullptr;
  {
    // A huge declared size fails before any decoding; the header-read codec
    // object is reset all the same.
    std::string huge = CJpeg(Ppm(8, 8));
    size_t sof = huge.find("\xFF\xC0");
    huge[sof + 5] = huge[sof + 7] = '\xFF';
    WinBitmap win;
    try {
      ReadWin(d, huge, win);
      ADD_FAILURE() << "decoded";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Image of 65288 x 65288 pixels exceeds the limit of 268435456 pixels");
    }
    EXPECT_TRUE(d.Idle());
  }
  EXPECT_EQ(gditest::LiveHandles(), before);
  WinBitmap win;
  EXPECT_NO_THROW(ReadWin(d, CJpeg(Ppm(8, 8)), win));
}

// A decode started from the component's own progress handler is refused as
// busy before it touches the codec, and the running decode completes as if
// it had not been tried.
TEST(DecodeBitmap, ANestedDecodeIsRefusedAndTheRunningOneCompletes) {
  const std::string jpeg = CJpeg(Ppm(30, 20));
  TProbeDecompressor d(nullptr);
  const std::string bmp = ConvertToBmp(d, jpeg, jp24bit);
  WinBitmap plain;
  ReadWin(d, jpeg, plain);

  std::vector<std::string> refusals;
  std::function<void()> nested;
  d.OnProgressReport = [&](TObject*) {
    if (!nested) return;
    try {
      std::exchange(nested, nullptr)();
      refusals.push_back("decoded");
    } catch (const Exception& e) {
      refusals.push_back(e.Message());
    }
  };
  nested = [&] {
    WinBitmap inner;
    d.ReadWinBitmap(inner.bitmap, inner.palette);
  };
  WinBitmap outer;
  ReadWin(d, jpeg, outer);
  EXPECT_TRUE(Drawn(outer.bitmap, 30, 20) == Drawn(plain.bitmap, 30, 20));
  nested = [&] {
    std::vector<uint32_t> info(TJPEGDecompressor::GetBitmapInfoSize(jp24bit) / 4);
    d.ReadDIBRows(reinterpret_cast<BITMAPINFO*>(info.data()), jp24bit,
                  [](uint32_t, const uint8_t*, size_t) {});
  };
  EXPECT_EQ(ConvertToBmp(d, jpeg, jp24bit), bmp);
  EXPECT_EQ(refusals, std::vector<std::string>(2, TJPEGDecompressor::kBusyMessage));
}

TEST(DecodeBitmap, ReadBitMapFromStreamGivesABitmapTheCallerOwns) {
  TProbeDecompressor d(nullptr);
  TMemoryStream in;
  FillStream(in, CJpeg(Ppm(17, 6)));
  std::unique_ptr<TBitmap> bitmap(d.ReadBitMapFromStream(in));
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->Width(), 17);
  EXPECT_EQ(bitmap->Height(), 6);
  EXPECT_EQ(bitmap->Palette(), nullptr);
  EXPECT_EQ(d.Stream(), nullptr);
}

TEST(DecodeBitmap, PictureFrontEnds) {
  const std::string jpeg = CJpeg(Ppm(11, 7));
  TJPEGFileDecompressor d(nullptr);
  TMemoryStream in;
  FillStream(in, jpeg);
  in.SetPosition(3);
  try {
    d.LoadPictureFromStream(nullptr, in);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "The Image Property is empty!");
  }
  EXPECT_EQ(in.Position(), 3);

  TPicture picture;
  in.SetPosition(0);
  d.LoadPictureFromStream(&picture, in);
  EXPECT_EQ(picture.Width(), 11);
  EXPECT_EQ(picture.Height(), 7);
  EXPECT_TRUE(Is<TBitmap>(picture.Graphic()));

  TempDir dir;
  WriteFileBytes(dir.File("a.jpg"), CJpeg(Ppm(5, 4)));
  d.LoadPictureFromFile(&picture, dir.File("a.jpg"));
  EXPECT_EQ(picture.Width(), 5);
  EXPECT_THROW(d.LoadPictureFromFile(&picture, dir.File("missing.jpg")), EFOpenError);
  EXPECT_EQ(picture.Width(), 5);
  // A failed decode keeps the picture as it was.
  WriteFileBytes(dir.File("bad.jpg"), "BM....");
  EXPECT_THROW(d.LoadPictureFromFile(&picture, dir.File("bad.jpg")), Exception);
  EXPECT_EQ(picture.Width(), 5);
}

// The suite embeds a 9 x 3 JPEG as the JPEG resources "SPLASHJPEG" and 321
// and as the RCDATA resource "OTHERTYPE".
TEST(DecodeBitmap, ResourceFrontEnds) {
  TJPEGStreamDecompressor d(nullptr);
  TPicture picture;
  d.LoadPictureFromResource(&picture, HInstance, "SPLASHJPEG");
  EXPECT_EQ(picture.Width(), 9);
  picture.SetGraphic(nullptr);
  d.LoadPictureFromResID(&picture, HInstance, 321);
  EXPECT_EQ(picture.Height(), 3);
  EXPECT_THROW(d.LoadPictureFromResource(&picture, HInstance, "OTHERTYPE"), EResNotFound);
  EXPECT_THROW(d.LoadPictureFromResource(nullptr, HInstance, "NOSUCH"), EResNotFound);
  EXPECT_THROW(d.LoadPictureFromResID(&picture, HInstance, 322), EResNotFound);
  try {
    d.LoadPictureFromResource(nullptr, HInstance, "SPLASHJPEG");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "The Image Property is empty!");
  }
}

}  // namespace
