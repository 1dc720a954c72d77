// JPEG pictures end to end: a JPEG file loaded into a picture, saved as JPEG
// and as BMP, read back by djpeg and by an independent BMP reader; a stored
// form holding a TJPEGBitmap written and read back.
#include <gtest/gtest.h>

#include "platform/classes/Filer.h"
#include "platform/classes/TypInfo.h"
#include "tests/support/GraphicsTestSupport.h"
#include "tests/support/TestComponents.h"
#include "tests/support/TestSupport.h"
#include "tests/zeljpeg/decode_fixtures.h"
#include "tests/zeljpeg/jpegbitmap_fixtures.h"

using namespace jpegbitmaptest;

namespace {

using JPEGBitmapEndToEndTest = JPEGBitmapTest;

TEST_F(JPEGBitmapEndToEndTest, PictureLoadedSavedAndReadBackByOtherReaders) {
  TempDir dir;
  const int w = 61, h = 45;
  const std::string jpeg = ColourJpeg(w, h, "-quality 92");
  WriteFileBytes(dir.File("photo.jpg"), jpeg);
  const std::vector<uint32_t> original = TestImage(w, h, kColourSeed).Values();
  const std::vector<uint32_t> djpeg_pixels = DJpegImage(jpeg).Values();

  TPicture picture;
  picture.LoadFromFile(dir.File("photo.jpg"));
  ASSERT_TRUE(Is<TJPEGBitmap>(picture.Graphic()));
  ASSERT_EQ(picture.Width(), w);
  ASSERT_EQ(picture.Height(), h);

  // As BMP: the pixels djpeg decodes, exactly, read by Pillow.
  picture.SaveToFile(dir.File("photo.bmp"));
  int bw = 0, bh = 0;
  std::vector<uint32_t> bmp_pixels;
  std::string why;
  ASSERT_TRUE(PillowDecode(dir.File("photo.bmp"), bw, bh, bmp_pixels, why)) << why;
  EXPECT_EQ(bw, w);
  EXPECT_EQ(bh, h);
  EXPECT_EQ(bmp_pixels, djpeg_pixels);

  // As JPEG: djpeg and Pillow read it; within JPEG tolerance of the original.
  picture.SaveToFile(dir.File("again.jpeg"));
  const std::string again = ReadFileBytes(dir.File("again.jpeg"));
  const RgbImage again_image = DJpegImage(again);
  ASSERT_EQ(again_image.width, w);
  ASSERT_EQ(again_image.height, h);
  const std::vector<uint32_t> again_pixels = again_image.Values();
  // The same bytes as cjpeg makes of the decoded pixels at the compressor's
  // default quality, and close to the original picture.
  EXPECT_EQ(again, CJpeg(DJpeg(jpeg, "-ppm"), "-quality 75"));
  EXPECT_LT(MeanChannelDiff(again_pixels, original), MeanChannelDiff(djpeg_pixels, original) + 4.0);
  EXPECT_LT(MeanChannelDiff(again_pixels, djpeg_pixels), 8.0);
  std::vector<uint32_t> pillow_jpeg;
  ASSERT_TRUE(PillowDecode(dir.File("again.jpeg"), bw, bh, pillow_jpeg, why)) << why;
  EXPECT_LT(MeanChannelDiff(pillow_jpeg, again_pixels), 2.0);

  // Loaded back through the picture, the saved JPEG decodes as djpeg does.
  TPicture back;
  back.LoadFromFile(dir.File("again.jpeg"));
  EXPECT_EQ(BitmapPixels(*static_cast<TBitmap*>(back.Graphic())), again_pixels);
}

TEST_F(JPEGBitmapEndToEndTest, GrayscaleJpegBecomesAGrayBitmap) {
  TempDir dir;
  const std::string jpeg = CJpeg(Pgm(33, 17), "-quality 95");
  WriteFileBytes(dir.File("gray.jpg"), jpeg);
  TPicture picture;
  picture.LoadFromFile(dir.File("gray.jpg"));
  ASSERT_EQ(picture.Width(), 33);
  picture.SaveToFile(dir.File("gray.bmp"));
  int w, h;
  std::vector<uint32_t> pixels;
  std::string why;
  ASSERT_TRUE(PillowDecode(dir.File("gray.bmp"), w, h, pixels, why)) << why;
  // Within one dithered step of what djpeg decodes.
  EXPECT_LE(WorstGrayDistance(pixels, DJpegImage(jpeg).Values()), 8.5);
}

TEST_F(JPEGBitmapEndToEndTest, StoredFormKeepsTheBitmapAsBmp) {
  RegisterClass(TPictureHolder::StaticClass());
  const std::string jpeg = ColourJpeg(21, 13);
  TPictureHolder holder(nullptr);
  holder.SetName("Holder");
  {
    TMemoryStream stream;
    FillStream(stream, jpeg);
    auto* bitmap = new TJPEGBitmap;
    std::unique_ptr<TJPEGBitmap> owner(bitmap);
    bitmap->LoadFromStream(stream);
    holder.Picture()->SetGraphic(bitmap);
  }
  delete SharedStreamDecompressor;
  ASSERT_TRUE(Is<TJPEGBitmap>(holder.Picture()->Graphic()));
  const std::vector<uint32_t> pixels =
      BitmapPixels(*static_cast<TBitmap*>(holder.Picture()->Graphic()));

  TMemoryStream form;
  {
    TWriter writer(form);
    writer.WriteRootComponent(&holder);
  }
  const std::string bytes = StreamBytes(form);
  // Class name, then a 4-byte length and a BMP file; no JPEG anywhere.
  const size_t name = bytes.find("\x0bTJPEGBitmap");
  ASSERT_NE(name, std::string::npos);
  EXPECT_EQ(bytes.substr(name + 12 + 4, 2), "BM");
  EXPECT_EQ(bytes.find("\xFF\xD8\xFF"), std::string::npos);

  form.Seek(0, soFromBeginning);
  TPictureHolder copy(nullptr);
  {
    TReader reader(form);
    reader.ReadRootComponent(&copy);
  }
  ASSERT_NE(copy.Picture()->Graphic(), nullptr);
  EXPECT_TRUE(Is<TJPEGBitmap>(copy.Picture()->Graphic()));
  EXPECT_EQ(copy.Picture()->Width(), 21);
  EXPECT_EQ(BitmapPixels(*static_cast<TBitmap*>(copy.Picture()->Graphic())), pixels);
  // No JPEG decoding happened on the way back.
  EXPECT_EQ(SharedStreamDecompressor, nullptr);

  // Written again, the form is unchanged.
  TMemoryStream form2;
  {
    TWriter writer(form2);
    writer.WriteRootComponent(&copy);
  }
  EXPECT_EQ(StreamBytes(form2), bytes);
}

}  // namespace
