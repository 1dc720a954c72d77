// Scaled decoding against djpeg -scale for every factor the codec has, the
// scaled size through every output type and front end, the limits on the
// scaled output, and thumbnails.
#include <gtest/gtest.h>

#include <memory>

#include "platform/graphics/Graphics.h"
#include "tests/zeljpeg/metadata_fixtures.h"

using namespace decodetest;
using namespace metatest;

namespace {

std::string ScaledBmp(TJPEGStreamDecompressor& d, const std::string& jpeg, TJPEGOutputType type,
                      int num, int denom) {
  d.SetScaleNumerator(num);
  d.SetScaleDenominator(denom);
  return ConvertToBmp(d, jpeg, type);
}

}  // namespace

TEST(DecodeScale, EveryFactorDecodesAsDjpegScale) {
  TProbeDecompressor d(nullptr);
  for (const char* args :
       {"-sample 2x2", "-sample 1x1 -progressive", "-sample 2x1 -quality 95", "-sample 1x2"}) {
    const std::string jpeg = CJpeg(Ppm(37, 23), args);
    // Every M/8 the codec has, and factors between them.
    for (int m = 1; m <= 16; ++m) {
      const Bmp ours = ParseBmp(ScaledBmp(d, jpeg, jp24bit, m, 8));
      const std::string djpeg = DJpeg(jpeg, "-bmp -scale " + std::to_string(m) + "/8");
      EXPECT_TRUE(BmpRgb(ours) == BmpRgb(ParseBmp(djpeg))) << args << " " << m << "/8";
    }
    for (const auto& [num, denom] : {std::pair{1, 3}, std::pair{2, 5}, std::pair{3, 2}}) {
      const Bmp ours = ParseBmp(ScaledBmp(d, jpeg, jp24bit, num, denom));
      const std::string djpeg =
          DJpeg(jpeg, "-bmp -scale " + std::to_string(num) + "/" + std::to_string(denom));
      EXPECT_TRUE(BmpRgb(ours) == BmpRgb(ParseBmp(djpeg))) << args << " " << num << "/" << denom;
    }
  }
}

TEST(DecodeScale, ScaleNamesTheCommonFactors) {
  TJPEGStreamDecompressor d(nullptr);
  const struct {
    TJPEGScale scale;
    int denom;
  } cases[] = {{jsFullSize, 1}, {jsHalf, 2}, {jsQuarter, 4}, {jsEighth, 8}};
  for (const auto& c : cases) {
    d.SetScale(c.scale);
    EXPECT_EQ(d.ScaleNumerator(), 1);
    EXPECT_EQ(d.ScaleDenominator(), c.denom);
    EXPECT_EQ(d.Scale(), c.scale);
  }
  d.SetScaleNumerator(3);
  d.SetScaleDenominator(8);
  EXPECT_EQ(d.Scale(), jsOther);
  d.SetScale(jsOther);  // says nothing about the factor: it stays
  EXPECT_EQ(d.ScaleNumerator(), 3);
  EXPECT_THROW(d.SetScaleNumerator(0), Exception);
  EXPECT_THROW(d.SetScaleDenominator(-8), Exception);
  EXPECT_THROW(d.SetScaleNumerator(65536), Exception);
  EXPECT_EQ(d.ScaleDenominator(), 8);
  // Fitting needs the size of an image.
  EXPECT_THROW(d.ScaleToFit(10, 10), Exception);
}

TEST(DecodeScale, EveryOutputTypeAndFrontEndGetsTheScaledSize) {
  const std::string jpeg = CJpeg(Ppm(37, 23));
  TJPEGStreamDecompressor d(nullptr);
  d.SetScale(jsQuarter);
  // 37 x 23 at 1/4: ceil(37 / 4) x ceil(23 / 4), as djpeg makes it.
  const Bmp djpeg = ParseBmp(DJpeg(jpeg, "-bmp -scale 1/4"));
  ASSERT_EQ(djpeg.info.biWidth, 10);
  ASSERT_EQ(djpeg.info.biHeight, 6);
  for (TJPEGOutputType type : {jp24bit, jp8bit, jp4bit, jpGrayscale}) {
    TMemoryStream in;
    FillStream(in, jpeg);
    d.OpenStream(in);
    EXPECT_EQ(d.OutputWidth(), 10u);
    EXPECT_EQ(d.OutputHeight(), 6u);
    std::vector<uint8_t> info(static_cast<size_t>(TJPEGDecompressor::GetBitmapInfoSize(type)));
    const int32_t size = d.GetDIBitsSize(type);
    d.CloseStream();
    in.SetPosition(0);
    HGLOBAL bits = nullptr;
    d.ReadDIBitmapFromStream(in, reinterpret_cast<BITMAPINFO*>(info.data()), type, bits);
    const BITMAPINFOHEADER& h = reinterpret_cast<BITMAPINFO*>(info.data())->bmiHeader;
    EXPECT_EQ(h.biWidth, 10) << type;
    EXPECT_EQ(h.biHeight, 6) << type;
    EXPECT_EQ(static_cast<int64_t>(GlobalSize(bits)), size) << type;
    GlobalFree(bits);
  }
  TMemoryStream in;
  FillStream(in, jpeg);
  std::unique_ptr<TBitmap> bitmap(d.ReadBitMapFromStream(in));
  EXPECT_EQ(bitmap->Width(), 10);
  EXPECT_EQ(bitmap->Height(), 6);
}

TEST(DecodeScale, ChangedAfterTheHeaderItTakesEffectAtOnce) {
  const std::string jpeg = CJpeg(Ppm(64, 48));
  TJPEGStreamDecompressor d(nullptr);
  TMemoryStream in;
  FillStream(in, jpeg);
  d.OpenStream(in);
  EXPECT_EQ(d.OutputWidth(), 64u);
  d.SetScale(jsHalf);
  EXPECT_EQ(d.OutputWidth(), 32u);
  EXPECT_EQ(d.GetDIBitsSize(jp24bit), 32 * 3 * 24);
  std::vector<uint8_t> info(40);
  std::vector<uint8_t> bits(static_cast<size_t>(d.GetDIBitsSize(jp24bit)));
  d.ReadDIBitmap(reinterpret_cast<BITMAPINFO*>(info.data()), jp24bit, bits.data());
  d.CloseStream();
  EXPECT_EQ(reinterpret_cast<BITMAPINFOHEADER*>(info.data())->biWidth, 32);
}

TEST(DecodeScale, MaxPixelsLimitsTheScaledOutput) {
  const std::string jpeg = CJpeg(Ppm(64, 64));
  TJPEGStreamDecompressor d(nullptr);
  d.MaxPixels = 64 * 64 - 1;
  EXPECT_THROW(ConvertToBmp(d, jpeg, jp24bit), Exception);
  d.SetScale(jsHalf);
  EXPECT_EQ(ParseBmp(ConvertToBmp(d, jpeg, jp24bit)).info.biWidth, 32);
}

TEST(DecodeThumbnail, FitsTheBoxAndAveragesAsPillowsBoxFilter) {
  const std::string jpeg = CJpeg(Ppm(200, 120), "-quality 95");
  TJPEGStreamDecompressor d(nullptr);
  const struct {
    int box_w, box_h, w, h;
  } cases[] = {{50, 50, 50, 30}, {64, 20, 33, 20}, {300, 300, 200, 120}, {1, 1, 1, 1}};
  for (const auto& c : cases) {
    TMemoryStream in;
    FillStream(in, jpeg);
    d.OpenStream(in);
    std::unique_ptr<TBitmap> thumbnail(d.ReadThumbnail(c.box_w, c.box_h));
    d.CloseStream();
    ASSERT_EQ(thumbnail->Width(), c.w) << c.box_w << "x" << c.box_h;
    ASSERT_EQ(thumbnail->Height(), c.h) << c.box_w << "x" << c.box_h;
    // The scale is the caller's again.
    EXPECT_EQ(d.ScaleNumerator(), 1);
    EXPECT_EQ(d.ScaleDenominator(), 1);
#ifndef _WIN32
    // Close to the full decode averaged down by Pillow: the scaled decode
    // and area averaging round differently. (Wine's StretchBlt does not
    // average whole areas in HALFTONE mode, so only the sizes are checked
    // there.)
    TMemoryStream bmp;
    thumbnail->SaveToStream(bmp);
    const std::string expected =
        PnmRgb(Pillow("shrink " + std::to_string(c.w) + " " + std::to_string(c.h), jpeg));
    EXPECT_LE(
        MaxDifference(PnmRgb(Pillow("shrink " + std::to_string(c.w) + " " + std::to_string(c.h),
                                    StreamBytes(bmp))),
                      expected),
        24)
        << c.box_w << "x" << c.box_h;
#endif
  }
}
