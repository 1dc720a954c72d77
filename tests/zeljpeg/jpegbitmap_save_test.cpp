// TJPEGBitmap saving: JPEG or BMP by the file name's extension, the
// save-as-bitmap flag, and pictures saved and loaded by extension.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/TestSupport.h"
#include "tests/zeljpeg/decode_fixtures.h"
#include "tests/zeljpeg/jpegbitmap_fixtures.h"

using namespace jpegbitmaptest;

namespace {

class JPEGBitmapSaveTest : public JPEGBitmapTest {
 protected:
  // A 24 x 16 bitmap with a few colours.
  void Paint(TJPEGBitmap& bitmap) {
    bitmap.SetSize(24, 16);
    bitmap.Canvas()->Brush()->SetColor(0x2040C0);
    RECT r{0, 0, 12, 16};
    bitmap.Canvas()->FillRect(r);
  }
};

TEST(JPEGBitmapExtension, JpegOnlyForJpgAndJpegInAnyCase) {
  for (const char* name :
       {"a.jpg", "a.JPG", "a.Jpeg", "a.jPeG", "dir/x.y/a.jpg", "C:\\p\\a.JPEG", "C:a.jpg", ".jpg"})
    EXPECT_TRUE(TJPEGBitmap::HasJPEGExtension(name)) << name;
  for (const char* name : {"a.jpe", "a.bmp", "a", "a.jpg.bmp", "a.jpgx", "a.jp", "a.", "",
                           "C:\\pics.jpg\\photo", "pics.jpg/photo", "x.jpg:stream/a",
                           // Only ASCII letters fold: a dotless capital I is not an I.
                           "a.jpeg\xc4\xb0", "a.\xef\xbc\xaapg"})
    EXPECT_FALSE(TJPEGBitmap::HasJPEGExtension(name)) << name;
}

TEST_F(JPEGBitmapSaveTest, FileNameChoosesJpegOrBmp) {
  TempDir dir;
  TJPEGBitmap bitmap;
  Paint(bitmap);
  struct Case {
    const char* name;
    bool jpeg;
  };
  ASSERT_TRUE(std::filesystem::create_directory(dir.File("pics.jpg")));
  for (const Case& c :
       {Case{"a.JPG", true}, Case{"b.Jpeg", true}, Case{"c.jpg", true}, Case{"d.jpe", false},
        Case{"e.bmp", false}, Case{"noext", false}, Case{"pics.jpg/photo", false}}) {
    const std::string path = dir.File(c.name);
    bitmap.SaveToFile(path);
    EXPECT_FALSE(bitmap.SaveAsBitmap());
    const std::string bytes = ReadFileBytes(path);
    if (c.jpeg) {
      EXPECT_TRUE(StartsWith(bytes, "\xFF\xD8", 2)) << c.name;
      EXPECT_EQ(bytes.substr(bytes.size() - 2), "\xFF\xD9") << c.name;
    } else {
      ASSERT_TRUE(StartsWith(bytes, "BM", 2)) << c.name;
      const decodetest::Bmp bmp = decodetest::ParseBmp(bytes);
      EXPECT_EQ(bmp.info.biWidth, 24);
      EXPECT_EQ(bmp.info.biHeight, 16);
      const uint32_t file_size = bmp.file.bfSize;  // packed field: copy before comparing
      EXPECT_EQ(file_size, bytes.size());
    }
  }
}

TEST_F(JPEGBitmapSaveTest, ExistingFileIsReplaced) {
  TempDir dir;
  const std::string path = dir.File("x.jpg");
  WriteFileBytes(path, std::string(100000, 'z'));
  TJPEGBitmap bitmap;
  Paint(bitmap);
  bitmap.SaveToFile(path);
  const std::string bytes = ReadFileBytes(path);
  EXPECT_LT(bytes.size(), 10000u);
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\xFF\xD9");
}

TEST_F(JPEGBitmapSaveTest, FlagIsResetAfterAFailedSave) {
  TempDir dir;
  TJPEGBitmap bitmap;
  Paint(bitmap);
  const std::string bad = dir.File("missing-folder/out.bmp");
  try {
    bitmap.SaveToFile(bad);
    FAIL() << "no exception";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file " + bad);
  }
  EXPECT_FALSE(bitmap.SaveAsBitmap());
  // No compressor was needed for the attempted BMP save.
  EXPECT_EQ(SharedStreamCompressor, nullptr);

  // A plain stream save writes JPEG again.
  TMemoryStream stream;
  bitmap.SaveToStream(stream);
  EXPECT_TRUE(StartsWith(StreamBytes(stream), "\xFF\xD8\xFF\xE0", 4));
}

TEST_F(JPEGBitmapSaveTest, FlagIsResetWhenTheStreamSaveFails) {
  TempDir dir;
  TJPEGBitmap bitmap;
  Paint(bitmap);
  // A JPEG save that fails inside the compressor: the progress handler raises.
  TMemoryStream first;
  bitmap.SaveToStream(first);  // constructs the shared compressor
  ASSERT_NE(SharedStreamCompressor, nullptr);
  SharedStreamCompressor->OnProgressReport = [](TObject*) { throw Exception("stop"); };
  EXPECT_THROW(bitmap.SaveToFile(dir.File("a.jpg")), Exception);
  EXPECT_FALSE(bitmap.SaveAsBitmap());
  SharedStreamCompressor->OnProgressReport = nullptr;

  // During a BMP save the flag is set; it is cleared after the save.
  bool seen = false;
  bitmap.OnChange = [&](TObject*) { seen = bitmap.SaveAsBitmap(); };
  bitmap.SaveToFile(dir.File("a.bmp"));  // BMP writing does not signal changes
  EXPECT_FALSE(seen);
  EXPECT_FALSE(bitmap.SaveAsBitmap());
}

TEST_F(JPEGBitmapSaveTest, EmptyBitmapSavesAnEmptyBmpAndRefusesJpeg) {
  TempDir dir;
  TJPEGBitmap bitmap;
  bitmap.SaveToFile(dir.File("empty.bmp"));
  EXPECT_EQ(ReadFileBytes(dir.File("empty.bmp")), "");
  // The JPEG save fails before the file is created.
  WriteFileBytes(dir.File("empty.jpg"), "old content");
  EXPECT_THROW(bitmap.SaveToFile(dir.File("empty.jpg")), Exception);
  EXPECT_EQ(ReadFileBytes(dir.File("empty.jpg")), "old content");
  EXPECT_FALSE(bitmap.SaveAsBitmap());
}

TEST_F(JPEGBitmapSaveTest, PictureFilesGoThroughTheFormatList) {
  TempDir dir;
  const std::string jpeg = ColourJpeg(40, 30);
  for (const char* name : {"photo.jpg", "photo.jpeg", "PHOTO.JPG"}) {
    WriteFileBytes(dir.File(name), jpeg);
    TPicture picture;
    picture.LoadFromFile(dir.File(name));
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_TRUE(Is<TJPEGBitmap>(picture.Graphic())) << name;
    EXPECT_EQ(picture.Width(), 40);
    EXPECT_EQ(picture.Height(), 30);

    picture.SaveToFile(dir.File(std::string("copy-") + name));
    EXPECT_TRUE(StartsWith(ReadFileBytes(dir.File(std::string("copy-") + name)), "\xFF\xD8", 2));
    picture.SaveToFile(dir.File("copy.bmp"));
    EXPECT_TRUE(StartsWith(ReadFileBytes(dir.File("copy.bmp")), "BM", 2));
  }
  // .jpe is not registered.
  WriteFileBytes(dir.File("photo.jpe"), jpeg);
  TPicture picture;
  try {
    picture.LoadFromFile(dir.File("photo.jpe"));
    FAIL() << "no exception";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Unknown picture file extension (.jpe)");
  }
}

}  // namespace
