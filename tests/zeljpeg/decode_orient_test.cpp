// AutoOrient: every output type turned as Pillow's ImageOps.exif_transpose
// turns the same picture, for all eight EXIF orientations, at sizes whose
// rows pad differently once turned.
#include <gtest/gtest.h>

#include <memory>

#include "platform/graphics/Graphics.h"
#include "tests/zeljpeg/metadata_fixtures.h"

using namespace decodetest;
using namespace metatest;

namespace {

std::string WithOrientation(int orientation, int w = 37, int h = 23) {
  return InsertSegment(CJpeg(Ppm(w, h)), 0xE1, ExifPayload(orientation, orientation % 2 == 0));
}

}  // namespace

TEST(DecodeOrient, TwentyFourBitTurnsAsPillowForEveryOrientation) {
  TJPEGStreamDecompressor d(nullptr);
  d.AutoOrient = true;
  for (int orientation = 1; orientation <= 8; ++orientation) {
    const std::string jpeg = WithOrientation(orientation);
    const Bmp ours = ParseBmp(ConvertToBmp(d, jpeg, jp24bit));
    EXPECT_EQ(d.ExifOrientation(), orientation);
    EXPECT_TRUE(BmpRgb(ours) == PnmRgb(Pillow("upright", jpeg))) << orientation;
  }
}

TEST(DecodeOrient, QuantisedAndGrayOutputTurnsAsPillowTurnsTheStoredDecode) {
  // Quantising and dithering run in the stored order; the turn moves their
  // result. Pillow turns the decode without AutoOrient.
  TJPEGStreamDecompressor d(nullptr);
  for (TJPEGOutputType type : {jp8bit, jp4bit, jpGrayscale})
    for (int orientation : {2, 3, 6, 7}) {
      const std::string jpeg = WithOrientation(orientation, 29, 19);
      d.AutoOrient = false;
      const std::string stored = ConvertToBmp(d, jpeg, type);
      d.AutoOrient = true;
      const std::string turned = ConvertToBmp(d, jpeg, type);
      EXPECT_TRUE(BmpRgb(ParseBmp(turned)) ==
                  PnmRgb(Pillow("turn " + std::to_string(orientation), stored)))
          << type << " " << orientation;
    }
}

TEST(DecodeOrient, SizesFollowTheTurnAndAutoOrientOffKeepsTheStoredPixels) {
  const std::string jpeg = WithOrientation(6, 37, 23);
  TJPEGStreamDecompressor d(nullptr);
  TMemoryStream in;
  FillStream(in, jpeg);
  d.OpenStream(in);
  EXPECT_EQ(d.ExifOrientation(), 6);
  EXPECT_EQ(d.OutputWidth(), 37u);
  EXPECT_EQ(d.GetDIBitsSize(jp24bit), 23 * Round4(37 * 3));
  d.AutoOrient = true;  // takes effect at once
  EXPECT_EQ(d.OrientationApplied(), jtRotate90);
  EXPECT_EQ(d.OutputWidth(), 23u);
  EXPECT_EQ(d.OutputHeight(), 37u);
  EXPECT_EQ(d.GetDIBitsSize(jp24bit), 37 * Round4(23 * 3));
  EXPECT_EQ(d.GetDIBitsSize(jp4bit), 37 * Round4(12));
  d.CloseStream();
  in.SetPosition(0);
  std::unique_ptr<TBitmap> bitmap(d.ReadBitMapFromStream(in));
  EXPECT_EQ(bitmap->Width(), 23);
  EXPECT_EQ(bitmap->Height(), 37);
  d.AutoOrient = false;
  EXPECT_TRUE(BmpRgb(ParseBmp(ConvertToBmp(d, jpeg, jp24bit))) == DjpegRgb(jpeg));
}
