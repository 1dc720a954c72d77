// ReadDIBitmap through ConvertToDIB: the four output types, their sizes and
// layouts, and the codec's own djpeg as the oracle for the pixels.
#include <gtest/gtest.h>

#include "tests/zeljpeg/decode_fixtures.h"

using namespace decodetest;

namespace {

int32_t RowBytes(const BITMAPINFOHEADER& h) {
  return Round4((h.biWidth * h.biBitCount + 7) / 8);
}

// Our DIB's rows (the front of its pixel block) must equal the oracle's.
void ExpectSameRows(const Bmp& ours, const Bmp& oracle, const std::string& what) {
  ASSERT_EQ(ours.info.biWidth, oracle.info.biWidth) << what;
  ASSERT_EQ(ours.info.biHeight, oracle.info.biHeight) << what;
  size_t rows = static_cast<size_t>(RowBytes(ours.info)) * ours.info.biHeight;
  ASSERT_GE(ours.bits.size(), rows) << what;
  ASSERT_GE(oracle.bits.size(), rows) << what;
  EXPECT_TRUE(ours.bits.compare(0, rows, oracle.bits, 0, rows) == 0) << what;
}

void ExpectSamePalette(const Bmp& ours, const Bmp& oracle, const std::string& what) {
  ASSERT_GT(ours.info.biClrUsed, 0u) << what;
  ASSERT_LE(ours.info.biClrUsed, oracle.colours.size()) << what;
  for (size_t i = 0; i < ours.info.biClrUsed; ++i) {
    const RGBQUAD& a = ours.colours[i];
    const RGBQUAD& b = oracle.colours[i];
    EXPECT_TRUE(a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed &&
                a.rgbReserved == 0)
        << what << " entry " << i;
  }
}

struct Sample {
  int w, h;
  const char* cjpeg;
};
const Sample kSamples[] = {
    {37, 23, "-quality 85"}, {64, 48, "-progressive"},
    {33, 17, "-restart 1"},  {20, 31, "-sample 1x1 -quality 95"},
    {3, 2, "-quality 75"},
};

TEST(DecodeOracle, TwentyFourBitMatchesDjpeg) {
  TProbeDecompressor d(nullptr);
  for (const Sample& s : kSamples) {
    std::string jpeg = CJpeg(Ppm(s.w, s.h), s.cjpeg);
    Bmp ours = ParseBmp(ConvertToBmp(d, jpeg, jp24bit));
    Bmp oracle = ParseBmp(DJpeg(jpeg, "-bmp"));
    EXPECT_EQ(ours.info.biBitCount, 24);
    EXPECT_EQ(ours.info.biClrUsed, 0u);
    ExpectSameRows(ours, oracle, s.cjpeg);
  }
}

TEST(DecodeOracle, EightBitMatchesDjpegWithTheSameQuantiser) {
  struct Variant {
    int colours;
    bool two_pass;
    J_DITHER_MODE dither;
    bool fancy;
    J_DCT_METHOD dct;
    const char* djpeg;
  };
  const Variant variants[] = {
      {64, true, JDITHER_FS, true, JDCT_ISLOW, "-colors 64"},
      {256, true, JDITHER_NONE, true, JDCT_ISLOW, "-colors 256 -dither none"},
      {32, false, JDITHER_ORDERED, true, JDCT_ISLOW, "-colors 32 -onepass -dither ordered"},
      {100, false, JDITHER_FS, false, JDCT_IFAST, "-colors 100 -onepass -nosmooth -dct fast"},
      {8, true, JDITHER_FS, true, JDCT_FLOAT, "-colors 8 -dct float"},
  };
  for (const Sample& s : kSamples) {
    std::string jpeg = CJpeg(Ppm(s.w, s.h, 3), s.cjpeg);
    for (const Variant& v : variants) {
      TProbeDecompressor d(nullptr);
      d.ColoursIn8bitMode = v.colours;
      d.TwoPassQuantize = v.two_pass;
      d.DitherMode = v.dither;
      d.DoFancyUpSampling = v.fancy;
      d.DCTMethod = v.dct;
      std::string what = std::string(s.cjpeg) + " / " + v.djpeg;
      Bmp ours = ParseBmp(ConvertToBmp(d, jpeg, jp8bit));
      Bmp oracle = ParseBmp(DJpeg(jpeg, std::string(v.djpeg) + " -bmp"));
      EXPECT_EQ(ours.info.biBitCount, 8) << what;
      EXPECT_LE(ours.info.biClrUsed, static_cast<DWORD>(v.colours)) << what;
      ExpectSamePalette(ours, oracle, what);
      ExpectSameRows(ours, oracle, what);
    }
  }
}

TEST(DecodeOracle, FourBitIsDjpegSixteenColoursPackedTwoPerByte) {
  TProbeDecompressor d(nullptr);
  for (const Sample& s : kSamples) {
    std::string jpeg = CJpeg(Ppm(s.w, s.h, 5), s.cjpeg);
    Bmp ours = ParseBmp(ConvertToBmp(d, jpeg, jp4bit));
    Bmp oracle = ParseBmp(DJpeg(jpeg, "-colors 16 -bmp"));
    ASSERT_EQ(ours.info.biBitCount, 4);
    ExpectSamePalette(ours, oracle, s.cjpeg);
    const int w = ours.info.biWidth, h = ours.info.biHeight;
    const int our_row = Round4((w + 1) / 2), oracle_row = Round4(w);
    for (int y = 0; y < h; ++y)
      for (int k = 0; k < our_row; ++k) {
        auto at = [&](int x) {
          return x < w ? static_cast<uint8_t>(oracle.bits[y * oracle_row + x]) : 0;
        };
        uint8_t expected = static_cast<uint8_t>((at(2 * k) << 4) | at(2 * k + 1));
        ASSERT_EQ(static_cast<uint8_t>(ours.bits[y * our_row + k]), expected)
            << s.cjpeg << " row " << y << " byte " << k;
      }
  }
}

// The gray table itself is checked by DecodeDIB.GrayTableTellingValues.
TEST(DecodeOracle, GrayscaleIsDjpegGrayscaleShiftedToSixtyFourLevels) {
  TProbeDecompressor d(nullptr);
  std::vector<std::string> jpegs;
  for (const Sample& s : kSamples) jpegs.push_back(CJpeg(Ppm(s.w, s.h, 7), s.cjpeg));
  jpegs.push_back(CJpeg(Pgm(29, 13)));
  jpegs.push_back(CJpeg(Pgm(40, 40), "-progressive"));
  for (const std::string& jpeg : jpegs) {
    Bmp ours = ParseBmp(ConvertToBmp(d, jpeg, jpGrayscale));
    Bmp oracle = ParseBmp(DJpeg(jpeg, "-grayscale -bmp"));
    ASSERT_EQ(ours.info.biBitCount, 8);
    ASSERT_EQ(ours.info.biClrUsed, 64u);
    const int w = ours.info.biWidth, row = Round4(w);
    for (int y = 0; y < ours.info.biHeight; ++y)
      for (int x = 0; x < row; ++x) {
        uint8_t expected = x < w ? static_cast<uint8_t>(oracle.bits[y * row + x]) >> 2 : 0;
        ASSERT_EQ(static_cast<uint8_t>(ours.bits[y * row + x]), expected);
      }
  }
}

TEST(DecodeDIB, GrayTableTellingValues) {
  TProbeDecompressor d(nullptr);
  Bmp bmp = ParseBmp(ConvertToBmp(d, CJpeg(Ppm(8, 8)), jpGrayscale));
  const std::pair<int, int> telling[] = {{0, 0},    {1, 6},    {10, 63},  {21, 128}, {31, 178},
                                         {42, 221}, {60, 254}, {61, 255}, {62, 255}, {63, 255}};
  for (auto [i, v] : telling) EXPECT_EQ(bmp.colours[i].rgbRed, v) << i;
  for (const RGBQUAD& c : bmp.colours) EXPECT_TRUE(c.rgbGreen == c.rgbRed && c.rgbBlue == c.rgbRed);
}

TEST(DecodeDIB, SizesFollowTheOutputType) {
  EXPECT_EQ(TJPEGDecompressor::GetBitmapInfoSize(jp24bit), 40);
  EXPECT_EQ(TJPEGDecompressor::GetBitmapInfoSize(jp8bit), 1064);
  EXPECT_EQ(TJPEGDecompressor::GetBitmapInfoSize(jp4bit), 104);
  EXPECT_EQ(TJPEGDecompressor::GetBitmapInfoSize(jpGrayscale), 296);

  TProbeDecompressor d(nullptr);
  TMemoryStream in;
  FillStream(in, CJpeg(Ppm(5, 3)));
  d.OpenStream(in);
  EXPECT_EQ(d.GetDIBitsSize(jp24bit), 16 * 3);
  EXPECT_EQ(d.GetDIBitsSize(jp8bit), 16 * 3);  // the image's own 3 components
  EXPECT_EQ(d.GetDIBitsSize(jp4bit), 4 * 3);
  d.Abort();
  d.CloseStream();
}

TEST(DecodeDIB, ConvertToDIBLayoutOfA3x2Image) {
  TProbeDecompressor d(nullptr);
  std::string file = ConvertToBmp(d, CJpeg(Ppm(3, 2)), jp24bit);
  ASSERT_EQ(file.size(), 78u);
  Bmp bmp = ParseBmp(file);
  EXPECT_EQ(file.substr(0, 2), "BM");
  EXPECT_EQ(+bmp.file.bfSize, 78u);
  EXPECT_EQ(+bmp.file.bfReserved1, 0);
  EXPECT_EQ(+bmp.file.bfReserved2, 0);
  EXPECT_EQ(+bmp.file.bfOffBits, 54u);
  EXPECT_EQ(bmp.info.biSize, 40u);
  EXPECT_EQ(bmp.info.biWidth, 3);
  EXPECT_EQ(bmp.info.biHeight, 2);
  EXPECT_EQ(bmp.info.biPlanes, 1);
  EXPECT_EQ(bmp.info.biBitCount, 24);
  EXPECT_EQ(bmp.info.biCompression, 0u);
  EXPECT_EQ(bmp.info.biSizeImage, 0u);
  for (int row = 0; row < 2; ++row)
    EXPECT_EQ(bmp.bits.substr(row * 12 + 9, 3), std::string(3, '\0'));
}

TEST(DecodeDIB, ConvertToDIBWritesTheWholeBlockSizedBeforeDecoding) {
  TProbeDecompressor d(nullptr);
  std::string file = ConvertToBmp(d, CJpeg(Ppm(10, 4)), jpGrayscale);
  Bmp bmp = ParseBmp(file);
  EXPECT_EQ(+bmp.file.bfOffBits, 310u);
  // 3 bytes a pixel were reserved for the colour image; the 8-bit rows fill
  // the front, the rest is zero.
  EXPECT_EQ(file.size(), 310u + 32 * 4);
  EXPECT_EQ(+bmp.file.bfSize, file.size());
  EXPECT_EQ(bmp.bits.substr(12 * 4), std::string(20 * 4, '\0'));
  for (int i = 0; i < 12 * 4; ++i) EXPECT_LT(static_cast<uint8_t>(bmp.bits[i]), 64);
  EXPECT_EQ(bmp.colours[21].rgbRed, 128);
}

// Rows need no zeroed buffer: the decoder writes every byte of them, their
// padding zeroed, and leaves the bytes after them as they were.
TEST(DecodeDIB, RowsAreWholeInABufferThatWasNotZeroed) {
  const std::string jpeg = CJpeg(Ppm(13, 5));
  for (TJPEGOutputType type : {jp24bit, jp8bit, jp4bit, jpGrayscale}) {
    std::string zeroed, filled;
    for (char fill : {'\0', '\xA5'}) {
      TProbeDecompressor d(nullptr);
      TMemoryStream in;
      FillStream(in, jpeg);
      d.OpenStream(in);
      std::vector<uint8_t> info(static_cast<size_t>(d.GetBitmapInfoSize(type)));
      std::string bits(static_cast<size_t>(d.GetDIBitsSize(type)), fill);
      d.ReadDIBitmap(reinterpret_cast<BITMAPINFO*>(info.data()), type, bits.data());
      const auto& h = *reinterpret_cast<const BITMAPINFOHEADER*>(info.data());
      const size_t rows = static_cast<size_t>(RowBytes(h)) * h.biHeight;
      EXPECT_EQ(bits.substr(rows), std::string(bits.size() - rows, fill)) << type;
      (fill == '\0' ? zeroed : filled) = bits.substr(0, rows);
    }
    EXPECT_EQ(filled, zeroed) << type;
  }
}

TEST(DecodeDIB, FourBitRowsOfAnOddWidth) {
  TProbeDecompressor d(nullptr);
  Bmp bmp = ParseBmp(ConvertToBmp(d, CJpeg(Ppm(5, 3)), jp4bit));
  Bmp oracle = ParseBmp(DJpeg(CJpeg(Ppm(5, 3)), "-colors 16 -bmp"));
  ASSERT_EQ(bmp.info.biBitCount, 4);
  for (int y = 0; y < 3; ++y) {
    EXPECT_EQ(static_cast<uint8_t>(bmp.bits[y * 4 + 2]),
              static_cast<uint8_t>(oracle.bits[y * 8 + 4]) << 4);
    EXPECT_EQ(bmp.bits[y * 4 + 3], '\0');
  }
}

TEST(DecodeDIB, EightBitDefaultsToAtMost64Colours) {
  TProbeDecompressor d(nullptr);
  Bmp bmp = ParseBmp(ConvertToBmp(d, CJpeg(Ppm(64, 64)), jp8bit));
  EXPECT_EQ(bmp.info.biBitCount, 8);
  EXPECT_GT(bmp.info.biClrUsed, 0u);
  EXPECT_LE(bmp.info.biClrUsed, 64u);
}

TEST(DecodeDIB, ColourCountsOutsideTheCodecsRangeFailAndTheNextDecodeWorks) {
  TProbeDecompressor d(nullptr);
  const std::string jpeg = CJpeg(Ppm(16, 16));
  for (bool two_pass : {true, false}) {
    d.TwoPassQuantize = two_pass;
    d.ColoursIn8bitMode = 7;
    try {
      ConvertToBmp(d, jpeg, jp8bit);
      FAIL();
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Cannot quantize to fewer than 8 colors");
    }
    d.ColoursIn8bitMode = 257;
    try {
      ConvertToBmp(d, jpeg, jp8bit);
      FAIL();
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Cannot quantize to more than 256 colors");
    }
  }
  d.ColoursIn8bitMode = 64;
  EXPECT_EQ(ParseBmp(ConvertToBmp(d, jpeg, jp8bit)).info.biBitCount, 8);
}

TEST(DecodeDIB, GrayscaleImageAsColourFailsAndTheNextDecodeWorks) {
  TProbeDecompressor d(nullptr);
  const std::string gray = CJpeg(Pgm(9, 9));
  for (TJPEGOutputType t : {jp24bit, jp8bit, jp4bit}) {
    try {
      ConvertToBmp(d, gray, t);
      FAIL();
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Image is Grayscale but colour output requested");
    }
  }
  Bmp bmp = ParseBmp(ConvertToBmp(d, gray, jpGrayscale));
  EXPECT_EQ(bmp.info.biClrUsed, 64u);
  EXPECT_EQ(+bmp.file.bfOffBits, 310u);
}

// Four-component (CMYK, YCCK) and two-component images cannot be shown in
// any output type: each is refused before decoding starts, with a message
// that says why, and the component decodes the next image.
TEST(DecodeDIB, ComponentCountsTheOutputCannotShowAreRefused) {
  struct Case {
    std::string jpeg;
    std::string prefix;
  };
  const Case cases[] = {
      {ApiJpeg(12, 10, 4, JCS_CMYK, JCS_CMYK), "Image is CMYK or YCCK; "},
      {ApiJpeg(12, 10, 4, JCS_CMYK, JCS_YCCK), "Image is CMYK or YCCK; "},
      {ApiJpeg(12, 10, 2, JCS_UNKNOWN, JCS_UNKNOWN), "Image has 2 colour components; "},
  };
  const std::pair<TJPEGOutputType, std::string> types[] = {{jp24bit, "24-bit colour output "},
                                                           {jp8bit, "8-bit colour output "},
                                                           {jp4bit, "4-bit colour output "},
                                                           {jpGrayscale, "grayscale output "}};
  TProbeDecompressor d(nullptr);
  for (const Case& c : cases)
    for (const auto& [type, text] : types) {
      const bool four = c.prefix.find("CMYK") != std::string::npos;
      const std::string expected = c.prefix + text +
                                   (four                  ? "is not possible"
                                    : type == jpGrayscale ? "needs 1 or 3"
                                                          : "needs 3");
      for (bool two_pass : {true, false}) {
        d.TwoPassQuantize = two_pass;
        try {
          ConvertToBmp(d, c.jpeg, type);
          ADD_FAILURE() << expected;
        } catch (const Exception& e) {
          EXPECT_EQ(e.Message(), expected);
        }
        EXPECT_TRUE(d.Idle());
      }
    }
  EXPECT_EQ(ParseBmp(ConvertToBmp(d, CJpeg(Ppm(8, 8)), jp8bit)).info.biBitCount, 8);
}

}  // namespace
