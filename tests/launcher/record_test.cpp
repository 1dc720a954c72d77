// The stored form description "TSPLASH": the picture record byte for byte,
// the icon, and how the picture reads back through the format list.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "launcher/Splash.h"
#include "tests/support/TestSupport.h"
#include "zeljpeg/StreamDecompressor.h"
#include "zeljpeg/Zeljpeg.h"

namespace {

uint32_t Le32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// The value of a binary property in the form's bytes: after the property's
// name as a short string comes the type byte 10 and a 4-byte length.
std::string BinaryProperty(const std::string& form, const std::string& name) {
  const std::string key = std::string(1, static_cast<char>(name.size())) + name + '\x0A';
  const size_t at = form.find(key);
  if (at == std::string::npos) return {};
  const size_t start = at + key.size();
  const uint32_t length = Le32(reinterpret_cast<const uint8_t*>(form.data() + start));
  return form.substr(start + 4, length);
}

std::string FormBytes() {
  TResourceStream stream(HInstance, "TSPLASH", RT_RCDATA);
  std::string bytes(static_cast<size_t>(stream.Size()), '\0');
  stream.ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  return bytes;
}

TEST(SplashRecord, PictureRecordIsLaidOutByteForByte) {
  const std::string form = FormBytes();
  ASSERT_EQ(form.compare(0, 4, "TPF0"), 0);
  const std::string record = BinaryProperty(form, "Picture.Data");
  ASSERT_EQ(record.size(), 921670u);
  const auto* r = reinterpret_cast<const uint8_t*>(record.data());
  EXPECT_EQ(r[0], 11);
  EXPECT_EQ(record.substr(1, 11), "TJPEGBitmap");
  EXPECT_EQ(Le32(r + 12), 921654u);
  // Bitmap file header.
  EXPECT_EQ(Le16(r + 16), 0x4D42);
  EXPECT_EQ(Le32(r + 18), 921654u);
  EXPECT_EQ(Le16(r + 22), 0);
  EXPECT_EQ(Le16(r + 24), 0);
  EXPECT_EQ(Le32(r + 26), 54u);
  // Bitmap information header.
  const uint32_t info[] = {40, 640, 480};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Le32(r + 30 + 4 * i), info[i]);
  EXPECT_EQ(Le16(r + 42), 1);
  EXPECT_EQ(Le16(r + 44), 24);
  EXPECT_EQ(Le32(r + 46), 0u);
  EXPECT_EQ(Le32(r + 50), 921600u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Le32(r + 54 + 4 * i), 0u);
  // The file is the generated picture, unchanged.
  EXPECT_TRUE(record.substr(16) == ReadFileBytes(VASK_SPLASH_BMP));
}

TEST(SplashRecord, IconIsA766Byte32x32SixteenColourIconFile) {
  const std::string icon = BinaryProperty(FormBytes(), "Icon.Data");
  ASSERT_EQ(icon.size(), 766u);
  const auto* p = reinterpret_cast<const uint8_t*>(icon.data());
  EXPECT_EQ(Le16(p), 0);
  EXPECT_EQ(Le16(p + 2), 1);  // icon
  EXPECT_EQ(Le16(p + 4), 1);  // one image
  EXPECT_EQ(p[6], 32);
  EXPECT_EQ(p[7], 32);
  EXPECT_EQ(p[8], 16);
  EXPECT_EQ(Le16(p + 12), 4);  // bits per pixel
  EXPECT_EQ(Le32(p + 14), 744u);
  EXPECT_EQ(Le32(p + 18), 22u);
  EXPECT_EQ(Le32(p + 22), 40u);
  EXPECT_EQ(Le32(p + 30), 64u);  // colour and mask rows
  EXPECT_TRUE(icon == ReadFileBytes(VASK_ICON_ICO));
}

TEST(SplashRecord, PictureReadsBackAsA24BitJPEGBitmapWithoutDecoding) {
  ASSERT_EQ(SharedStreamDecompressor, nullptr);
  TSplash splash(nullptr);
  TGraphic* graphic = splash.Image1->Picture()->Graphic();
  ASSERT_NE(graphic, nullptr);
  EXPECT_EQ(graphic->ClassName(), "TJPEGBitmap");
  auto* bmp = As<TBitmap>(graphic);
  EXPECT_EQ(bmp->Width(), 640);
  EXPECT_EQ(bmp->Height(), 480);
  EXPECT_EQ(bmp->PixelFormat(), pf24bit);
  // No stream decompressor was ever made: the codec was not involved.
  EXPECT_EQ(SharedStreamDecompressor, nullptr);
  // The bitmap's pixels are the stored file's.
  TMemoryStream saved;
  bmp->TBitmap::SaveToStream(saved);
  const std::string bmp_file = ReadFileBytes(VASK_SPLASH_BMP);
  ASSERT_EQ(saved.Size(), static_cast<int64_t>(bmp_file.size()));
  EXPECT_EQ(std::memcmp(saved.Memory() + 54, bmp_file.data() + 54, bmp_file.size() - 54), 0);
}

TEST(SplashRecord, WithTheClassUnregisteredThePictureStaysEmptyWithoutError) {
  TPicture::UnregisterGraphicClass(TJPEGBitmap::StaticClass());
  std::unique_ptr<TSplash> splash;
  EXPECT_NO_THROW(splash = std::make_unique<TSplash>(nullptr));
  const bool empty = splash && splash->Image1->Picture()->Graphic() == nullptr;
  // Restore the unit's registration for the other tests.
  TPicture::RegisterFileFormat("jpg", "JPEG Image", TJPEGBitmap::StaticClass());
  TPicture::RegisterFileFormat("jpeg", "JPEG Image", TJPEGBitmap::StaticClass());
  EXPECT_TRUE(empty);
  EXPECT_EQ(TPicture::GraphicClassForExtension("jpeg"), TJPEGBitmap::StaticClass());
}

TEST(SplashRecord, JPEGBitmapIsRegisteredForJpgAndJpeg) {
  const TFileFormat* f = TPicture::FileFormats();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->Extension, "jpeg");
  EXPECT_EQ(f->Description, "JPEG Image");
  EXPECT_EQ(f->GraphicClass, TJPEGBitmap::StaticClass());
  ASSERT_NE(f->Next, nullptr);
  EXPECT_EQ(f->Next->Extension, "jpg");
  EXPECT_EQ(f->Next->GraphicClass, TJPEGBitmap::StaticClass());
  EXPECT_EQ(GetClass("TJPEGBitmap"), TJPEGBitmap::StaticClass());
}

}  // namespace
