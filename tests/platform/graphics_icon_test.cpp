// TIcon: the 766-byte 32 x 32 16-colour icon loads, saves unchanged, gives
// its pixels with transparency, draws with its mask; bad files raise.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/graphics/Graphics.h"
#include "tests/support/GraphicsTestSupport.h"

namespace {

class IconTest : public GraphicsTest {};

const uint32_t kVga[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                           0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                           0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

void Load(TIcon& icon, const std::string& bytes) {
  TMemoryStream stream;
  FillStream(stream, bytes);
  icon.LoadFromStream(stream);
}

TEST_F(IconTest, The766ByteIconLoadsSavesAndGivesItsPixels) {
  const std::string file = BuildIcon32x16();
  ASSERT_EQ(file.size(), 766u);
  TIcon icon;
  EXPECT_TRUE(icon.Empty());
  EXPECT_EQ(icon.Width(), 0);
  Load(icon, file + "after");
  EXPECT_FALSE(icon.Empty());
  EXPECT_EQ(icon.Width(), 32);
  EXPECT_EQ(icon.Height(), 32);

  TMemoryStream out;
  icon.SaveToStream(out);
  EXPECT_EQ(StreamBytes(out), file);

  int w = 0, h = 0;
  std::vector<uint32_t> argb;
  ASSERT_TRUE(icon.GetImage(w, h, argb));
  ASSERT_EQ(w, 32);
  ASSERT_EQ(h, 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const uint32_t want = x < 4 ? 0u : 0xFF000000u | kVga[(x + y) % 16];
      ASSERT_EQ(argb[y * 32 + x], want) << x << "," << y;
    }

  TIcon copy;
  copy.Assign(&icon);
  EXPECT_EQ(copy.FileBytes(), icon.FileBytes());
  EXPECT_THROW(copy.SetWidth(16), EInvalidOperation);
}

TEST_F(IconTest, DrawingKeepsTheBackgroundWhereTheMaskIsSet) {
  TIcon icon;
  Load(icon, BuildIcon32x16());
  TBitmap target;
  target.SetSize(40, 40);
  target.Canvas()->Brush()->SetColor(clLime);
  target.Canvas()->FillRect(RECT{0, 0, 40, 40});
  target.Canvas()->Draw(2, 3, &icon);
  EXPECT_EQ(target.Canvas()->Pixels(2 + 1, 3 + 5), clLime);  // masked
  const uint32_t c = kVga[(10 + 5) % 16];
  EXPECT_EQ(target.Canvas()->Pixels(2 + 10, 3 + 5),
            static_cast<TColor>(RGB(c >> 16, c >> 8 & 0xFF, c & 0xFF)));
  EXPECT_EQ(target.Canvas()->Pixels(0, 0), clLime);
}

TEST_F(IconTest, TruncatedAndLyingFilesAreRejectedAndLeaveTheIconAlone) {
  const std::string file = BuildIcon32x16();
  TIcon icon;
  Load(icon, file);
  auto expect_rejected = [&](const std::string& bytes) {
    TMemoryStream stream;
    FillStream(stream, bytes);
    try {
      icon.LoadFromStream(stream);
      ADD_FAILURE() << "accepted";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), "Icon image is not valid");
    } catch (const EStreamError&) {
    }
    EXPECT_EQ(icon.FileBytes().size(), 766u);
  };
  for (size_t length = 0; length < file.size(); ++length) {
    SCOPED_TRACE(length);
    expect_rejected(file.substr(0, length));
  }
  auto patched = [&](size_t offset, uint32_t value, size_t bytes) {
    std::string s = file;
    std::memcpy(&s[offset], &value, bytes);
    return s;
  };
  expect_rejected(patched(2, 2, 2));                // a cursor, not an icon
  expect_rejected(patched(4, 0, 2));                // no images
  expect_rejected(patched(4, 2, 2));                // a second entry that is not there
  expect_rejected(patched(14, 745, 4));             // image size past the end
  expect_rejected(patched(14, 0xFFFFFFFF, 4));      // image size overflowing
  expect_rejected(patched(18, 4, 4));               // image inside the directory
  expect_rejected(patched(18, 0xFFFFFFF0, 4));      // offset past the end
  expect_rejected(patched(22, 64, 4));              // header size
  expect_rejected(patched(22 + 8, 63, 4));          // odd height
  expect_rejected(patched(22 + 8, 128, 4));         // height larger than the data
  expect_rejected(patched(22 + 4, 0x7FFFFFFF, 4));  // width
  expect_rejected(patched(22 + 14, 5, 2));          // 5 bits
  expect_rejected(patched(22 + 16, BI_RLE4, 4));    // compressed
  expect_rejected(patched(22 + 32, 17, 4));         // 17 colours at 4 bits
}

void Put32(std::string& s, uint32_t v) {
  s.append(reinterpret_cast<const char*>(&v), 4);
}

// An icon image: 40-byte header (height doubled), colours, pixels, mask.
std::string IconImageBytes(int size, int bits, const std::string& pixels, bool with_mask) {
  std::string image;
  Put32(image, 40);
  Put32(image, static_cast<uint32_t>(size));
  Put32(image, static_cast<uint32_t>(size * 2));
  Put32(image, 1 | static_cast<uint32_t>(bits) << 16);  // planes, bits
  for (int i = 0; i < 6; ++i) Put32(image, 0);
  image += pixels;
  if (with_mask) image += std::string(static_cast<size_t>((size + 31) / 32 * 4 * size), '\0');
  return image;
}

TEST_F(IconTest, IconsWithSeveralImagesShowThe32x32OneAndUseItsAlpha) {
  // Image 0: PNG data (kept, not decoded). Image 1: 16 x 16 at 8 bits.
  // Image 2: 32 x 32 at 32 bits with alpha.
  const std::string png = std::string("\x89PNG\r\n\x1A\n", 8) + "rest";
  std::string colours8;
  for (int i = 0; i < 256; ++i) Put32(colours8, static_cast<uint32_t>(i * 0x010101));
  const std::string small = IconImageBytes(16, 8, colours8 + std::string(16 * 16, '\x80'), true);
  std::string argb;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)  // bottom-up rows: row y is picture row 31 - y
      Put32(argb, static_cast<uint32_t>((x * 8) << 24 | (31 - y) << 16 | x << 8 | 7));
  const std::string big = IconImageBytes(32, 32, argb, true);

  std::string file;
  file.append("\0\0\1\0\3\0", 6);
  size_t offset = 6 + 3 * 16;
  for (const std::string* image : {&png, &small, &big}) {
    const int size = image == &png ? 0 : image == &small ? 16 : 32;
    file.push_back(static_cast<char>(size));
    file.push_back(static_cast<char>(size));
    file.append("\0\0\1\0", 4);
    file.push_back(static_cast<char>(image == &big ? 32 : 8));
    file.push_back('\0');
    Put32(file, static_cast<uint32_t>(image->size()));
    Put32(file, static_cast<uint32_t>(offset));
    offset += image->size();
  }
  file += png + small + big;

  TIcon icon;
  Load(icon, file);
  EXPECT_EQ(icon.Width(), 32);
  int w = 0, h = 0;
  std::vector<uint32_t> pixels;
  ASSERT_TRUE(icon.GetImage(w, h, pixels));
  ASSERT_EQ(w, 32);
  EXPECT_EQ(pixels[0], 0x00000007u);  // (0, 0): alpha 0
  EXPECT_EQ(pixels[5 * 32 + 3], static_cast<uint32_t>(24u << 24 | 5 << 16 | 3 << 8 | 7));
  TMemoryStream out;
  icon.SaveToStream(out);
  EXPECT_EQ(StreamBytes(out), file);
}

TEST_F(IconTest, StoredDataIsTheFileItself) {
  struct Filer : TFiler {
    std::function<void(TStream&)> read, write;
    void DefineProperty(const std::string&, std::function<void(TReader&)>,
                        std::function<void(TWriter&)>, bool) override {}
    void DefineBinaryProperty(const std::string&, std::function<void(TStream&)> r,
                              std::function<void(TStream&)> w, bool) override {
      read = std::move(r);
      write = std::move(w);
    }
  } filer;
  TIcon icon;
  icon.DefineProperties(filer);
  TMemoryStream in;
  FillStream(in, BuildIcon32x16());
  filer.read(in);
  EXPECT_EQ(icon.Width(), 32);
  TMemoryStream out;
  filer.write(out);
  EXPECT_EQ(StreamBytes(out), BuildIcon32x16());
}

}  // namespace
