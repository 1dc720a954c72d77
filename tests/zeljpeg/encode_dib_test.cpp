// WriteDIBitmap: pixel order, palette expansion, and DIBs it must refuse.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/zeljpeg/encode_fixtures.h"

using namespace encodetest;

namespace {

std::vector<Rgb> TestPalette(int entries) {
  std::vector<Rgb> palette;
  for (int i = 0; i < entries; ++i)
    palette.push_back({static_cast<uint8_t>(i * 37 % 256), static_cast<uint8_t>(i * 91 % 256),
                       static_cast<uint8_t>(255 - i * 13 % 256)});
  return palette;
}

bool Near(Rgb a, Rgb b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

std::string ExpectRefused(TJPEGStreamCompressor& c, const Dib& dib) {
  TMemoryStream stream;
  std::string message;
  try {
    c.SaveDIBitmapToStream(stream, dib.Info(), dib.Bits());
    ADD_FAILURE() << "compression of a DIB that must be refused succeeded";
  } catch (const Exception& e) {
    message = e.Message();
  }
  EXPECT_EQ(stream.Size(), 0) << "nothing may be written for a refused DIB";
  EXPECT_EQ(c.Stream(), nullptr);
  return message;
}

}  // namespace

// Top of the picture first, red and blue in their places: quadrants of pure
// colours survive compression at quality 100 within a small tolerance.
TEST(EncodeDib, RowOrderAndColourOrder) {
  RgbImage image;
  image.width = 16;
  image.height = 16;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      image.pixels.push_back(y < 8 ? (x < 8 ? Rgb{255, 0, 0} : Rgb{0, 255, 0})
                                   : (x < 8 ? Rgb{0, 0, 255} : Rgb{255, 255, 255}));
  TJPEGStreamCompressor c(nullptr);
  c.SetQuality(100);
  const RgbImage decoded = DJpegImage(Compress(c, Dib24(image)));
  ASSERT_EQ(decoded.width, 16);
  ASSERT_EQ(decoded.height, 16);
  EXPECT_TRUE(Near(decoded.At(2, 2), Rgb{255, 0, 0}, 8));
  EXPECT_TRUE(Near(decoded.At(13, 2), Rgb{0, 255, 0}, 8));
  EXPECT_TRUE(Near(decoded.At(2, 13), Rgb{0, 0, 255}, 8));
  EXPECT_TRUE(Near(decoded.At(13, 13), Rgb{255, 255, 255}, 8));
}

// A 3 x 2 DIB gives exactly what cjpeg makes of the same pixels as a PPM.
TEST(EncodeDib, TinyImageMatchesCjpeg) {
  RgbImage image;
  image.width = 3;
  image.height = 2;
  image.pixels = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}, {200, 100, 50}, {0, 0, 0}};
  TJPEGStreamCompressor c(nullptr);
  EXPECT_EQ(Compress(c, Dib24(image)), CJpeg(image, "-quality 75"));
}

// The larger versions of the header (V2, V3, V4, V5) carry the same first 40
// bytes; the colour table follows the header at the size it gives. Each DIB
// compresses as cjpeg compresses its pixels.
TEST(EncodeDib, LargerHeadersAreReadByTheirSize) {
  const std::vector<Rgb> palette = TestPalette(256);
  const RgbImage image = TestImage(13, 9);
  const std::vector<int> indices = Quantise(image, palette);
  TJPEGStreamCompressor c(nullptr);
  for (DWORD size : {52u, 56u, 108u, 124u})
    for (int bits : {8, 24}) {
      const Dib plain = bits == 8 ? Dib8(13, 9, indices, palette) : Dib24(image);
      Dib dib = plain;
      dib.header.insert(dib.header.begin() + sizeof(BITMAPINFOHEADER),
                        size - sizeof(BITMAPINFOHEADER), uint8_t{0x5A});
      dib.Header().biSize = size;
      const RgbImage pixels = bits == 8 ? FromIndices(13, 9, indices, palette) : image;
      EXPECT_EQ(Compress(c, dib), CJpeg(pixels, "-quality 75")) << size << " bytes, " << bits;
    }
}

TEST(EncodeDib, EightBitUniformIndexGivesThatColour) {
  std::vector<Rgb> palette = TestPalette(256);
  palette[5] = {30, 160, 220};
  const std::vector<int> indices(20 * 12, 5);
  TJPEGStreamCompressor c(nullptr);
  const RgbImage decoded = DJpegImage(Compress(c, Dib8(20, 12, indices, palette)));
  ASSERT_EQ(decoded.pixels.size(), indices.size());
  for (const Rgb& p : decoded.pixels) EXPECT_TRUE(Near(p, palette[5], 2));
}

// Palette expansion: a 4 or 8-bit DIB compresses to exactly the bytes of the
// 24-bit DIB with the expanded colours, for odd and even widths. The pixel
// blocks are exactly as large as the rows need, so a read past them fails
// under ASan.
TEST(EncodeDib, PaletteRowsExpandLikeTheirTrueColourImage) {
  TJPEGStreamCompressor c(nullptr);
  for (int bits : {4, 8}) {
    const std::vector<Rgb> palette = TestPalette(bits == 4 ? 16 : 256);
    for (int width : {1, 2, 3, 5, 7, 8, 13, 33}) {
      const int height = 9;
      const std::vector<int> indices = Quantise(TestImage(width, height, width), palette);
      const Dib dib =
          bits == 4 ? Dib4(width, height, indices, palette) : Dib8(width, height, indices, palette);
      const RgbImage expanded = FromIndices(width, height, indices, palette);
      EXPECT_EQ(Compress(c, dib), Compress(c, Dib24(expanded))) << bits << "-bit, width " << width;
    }
  }
}

TEST(EncodeDib, FourBitWidthFiveReadsOnlyItsRows) {
  const std::vector<Rgb> palette = TestPalette(16);
  std::vector<int> indices;
  for (int i = 0; i < 5 * 3; ++i) indices.push_back(i % 16);
  const Dib dib = Dib4(5, 3, indices, palette);
  ASSERT_EQ(dib.bits.size(), 12u);  // 3 pixel bytes, stride 4
  TJPEGStreamCompressor c(nullptr);
  EXPECT_EQ(Compress(c, dib), CJpeg(FromIndices(5, 3, indices, palette), "-quality 75"));
}

TEST(EncodeDib, UnsupportedBitCountsWriteNothing) {
  TJPEGStreamCompressor c(nullptr);
  for (int bits : {1, 16, 32})
    EXPECT_EQ(ExpectRefused(c, DibOfBitCount(8, 8, bits)),
              "Unable to compress at " + std::to_string(bits) + " bit resolution");
  // The component compresses normally afterwards.
  const RgbImage image = TestImage(16, 16);
  EXPECT_EQ(Compress(c, Dib24(image)), CJpeg(image, "-quality 75"));
}

// DIBs the compressor cannot read safely are refused before anything is
// written, with a message that says why.
TEST(EncodeDib, UnreadableDIBsAreRefused) {
  TJPEGStreamCompressor c(nullptr);
  const RgbImage image = TestImage(8, 8);
  {
    Dib dib = Dib24(image);
    dib.Header().biHeight = -8;
    EXPECT_EQ(ExpectRefused(c, dib), "Unable to compress a top-down DIB");
  }
  {
    Dib dib = Dib24(image);
    dib.Header().biCompression = 1;  // run-length
    EXPECT_EQ(ExpectRefused(c, dib), "Unable to compress a compressed DIB");
  }
  for (DWORD size : {0u, 12u, 64u, 100u}) {
    Dib dib = Dib24(image);
    dib.Header().biSize = size;
    EXPECT_EQ(ExpectRefused(c, dib),
              "Unable to compress a DIB with a header of " + std::to_string(size) + " bytes");
  }
  {
    Dib dib = DibOfBitCount(8, 8, 8);
    dib.Header().biClrUsed = 16;
    dib.header.resize(sizeof(BITMAPINFOHEADER) + 16 * 4);  // the table really is short
    EXPECT_EQ(ExpectRefused(c, dib),
              "Unable to compress a DIB whose colour table holds 16 of 256 entries");
  }
  {
    Dib dib = DibOfBitCount(8, 8, 4);
    dib.Header().biClrUsed = 2;
    EXPECT_EQ(ExpectRefused(c, dib),
              "Unable to compress a DIB whose colour table holds 2 of 16 entries");
  }
  {
    Dib dib = Dib24(image);
    dib.Header().biWidth = -8;
    EXPECT_EQ(ExpectRefused(c, dib), "Unable to compress a DIB of negative width");
  }
  {
    Dib dib = DibOfBitCount(8, 1, 8);
    dib.Header().biWidth = 70000;
    EXPECT_EQ(ExpectRefused(c, dib), "Maximum supported image dimension is 65500 pixels");
  }
  {
    Dib dib = Dib24(image);
    dib.bits.clear();
    EXPECT_EQ(ExpectRefused(c, dib), "Unable to compress a DIB without pixel data");
  }
  EXPECT_TRUE(c.Idle());
  EXPECT_EQ(Compress(c, Dib24(image)), CJpeg(image, "-quality 75"));
}

// Empty images end with the codec's empty-image error at every depth, with
// nothing written, and leave the component usable.
TEST(EncodeDib, EmptyImagesFailCleanly) {
  TJPEGStreamCompressor c(nullptr);
  for (int bits : {4, 8, 24})
    for (auto [w, h] : {std::pair{0, 4}, std::pair{4, 0}, std::pair{0, 0}}) {
      Dib dib = DibOfBitCount(w, h, bits);
      EXPECT_EQ(ExpectRefused(c, dib), "Empty JPEG image (DNL not supported)")
          << bits << " bits, " << w << " x " << h;
    }
  const RgbImage image = TestImage(9, 9);
  EXPECT_EQ(Compress(c, Dib24(image)), CJpeg(image, "-quality 75"));
}

TEST(EncodeDib, PlainCompressorHasNoDestination) {
  TJPEGCompressor c(nullptr);
  const Dib dib = Dib24(TestImage(8, 8));
  EXPECT_THROW(c.WriteDIBitmap(dib.Info(), dib.Bits()), EAbstractError);
  EXPECT_TRUE(c.Idle());
}
