// Hostile and broken input: every failure is a clear Exception, nothing is
// read or written outside a buffer (run under ASan), and the component
// decodes the next image.
#include <gtest/gtest.h>

#include "tests/zeljpeg/decode_fixtures.h"

using namespace decodetest;

namespace {

TEST(DecodeBadInput, EveryPrefixOfAJpeg) {
  for (const char* args : {"-quality 80", "-progressive", "-restart 1"}) {
    const std::string jpeg = CJpeg(Ppm(24, 16), args);
    TProbeDecompressor d(nullptr);
    d.OnWarning = [](const char*) {};
    const std::string expected = ConvertToBmp(d, jpeg, jp24bit);
    for (size_t n = 0; n < jpeg.size(); ++n) {
      const TJPEGOutputType type = static_cast<TJPEGOutputType>(n % 4);
      std::string message = DecodeError(d, jpeg.substr(0, n), type);
      if (n == 0) {
        EXPECT_EQ(message, "Premature end of input file");
      }
      ASSERT_TRUE(d.Idle()) << args << " prefix " << n;
    }
    ExpectHealthy(d, jpeg, expected);
  }
}

TEST(DecodeBadInput, SingleByteCorruptions) {
  const std::string jpeg = CJpeg(Ppm(16, 16), "-progressive -quality 70");
  const std::string baseline = CJpeg(Ppm(16, 8), "-restart 1 -quality 70");
  for (const std::string* source : {&jpeg, &baseline}) {
    TProbeDecompressor d(nullptr);
    d.OnWarning = [](const char*) {};
    const std::string expected = ConvertToBmp(d, *source, jp24bit);
    for (size_t at = 0; at < source->size(); ++at)
      for (uint8_t value : {0x00, 0xFF, 0x5A}) {
        std::string bad = *source;
        bad[at] = static_cast<char>(value ^ (value == 0x5A ? static_cast<uint8_t>(bad[at]) : 0));
        DecodeError(d, bad, static_cast<TJPEGOutputType>(at % 4));
        ASSERT_TRUE(d.Idle()) << at;
      }
    ExpectHealthy(d, *source, expected);
  }
}

TEST(DecodeBadInput, NotJpegData) {
  TProbeDecompressor d(nullptr);
  d.OnWarning = [](const char*) {};
  const std::string good = CJpeg(Ppm(8, 8));
  const std::string expected = ConvertToBmp(d, good, jp24bit);
  // A BMP file (what ConvertToDIB itself writes).
  EXPECT_EQ(DecodeError(d, expected, jp24bit), "Not a JPEG file: starts with 0x42 0x4d");
  EXPECT_EQ(DecodeError(d, "x", jp24bit).substr(0, 22), "Not a JPEG file: start");
  ExpectHealthy(d, good, expected);
}

TEST(DecodeBadInput, ATablesOnlyDatastream) {
  const std::string jpeg = CJpeg(Ppm(8, 8));
  // SOI, the DQT and DHT segments, EOI.
  std::string tables = "\xFF\xD8";
  for (size_t at = 2; at + 4 <= jpeg.size();) {
    const uint8_t code = static_cast<uint8_t>(jpeg[at + 1]);
    const size_t length =
        (static_cast<uint8_t>(jpeg[at + 2]) << 8) | static_cast<uint8_t>(jpeg[at + 3]);
    if (code == 0xDA) break;
    if (code == 0xDB || code == 0xC4) tables += jpeg.substr(at, length + 2);
    at += length + 2;
  }
  tables += "\xFF\xD9";
  TProbeDecompressor d(nullptr);
  EXPECT_EQ(DecodeError(d, tables, jp24bit), "JPEG datastream contains no image");
  ExpectHealthy(d, jpeg, ConvertToBmp(d, jpeg, jp24bit));
}

TEST(DecodeBadInput, HugeDeclaredImagesWithLittleData) {
  const std::string small = CJpeg(Ppm(16, 16));
  TProbeDecompressor d(nullptr);
  const std::string expected = ConvertToBmp(d, small, jp24bit);
  for (const std::string& base : {small, CJpeg(Ppm(16, 16), "-progressive")}) {
    for (TJPEGOutputType type : {jp24bit, jp8bit, jp4bit, jpGrayscale}) {
      const std::string huge = WithFrameSize(base, 65500, 65500);
      const std::string limit =
          "Image of 65500 x 65500 pixels exceeds the limit of 268435456 pixels";
      EXPECT_EQ(DecodeError(d, huge, type), limit);
      TMemoryStream in;
      FillStream(in, huge);
      std::vector<uint8_t> info(TJPEGDecompressor::GetBitmapInfoSize(type));
      HGLOBAL bits = nullptr;
      try {
        d.ReadDIBitmapFromStream(in, reinterpret_cast<BITMAPINFO*>(info.data()), type, bits);
        ADD_FAILURE() << "decoded";
      } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), limit);
      }
      EXPECT_EQ(bits, nullptr);
    }
    ExpectHealthy(d, small, expected);
  }
  // Without the pixel limit, a DIB must still fit in 2 GB.
  d.MaxPixels = 0;
  EXPECT_EQ(DecodeError(d, WithFrameSize(small, 65500, 65500), jp24bit),
            "Image of 65500 x 65500 pixels is too large for a DIB");
  ExpectHealthy(d, small, expected);
}

TEST(DecodeBadInput, AWideImageWithItsDataCutStillDecodesWithinItsBuffer) {
  // 4000 x 8 declared, 16 x 16 of data: the codec warns and pads what is
  // missing, and the rows it writes fit the DIB sized for 4000 pixels.
  const std::string jpeg = WithFrameSize(CJpeg(Ppm(16, 16)), 4000, 8);
  TProbeDecompressor d(nullptr);
  int warnings = 0;
  d.OnWarning = [&](const char*) { ++warnings; };
  for (TJPEGOutputType type : {jp24bit, jp8bit, jp4bit, jpGrayscale}) {
    const Bmp bmp = ParseBmp(ConvertToBmp(d, jpeg, type));
    EXPECT_EQ(bmp.info.biWidth, 4000) << type;
    EXPECT_EQ(bmp.info.biHeight, 8) << type;
    EXPECT_TRUE(d.Idle()) << type;
  }
  EXPECT_GE(warnings, 4);
}

}  // namespace
