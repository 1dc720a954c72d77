// DIBs from bitmaps, resized and cropped bitmaps, metafiles rendered to
// bitmaps, and the compression of bitmaps through them. Every test checks
// that all graphics handles it made are released again.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "platform/gdi/GdiTest.h"
#include "platform/graphics/Graphics.h"
#include "platform/graphics/Palettes.h"
#include "tests/support/GraphicsTestSupport.h"
#include "tests/support/TestSupport.h"
#include "tests/zeljpeg/encode_fixtures.h"
#include "zeljpeg/DIBFromBitmap.h"

using namespace encodetest;

namespace {

using DibTest = GraphicsTest;

int WidthBytes(int width, int bpp) {
  return ((width * bpp + 15) / 16) * 2;
}

// A device bitmap of the given depth holding image (or indices for <= 8).
HBITMAP MakeBitmap(const RgbImage& image, int bpp) {
  const int stride = WidthBytes(image.width, bpp);
  std::vector<uint8_t> rows(static_cast<size_t>(stride) * image.height);
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const Rgb p = image.At(x, y);
      uint8_t* row = rows.data() + static_cast<size_t>(y) * stride;
      if (bpp == 32) {
        row[4 * x] = p.b, row[4 * x + 1] = p.g, row[4 * x + 2] = p.r;
      } else if (bpp == 24) {
        row[3 * x] = p.b, row[3 * x + 1] = p.g, row[3 * x + 2] = p.r;
      } else if (bpp == 16) {
        const uint16_t v = static_cast<uint16_t>((p.r >> 3) << 10 | (p.g >> 3) << 5 | (p.b >> 3));
        row[2 * x] = static_cast<uint8_t>(v), row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
      } else if (bpp == 8) {
        row[x] = p.r;  // index in the red channel
      } else if (bpp == 4) {
        row[x / 2] |= static_cast<uint8_t>(x % 2 == 0 ? (p.r & 15) << 4 : p.r & 15);
      } else if (bpp == 1) {
        if (p.r) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
    }
  return CreateBitmap(image.width, image.height, 1, bpp, rows.data());
}

std::unique_ptr<TBitmap> BitmapOf(const RgbImage& image, int bpp) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetHandle(MakeBitmap(image, bpp));
  return bitmap;
}

HPALETTE PaletteOf(const std::vector<Rgb>& colours) {
  std::vector<PALETTEENTRY> entries;
  for (const Rgb& c : colours) entries.push_back({c.r, c.g, c.b, 0});
  return MakePalette(entries);
}

std::vector<Rgb> Palette256() {
  std::vector<Rgb> colours;
  for (int i = 0; i < 256; ++i)
    colours.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                       static_cast<uint8_t>(i * 7 % 256)});
  return colours;
}

// The bitmap's pixels as colours (32 or 24-bit bitmaps).
RgbImage PixelsOf(HBITMAP bitmap) {
  gditest::RawBitmap raw;
  EXPECT_TRUE(gditest::ReadBitmap(bitmap, raw));
  RgbImage image;
  image.width = raw.width;
  image.height = raw.height;
  const int step = raw.bpp / 8;
  for (int y = 0; y < raw.height; ++y)
    for (int x = 0; x < raw.width; ++x) {
      const uint8_t* p = raw.pixels.data() + static_cast<size_t>(y) * raw.RowBytes() + x * step;
      image.pixels.push_back({p[2], p[1], p[0]});
    }
  return image;
}

struct DibBlocks {
  std::vector<uint8_t> header;
  std::vector<uint8_t> bits;
};

DibBlocks DibOf(TBitmap* bitmap, TBitmapResolution resolution) {
  int32_t header_size = 0, image_size = 0;
  GetDIBSizes(bitmap->Handle(), resolution, header_size, image_size);
  DibBlocks dib{std::vector<uint8_t>(header_size), std::vector<uint8_t>(image_size)};
  Bitmap2DIB(bitmap, resolution, dib.header.data(), dib.bits.data());
  return dib;
}

}  // namespace

TEST_F(DibTest, HeaderDepthFollowsTheResolution) {
  const RgbImage image = TestImage(10, 3);
  struct Case {
    int bpp;
    TBitmapResolution resolution;
    int bit_count;
    int header_size;
  };
  for (const Case& k :
       {Case{32, bmDefault, 24, 40}, Case{32, bm256Colour, 8, 1064}, Case{32, bm16Colour, 4, 104},
        Case{32, bm24bit, 24, 40}, Case{16, bmDefault, 24, 40}, Case{8, bmDefault, 8, 1064},
        Case{4, bmDefault, 4, 104}, Case{1, bmDefault, 1, 48}, Case{1, bm24bit, 24, 40}}) {
    HBITMAP bitmap = MakeBitmap(image, k.bpp);
    BITMAPINFOHEADER header;
    std::memset(&header, 0xAB, sizeof(header));
    GetBitmapInfoHeader(bitmap, k.resolution, header);
    EXPECT_EQ(header.biSize, 40u);
    EXPECT_EQ(header.biWidth, 10);
    EXPECT_EQ(header.biHeight, 3);
    EXPECT_EQ(header.biPlanes, 1);
    EXPECT_EQ(header.biBitCount, k.bit_count) << k.bpp << " bpp, resolution " << int(k.resolution);
    EXPECT_EQ(header.biCompression, 0u);
    EXPECT_EQ(header.biXPelsPerMeter, 0);
    EXPECT_EQ(header.biYPelsPerMeter, 0);
    EXPECT_EQ(header.biClrUsed, 0u);
    EXPECT_EQ(header.biClrImportant, 0u);
    int32_t header_size = 0, image_size = 0;
    GetDIBSizes(bitmap, k.resolution, header_size, image_size);
    EXPECT_EQ(header_size, k.header_size);
    EXPECT_EQ(image_size, static_cast<int32_t>(header.biSizeImage));
    DeleteObject(bitmap);
  }
}

TEST_F(DibTest, ImageSizesOfATenByThreeBitmap) {
  HBITMAP bitmap = MakeBitmap(TestImage(10, 3), 32);
  int32_t header_size = 0, image_size = 0;
  GetDIBSizes(bitmap, bm24bit, header_size, image_size);
  EXPECT_EQ(image_size, 96);
  GetDIBSizes(bitmap, bm256Colour, header_size, image_size);
  EXPECT_EQ(image_size, 36);
  GetDIBSizes(bitmap, bm16Colour, header_size, image_size);
  EXPECT_EQ(image_size, 24);
  DeleteObject(bitmap);
}

// A handle that does not name a readable bitmap never yields a header.
TEST_F(DibTest, UnreadableHandlesAreRefused) {
  HBITMAP deleted = MakeBitmap(TestImage(4, 4), 32);
  DeleteObject(deleted);
  HPALETTE palette = PaletteOf(Palette256());
  for (HBITMAP handle :
       {static_cast<HBITMAP>(nullptr), deleted, reinterpret_cast<HBITMAP>(palette)}) {
    BITMAPINFOHEADER header{};
    EXPECT_THROW(GetBitmapInfoHeader(handle, bmDefault, header), Exception);
    int32_t header_size = -1, image_size = -1;
    EXPECT_THROW(GetDIBSizes(handle, bmDefault, header_size, image_size), Exception);
  }
  DeleteObject(palette);
  TBitmap empty;
  TJPEGStreamCompressor c(nullptr);
  TMemoryStream stream;
  EXPECT_THROW(c.SaveBitMapToStream(&empty, stream), Exception);
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_THROW(c.SaveBitMapToStream(nullptr, stream), Exception);
}

TEST_F(DibTest, Bitmap2DIBCopiesPixelsBottomUp) {
  const RgbImage image = TestImage(7, 5);
  auto bitmap = BitmapOf(image, 32);
  const DibBlocks dib = DibOf(bitmap.get(), bmDefault);
  const Dib expected = Dib24(image);
  EXPECT_EQ(dib.bits, expected.bits);
  // The bitmap is still usable afterwards: not left selected anywhere.
  EXPECT_EQ(DibOf(bitmap.get(), bmDefault).bits, expected.bits);
}

// An 8-bit bitmap is read through its own palette: the colour table is the
// palette and the indices stay as they are.
TEST_F(DibTest, Bitmap2DIBUsesTheBitmapsPalette) {
  SKIP_ON_WINDOWS(
      "Wine reads an 8-bit device bitmap on a true-colour display through its own default "
      "colour table, not through the palette selected into the context");
  const std::vector<Rgb> colours = Palette256();
  RgbImage indices = TestImage(9, 4);
  for (size_t i = 0; i < indices.pixels.size(); ++i)
    indices.pixels[i].r = static_cast<uint8_t>((i * 29) % 256);
  auto bitmap = BitmapOf(indices, 8);
  bitmap->SetPalette(PaletteOf(colours));
  const DibBlocks dib = DibOf(bitmap.get(), bmDefault);
  for (int i = 0; i < 256; ++i) {
    const uint8_t* e = dib.header.data() + 40 + 4 * i;
    ASSERT_EQ((Rgb{e[2], e[1], e[0]}), colours[i]) << "entry " << i;
  }
  const int stride = 12;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 9; ++x)
      EXPECT_EQ(dib.bits[static_cast<size_t>(3 - y) * stride + x], indices.At(x, y).r);
}

// WriteBitmap compresses the DIB that Bitmap2DIB makes at the default depth.
TEST_F(DibTest, WriteBitmapByDepth) {
  const RgbImage image = TestImage(21, 13);
  TJPEGStreamCompressor c(nullptr);
  {
    auto bitmap = BitmapOf(image, 32);
    TMemoryStream stream;
    c.SaveBitMapToStream(bitmap.get(), stream);
    EXPECT_EQ(StreamBytes(stream), Compress(c, Dib24(image)));
  }
  {
    auto bitmap = BitmapOf(image, 16);
    const DibBlocks dib = DibOf(bitmap.get(), bmDefault);
    EXPECT_EQ(reinterpret_cast<const BITMAPINFOHEADER*>(dib.header.data())->biBitCount, 24);
    TMemoryStream stream;
    c.SaveBitMapToStream(bitmap.get(), stream);
    Dib expected;
    expected.header = dib.header;
    expected.bits = dib.bits;
    EXPECT_EQ(StreamBytes(stream), Compress(c, expected));
    EXPECT_EQ(DJpegImage(StreamBytes(stream)).width, 21);
  }
  {
    SKIP_ON_WINDOWS("Wine reads an 8-bit device bitmap through its own default colour table");
    const std::vector<Rgb> colours = Palette256();
    RgbImage indices = image;
    std::vector<int> index_list;
    for (size_t i = 0; i < indices.pixels.size(); ++i) {
      indices.pixels[i].r = static_cast<uint8_t>((i * 11) % 256);
      index_list.push_back(indices.pixels[i].r);
    }
    auto bitmap = BitmapOf(indices, 8);
    bitmap->SetPalette(PaletteOf(colours));
    TMemoryStream stream;
    c.SaveBitMapToStream(bitmap.get(), stream);
    EXPECT_EQ(StreamBytes(stream), Compress(c, Dib24(FromIndices(21, 13, index_list, colours))));
  }
  {
    auto bitmap = BitmapOf(image, 1);
    TMemoryStream stream;
    try {
      c.SaveBitMapToStream(bitmap.get(), stream);
      ADD_FAILURE();
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Unable to compress at 1 bit resolution");
    }
    EXPECT_EQ(stream.Size(), 0);
  }
}

TEST_F(DibTest, ReSizeBitmapMakesANewBitmap) {
  const RgbImage image = TestImage(100, 50);
  auto source = BitmapOf(image, 32);
  source->SetPalette(PaletteOf(Palette256()));
  {
    std::unique_ptr<TBitmap> resized(ReSizeBitmap(source.get(), 50, 25));
    EXPECT_EQ(resized->Width(), 50);
    EXPECT_EQ(resized->Height(), 25);
    ASSERT_NE(resized->Palette(), nullptr);
    EXPECT_NE(resized->Palette(), source->Palette());
    // Halftone: each target pixel averages a 2 x 2 block.
    const RgbImage small = PixelsOf(resized->Handle());
    const int avg =
        (image.At(20, 10).g + image.At(21, 10).g + image.At(20, 11).g + image.At(21, 11).g) / 4;
    EXPECT_NEAR(small.At(10, 5).g, avg, 1);
  }
  EXPECT_EQ(source->Width(), 100);
  EXPECT_EQ(PixelsOf(source->Handle()).pixels, image.pixels);
  EXPECT_EQ(GetPaletteEntries(source->Palette(), 0, 0, nullptr), 256u);
  TJPEGStreamCompressor c(nullptr);
  TMemoryStream stream;
  c.SaveStretchedBitMapToStream(source.get(), 30, 20, stream);
  const RgbImage decoded = DJpegImage(StreamBytes(stream));
  EXPECT_EQ(decoded.width, 30);
  EXPECT_EQ(decoded.height, 20);
}

TEST_F(DibTest, CropBitmapCopiesARectangleUnscaled) {
  const RgbImage image = TestImage(40, 40);
  auto source = BitmapOf(image, 32);
  std::unique_ptr<TBitmap> crop(CropBitmap(source.get(), 10, 20, RECT{10, 10, 20, 30}));
  EXPECT_EQ(crop->Palette(), nullptr);
  const RgbImage part = PixelsOf(crop->Handle());
  ASSERT_EQ(part.width, 10);
  ASSERT_EQ(part.height, 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(part.At(x, y), image.At(10 + x, 10 + y));
}

TEST_F(DibTest, CropBitmapOutsideTheSourceFailsWithoutLeaks) {
  auto source = BitmapOf(TestImage(8, 8), 32);
  EXPECT_THROW(CropBitmap(nullptr, 4, 4, RECT{0, 0, 4, 4}), Exception);
#ifndef _WIN32
  // The portable graphics calls refuse to copy from outside a bitmap and to
  // make one of negative width; the system's (Wine's) do both.
  EXPECT_THROW(CropBitmap(source.get(), 4, 4, RECT{4, 4, 20, 20}), Exception);
  EXPECT_THROW(CropBitmap(source.get(), -4, 4, RECT{0, 0, 4, 4}), Exception);
#endif
  // The source can still be cropped.
  std::unique_ptr<TBitmap> crop(CropBitmap(source.get(), 4, 4, RECT{0, 0, 4, 4}));
  EXPECT_EQ(crop->Width(), 4);
}

TEST_F(DibTest, MetaToBitmapOfAnEmptyDrawingIsWhite) {
  TMetafile metafile;
  metafile.SetWidth(30);
  metafile.SetHeight(20);
  { TMetafileCanvas canvas(&metafile, nullptr); }
  std::unique_ptr<TBitmap> bitmap(MetaToBitmap(&metafile, 17, 9));
  const RgbImage pixels = PixelsOf(bitmap->Handle());
  ASSERT_EQ(pixels.width, 17);
  ASSERT_EQ(pixels.height, 9);
  for (const Rgb& p : pixels.pixels) ASSERT_EQ(p, (Rgb{255, 255, 255}));
  // Above the pixel limit nothing is allocated (22980 x 22980 would take 2 GB).
  const gditest::HandleCounts before = gditest::LiveHandles();
  try {
    std::unique_ptr<TBitmap> huge(MetaToBitmap(&metafile, 22980, 22980));
    ADD_FAILURE() << "rendered";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Image of 22980 x 22980 pixels exceeds the limit of 268435456 pixels");
  }
  EXPECT_EQ(gditest::LiveHandles(), before);
}

TEST_F(DibTest, MetaToBitmapScalesTheDrawing) {
  TMetafile metafile;
  metafile.SetWidth(20);
  metafile.SetHeight(20);
  {
    TMetafileCanvas canvas(&metafile, nullptr);
    canvas.Brush()->SetColor(clBlue);
    canvas.FillRect(RECT{0, 0, 10, 20});
  }
  std::unique_ptr<TBitmap> bitmap(MetaToBitmap(&metafile, 40, 10));
  const RgbImage pixels = PixelsOf(bitmap->Handle());
  EXPECT_EQ(pixels.At(5, 5), (Rgb{0, 0, 255}));
  EXPECT_EQ(pixels.At(35, 5), (Rgb{255, 255, 255}));
}

TEST_F(DibTest, MetaToBitmapWithPalette) {
  SKIP_ON_WINDOWS(
      "Wine keeps no palette entries in metafiles (GetEnhMetaFilePaletteEntries answers 0)");
  TMemoryStream emf;
  FillStream(emf, BuildEmf(2000, 1000, {0xFF0000, 0x00FF00, 0x0000FF}));
  TMetafile metafile;
  metafile.LoadFromStream(emf);
  ASSERT_NE(metafile.Palette(), nullptr);
  std::unique_ptr<TBitmap> bitmap(MetaToBitmap(&metafile, 12, 6));
  EXPECT_EQ(bitmap->Width(), 12);
  EXPECT_EQ(PixelsOf(bitmap->Handle()).At(3, 3), (Rgb{255, 255, 255}));
}

TEST_F(DibTest, MetafilePlaybackFailureIsReported) {
  TMetafile empty;
  try {
    delete MetaToBitmap(&empty, 10, 10);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Unable to render metafile as a bitmap - PlayEnhMetaFile returned 6");
  }
  TJPEGStreamCompressor c(nullptr);
  TMemoryStream stream;
  EXPECT_THROW(c.SaveMetaFileToStream(&empty, stream, 10, 10), Exception);
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_THROW(MetaToBitmap(nullptr, 10, 10), Exception);
}

// On a palette display the new bitmaps take the screen's depth, so the DIB
// the compressor builds from them has 8 bits; it still compresses.
TEST_F(DibTest, PaletteDisplayGivesEightBitBitmaps) {
  REQUIRE_DISPLAY_FORMAT(gditest::DisplayFormat::Palette8);
  gditest::ScopedDisplay display(gditest::DisplayFormat::Palette8);
  TMetafile metafile;
  metafile.SetWidth(16);
  metafile.SetHeight(16);
  {
    TMetafileCanvas canvas(&metafile, nullptr);
    canvas.Brush()->SetColor(clRed);
    canvas.FillRect(RECT{0, 0, 16, 8});
  }
  std::unique_ptr<TBitmap> bitmap(MetaToBitmap(&metafile, 16, 16));
  BITMAPINFOHEADER header;
  GetBitmapInfoHeader(bitmap->Handle(), bmDefault, header);
  EXPECT_EQ(header.biBitCount, 8);
  TJPEGStreamCompressor c(nullptr);
  TMemoryStream stream;
  c.SaveMetaFileToStream(&metafile, stream, 16, 16);
  const RgbImage decoded = DJpegImage(StreamBytes(stream));
  EXPECT_GT(decoded.At(4, 2).r, 200);
  EXPECT_GT(decoded.At(4, 13).b, 200);
}
