// TJPEGBitmap loading: decoded pixels, never a BMP fallback, a failed load
// keeping the old image and palette, and the stream position afterwards.
#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"
#include "tests/zeljpeg/decode_fixtures.h"
#include "tests/zeljpeg/jpegbitmap_fixtures.h"

using namespace jpegbitmaptest;

namespace {

using JPEGBitmapLoadTest = JPEGBitmapTest;

TEST_F(JPEGBitmapLoadTest, DecodesAsDjpegDoes) {
  const std::string jpeg = ColourJpeg(37, 23);
  TMemoryStream stream;
  FillStream(stream, jpeg);
  TJPEGBitmap bitmap;
  int changes = 0;
  bitmap.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &bitmap);
    // Both handles are in place when the changes are signalled.
    EXPECT_EQ(bitmap.Width(), 37);
    ++changes;
  };
  bitmap.LoadFromStream(stream);
  EXPECT_EQ(changes, 2);
  EXPECT_TRUE(bitmap.Modified());
  ASSERT_EQ(bitmap.Width(), 37);
  ASSERT_EQ(bitmap.Height(), 23);
  EXPECT_EQ(bitmap.Palette(), nullptr);  // 24 bits on a true-colour display
  EXPECT_EQ(BitmapPixels(bitmap), DJpegImage(jpeg).Values());
  EXPECT_EQ(bitmap.Decompressor(), SharedStreamDecompressor);
  EXPECT_EQ(SharedStreamDecompressor->Stream(), nullptr);
}

TEST_F(JPEGBitmapLoadTest, PaletteDisplayGivesAPalette) {
  REQUIRE_DISPLAY_FORMAT(gditest::DisplayFormat::Palette8);
  gditest::SetDisplayFormat(gditest::DisplayFormat::Palette8);
  TMemoryStream stream;
  FillStream(stream, ColourJpeg(32, 32));
  TJPEGBitmap bitmap;
  bitmap.LoadFromStream(stream);
  EXPECT_NE(bitmap.Palette(), nullptr);
  EXPECT_EQ(bitmap.Width(), 32);
  // Images the 8-bit output cannot show fail and leave the bitmap as it was.
  for (const std::string& jpeg :
       {decodetest::ApiJpeg(9, 7, 2, JCS_UNKNOWN, JCS_UNKNOWN), decodetest::CmykJpeg(9, 7)}) {
    FillStream(stream, jpeg);
    EXPECT_THROW(bitmap.LoadFromStream(stream), Exception);
    EXPECT_EQ(bitmap.Width(), 32);
  }
}

TEST_F(JPEGBitmapLoadTest, BmpDataFailsAndNeverFallsBack) {
  TempDir dir;
  TBitmap source;
  source.SetSize(8, 8);
  source.SaveToFile(dir.File("x.bmp"));
  TJPEGBitmap bitmap;
  try {
    bitmap.LoadFromFile(dir.File("x.bmp"));
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Not a JPEG file: starts with 0x42 0x4d");
  }
  TMemoryStream stream;
  stream.LoadFromFile(dir.File("x.bmp"));
  try {
    bitmap.LoadFromStream(stream);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Not a JPEG file: starts with 0x42 0x4d");
  }
  EXPECT_TRUE(bitmap.Empty());
  // The shared decompressor survives, detached, and serves the next load.
  ASSERT_NE(SharedStreamDecompressor, nullptr);
  EXPECT_EQ(SharedStreamDecompressor->Stream(), nullptr);
  FillStream(stream, ColourJpeg(8, 8));
  bitmap.LoadFromStream(stream);
  EXPECT_EQ(bitmap.Width(), 8);
}

TEST_F(JPEGBitmapLoadTest, FailedLoadKeepsImageAndPalette) {
  REQUIRE_DISPLAY_FORMAT(gditest::DisplayFormat::Palette8);
  gditest::SetDisplayFormat(gditest::DisplayFormat::Palette8);
  TJPEGBitmap bitmap;
  TMemoryStream stream;
  FillStream(stream, ColourJpeg(20, 10));
  bitmap.LoadFromStream(stream);
  const HBITMAP handle = bitmap.Handle();
  const HPALETTE palette = bitmap.Palette();
  ASSERT_NE(palette, nullptr);
  const std::vector<uint32_t> pixels = BitmapPixels(bitmap);
  int changes = 0;
  bitmap.OnChange = [&](TObject*) { ++changes; };

  const std::string good = ColourJpeg(64, 48);
  std::vector<std::string> bad = {"", "BM not a jpeg", good.substr(0, 2),
                                  // Header fine, then a frame the codec rejects (height 0).
                                  [&] {
                                    std::string s = good;
                                    const size_t sof = s.find("\xFF\xC0");
                                    s[sof + 5] = 0;
                                    s[sof + 6] = 0;
                                    return s;
                                  }()};
  for (const std::string& data : bad) {
    FillStream(stream, data);
    EXPECT_THROW(bitmap.LoadFromStream(stream), Exception);
    EXPECT_EQ(bitmap.Handle(), handle);
    EXPECT_EQ(bitmap.Palette(), palette);
    EXPECT_EQ(bitmap.Width(), 20);
    EXPECT_EQ(SharedStreamDecompressor->Stream(), nullptr);
  }
  // An abort from the progress handler: "User Interrupt", nothing replaced.
  SharedStreamDecompressor->OnProgressReport = [](TObject* sender) {
    static_cast<TJPEGBase*>(sender)->Abort();
  };
  FillStream(stream, good);
  try {
    bitmap.LoadFromStream(stream);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "User Interrupt");
  }
  EXPECT_EQ(bitmap.Handle(), handle);
  EXPECT_EQ(bitmap.Palette(), palette);
  EXPECT_EQ(BitmapPixels(bitmap), pixels);
  EXPECT_EQ(changes, 0);

  // The same decompressor then loads normally.
  SharedStreamDecompressor->OnProgressReport = nullptr;
  FillStream(stream, good);
  bitmap.LoadFromStream(stream);
  EXPECT_EQ(bitmap.Width(), 64);
  EXPECT_EQ(changes, 2);
}

TEST_F(JPEGBitmapLoadTest, StreamPositionAfterALoad) {
  const std::string jpeg = ColourJpeg(16, 16);
  ASSERT_LT(jpeg.size(), 4096u);
  const std::string prefix(100, 'p');
  for (const std::string& trailer : {std::string(), std::string(10000, 't')}) {
    TMemoryStream stream;
    FillStream(stream, prefix + jpeg + trailer);
    stream.Seek(100, soFromBeginning);
    TJPEGBitmap bitmap;
    bitmap.LoadFromStream(stream);
    EXPECT_EQ(bitmap.Width(), 16);
    const int64_t end_of_jpeg = 100 + static_cast<int64_t>(jpeg.size());
    // Read ahead in one buffer of 4096 bytes: beyond the JPEG data when more
    // follows it, never past the buffer's reach.
    EXPECT_EQ(stream.Position(),
              std::min<int64_t>(100 + 4096, static_cast<int64_t>(stream.Size())));
    if (!trailer.empty()) {
      EXPECT_GT(stream.Position(), end_of_jpeg);
    }
  }
}

TEST_F(JPEGBitmapLoadTest, MissingFileRaisesFileOpenError) {
  TJPEGBitmap bitmap;
  EXPECT_THROW(bitmap.LoadFromFile("/nonexistent/photo.jpg"), EFOpenError);
  EXPECT_EQ(SharedStreamDecompressor, nullptr);
}

}  // namespace
