// BMP files: every depth and header form loads with the right pixels and
// saves back byte for byte; an independent reader agrees with what we write
// and we agree with what it writes; bad files raise and change nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/graphics/Graphics.h"
#include "tests/support/GraphicsTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

class BmpTest : public GraphicsTest {};

// 0xRRGGBB -> the canvas's colour encoding (red in the low byte).
TColor ToColor(uint32_t rgb) {
  return static_cast<TColor>(RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
}

std::vector<uint32_t> Palette(int n) {
  std::vector<uint32_t> colors;
  for (int i = 0; i < n; ++i)
    colors.push_back(
        static_cast<uint32_t>((i * 53 % 256) << 16 | (i * 101 % 256) << 8 | (255 - i) % 256));
  return colors;
}

void Load(TBitmap& bitmap, const std::string& bytes) {
  TMemoryStream stream;
  FillStream(stream, bytes);
  bitmap.LoadFromStream(stream);
}

std::string Save(TBitmap& bitmap) {
  TMemoryStream stream;
  bitmap.SaveToStream(stream);
  return StreamBytes(stream);
}

// Compares every pixel of the bitmap with expected(x, y) (0xRRGGBB).
void ExpectPixels(TBitmap& bitmap, int w, int h,
                  const std::function<uint32_t(int, int)>& expected) {
  ASSERT_EQ(bitmap.Width(), w);
  ASSERT_EQ(bitmap.Height(), h);
  int mismatches = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (bitmap.Canvas()->Pixels(x, y) != ToColor(expected(x, y)) && ++mismatches <= 5)
        ADD_FAILURE() << "pixel (" << x << ", " << y << "): " << std::hex
                      << bitmap.Canvas()->Pixels(x, y) << " expected " << ToColor(expected(x, y));
  EXPECT_EQ(mismatches, 0);
}

void Patch32(std::string& s, size_t offset, uint32_t v) {
  std::memcpy(&s[offset], &v, 4);
}
void Patch16(std::string& s, size_t offset, uint16_t v) {
  std::memcpy(&s[offset], &v, 2);
}
uint32_t Le32(const std::string& s, size_t offset) {
  uint32_t v;
  std::memcpy(&v, &s[offset], 4);
  return v;
}

uint32_t Scale(uint32_t value, uint32_t max) {
  return (value * 255 + max / 2) / max;
}

struct IndexedCase {
  int bits;
  int colours;
  TPixelFormat format;
};

TEST_F(BmpTest, IndexedFilesLoadThroughTheirPaletteAndSaveBackUnchanged) {
  for (const IndexedCase& c :
       {IndexedCase{1, 2, pf1bit}, IndexedCase{4, 16, pf4bit}, IndexedCase{4, 5, pf4bit},
        IndexedCase{8, 256, pf8bit}, IndexedCase{8, 200, pf8bit}}) {
    SCOPED_TRACE(testing::Message() << c.bits << " bits, " << c.colours << " colours");
    BmpLayout layout;
    layout.width = 13;
    layout.height = 7;
    layout.bits = c.bits;
    layout.colors = Palette(c.colours);
    layout.pixel = [&](int x, int y) { return PatternIndex(x, y, c.colours); };
    const std::string file = BuildBmp(layout);

    TBitmap bitmap;
    Load(bitmap, file);
    EXPECT_EQ(bitmap.PixelFormat(), c.format);
    ASSERT_NE(bitmap.Palette(), nullptr);
    EXPECT_EQ(GetPaletteEntries(bitmap.Palette(), 0, 0, nullptr), static_cast<UINT>(c.colours));
    ExpectPixels(bitmap, 13, 7, [&](int x, int y) { return layout.colors[layout.pixel(x, y)]; });
    EXPECT_EQ(Save(bitmap), file);
  }
}

TEST_F(BmpTest, DirectColourFilesLoadAndSaveBackUnchanged) {
  // 24 bits
  BmpLayout rgb;
  rgb.width = 11;
  rgb.height = 5;
  rgb.bits = 24;
  rgb.pixel = PatternRgb;
  TBitmap bitmap;
  Load(bitmap, BuildBmp(rgb));
  EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
  EXPECT_EQ(bitmap.Palette(), nullptr);
  ExpectPixels(bitmap, 11, 5, PatternRgb);
  EXPECT_EQ(Save(bitmap), BuildBmp(rgb));

  // 32 bits: the fourth byte is ignored on reading and written as 0.
  BmpLayout rgbx = rgb;
  rgbx.bits = 32;
  rgbx.pixel = [](int x, int y) { return PatternRgb(x, y) | 0xAB000000u; };
  Load(bitmap, BuildBmp(rgbx));
  EXPECT_EQ(bitmap.PixelFormat(), pf32bit);
  ExpectPixels(bitmap, 11, 5, PatternRgb);
  rgbx.pixel = PatternRgb;
  EXPECT_EQ(Save(bitmap), BuildBmp(rgbx));

  // 16 bits, 5-5-5 without masks.
  BmpLayout five = rgb;
  five.bits = 16;
  five.pixel = [](int x, int y) { return static_cast<uint32_t>((x * 977 + y * 3001) & 0x7FFF); };
  Load(bitmap, BuildBmp(five));
  EXPECT_EQ(bitmap.PixelFormat(), pf15bit);
  ExpectPixels(bitmap, 11, 5, [&](int x, int y) {
    const uint32_t v = five.pixel(x, y);
    return Scale(v >> 10 & 31, 31) << 16 | Scale(v >> 5 & 31, 31) << 8 | Scale(v & 31, 31);
  });
  EXPECT_EQ(Save(bitmap), BuildBmp(five));

  // 16 bits, 5-6-5 masks.
  BmpLayout six = five;
  six.compression = BI_BITFIELDS;
  six.masks[0] = 0xF800;
  six.masks[1] = 0x07E0;
  six.masks[2] = 0x001F;
  six.pixel = [](int x, int y) { return static_cast<uint32_t>((x * 977 + y * 3001) & 0xFFFF); };
  Load(bitmap, BuildBmp(six));
  EXPECT_EQ(bitmap.PixelFormat(), pf16bit);
  ExpectPixels(bitmap, 11, 5, [&](int x, int y) {
    const uint32_t v = six.pixel(x, y);
    return Scale(v >> 11 & 31, 31) << 16 | Scale(v >> 5 & 63, 63) << 8 | Scale(v & 31, 31);
  });
  EXPECT_EQ(Save(bitmap), BuildBmp(six));

  // 32 bits with masks that put red in the low byte.
  BmpLayout swapped = rgb;
  swapped.bits = 32;
  swapped.compression = BI_BITFIELDS;
  swapped.masks[0] = 0x000000FF;
  swapped.masks[1] = 0x0000FF00;
  swapped.masks[2] = 0x00FF0000;
  swapped.pixel = [](int x, int y) {
    const uint32_t v = PatternRgb(x, y);
    return (v & 0xFF) << 16 | (v & 0xFF00) | (v >> 16 & 0xFF);
  };
  Load(bitmap, BuildBmp(swapped));
  ExpectPixels(bitmap, 11, 5, PatternRgb);
}

TEST_F(BmpTest, CoreHeadersAndTopDownRowsLoadAndSaveAsStandardFiles) {
  for (int bits : {1, 4, 8, 24}) {
    SCOPED_TRACE(testing::Message() << bits << " bits");
    BmpLayout core;
    core.core_header = true;
    core.width = 9;
    core.height = 6;
    core.bits = bits;
    const int colours = bits <= 8 ? 1 << bits : 0;
    core.colors = Palette(colours);
    core.pixel = bits <= 8 ? std::function<uint32_t(int, int)>(
                                 [=](int x, int y) { return PatternIndex(x, y, colours); })
                           : PatternRgb;
    TBitmap bitmap;
    Load(bitmap, BuildBmp(core));
    auto expected = [&](int x, int y) {
      return bits <= 8 ? core.colors[core.pixel(x, y)] : core.pixel(x, y);
    };
    ExpectPixels(bitmap, 9, 6, expected);
    BmpLayout standard = core;
    standard.core_header = false;
    EXPECT_EQ(Save(bitmap), BuildBmp(standard));
  }

  BmpLayout top_down;
  top_down.width = 7;
  top_down.height = -4;
  top_down.bits = 24;
  top_down.pixel = PatternRgb;
  TBitmap bitmap;
  Load(bitmap, BuildBmp(top_down));
  ExpectPixels(bitmap, 7, 4, PatternRgb);
  BmpLayout bottom_up = top_down;
  bottom_up.height = 4;
  EXPECT_EQ(Save(bitmap), BuildBmp(bottom_up));
}

// An RLE file: a 40-byte header and a colour table as BuildBmp makes them,
// then the encoded rows.
std::string RleFile(int bits, int width, int height, const std::vector<uint32_t>& colors,
                    const std::string& data) {
  BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bits = bits;
  layout.colors = colors;
  std::string file = BuildBmp(layout);
  const uint32_t offset = static_cast<uint32_t>(14 + 40 + 4 * colors.size());
  file.resize(offset);
  file += data;
  const uint32_t size = static_cast<uint32_t>(file.size());
  const uint32_t compression = bits == 8 ? BI_RLE8 : BI_RLE4;
  const uint32_t data_size = static_cast<uint32_t>(data.size());
  std::memcpy(&file[2], &size, 4);
  std::memcpy(&file[30], &compression, 4);
  std::memcpy(&file[34], &data_size, 4);
  return file;
}

TEST_F(BmpTest, RunLengthEncodedFilesDecode) {
  const std::vector<uint32_t> colors = Palette(16);
  auto color = [&](int index) { return ToColor(colors[index]); };
  // Row 0 (bottom): a run of 3, 4 pixels stored as they are, end of line.
  // Then a delta of (2, 1) to row 2, a run of 9 cut at the row's end, and
  // the end of the bitmap; row 1 and the rest of row 2 and 3 stay index 0.
  const std::string rle8(
      "\x03\x05\x00\x04\x01\x02\x03\x04\x00\x00"
      "\x00\x02\x02\x01\x09\x07\x00\x01",
      18);
  const std::string rle4(
      "\x03\x5A\x00\x04\x12\x34\x00\x00"
      "\x00\x02\x02\x01\x09\x7B\x00\x01",
      16);
  for (int bits : {8, 4}) {
    SCOPED_TRACE(bits);
    const std::string file = RleFile(bits, 7, 4, colors, bits == 8 ? rle8 : rle4);
    TBitmap bitmap;
    Load(bitmap, file);
    EXPECT_EQ(bitmap.PixelFormat(), bits == 8 ? pf8bit : pf4bit);
    TCanvas& c = *bitmap.Canvas();  // y counted from the top: row 0 is y 3
    EXPECT_EQ(c.Pixels(0, 3), color(5));
    EXPECT_EQ(c.Pixels(1, 3), color(bits == 8 ? 5 : 0xA));
    EXPECT_EQ(c.Pixels(2, 3), color(5));
    EXPECT_EQ(c.Pixels(3, 3), color(1));
    EXPECT_EQ(c.Pixels(6, 3), color(4));
    EXPECT_EQ(c.Pixels(0, 2), color(0));
    EXPECT_EQ(c.Pixels(1, 1), color(0));
    EXPECT_EQ(c.Pixels(2, 1), color(7));
    EXPECT_EQ(c.Pixels(3, 1), color(bits == 8 ? 7 : 0xB));
    EXPECT_EQ(c.Pixels(6, 1), color(7));
    EXPECT_EQ(c.Pixels(6, 0), color(0));
    for (size_t length = 0; length < file.size(); ++length) {
      TBitmap cut;
      EXPECT_ANY_THROW(Load(cut, file.substr(0, length))) << length;
    }
  }
}

TEST_F(BmpTest, RunLengthEncodedFilesDecodeAsPillowDecodesThem) {
  // Runs (one cut at the row's end), absolute pixels, ends of line and of
  // the bitmap; Pillow's decoder mishandles deltas and rows left out at the
  // end, so every row is given and there are no deltas.
  const std::vector<uint32_t> colors = Palette(16);
  const std::string rle8(
      "\x03\x05\x00\x04\x01\x02\x03\x04\x00\x00"
      "\x09\x07\x00\x00\x02\x0F\x00\x00\x07\x03\x00\x01",
      22);
  const std::string rle4(
      "\x03\x5A\x00\x04\x12\x34\x00\x00"
      "\x09\x7B\x00\x00\x02\xCD\x00\x00\x07\x3E\x00\x01",
      20);
  TempDir dir;
  for (int bits : {8, 4}) {
    SCOPED_TRACE(bits);
    const std::string file = RleFile(bits, 7, 4, colors, bits == 8 ? rle8 : rle4);
    const std::string path = dir.File("rle" + std::to_string(bits) + ".bmp");
    WriteFileBytes(path, file);
    int w = 0, h = 0;
    std::vector<uint32_t> rgb;
    std::string why;
    ASSERT_TRUE(PillowDecode(path, w, h, rgb, why)) << why;
    TBitmap bitmap;
    bitmap.LoadFromFile(path);
    ExpectPixels(bitmap, 7, 4, [&](int x, int y) { return rgb[y * w + x]; });
  }
}

TEST_F(BmpTest, LoadingStopsAfterThePixelsAndFilesWorkThroughTheFileCalls) {
  BmpLayout layout;
  layout.width = 3;
  layout.height = 2;
  layout.pixel = PatternRgb;
  const std::string file = BuildBmp(layout);
  TMemoryStream stream;
  FillStream(stream, file + "tail");
  TBitmap bitmap;
  bitmap.LoadFromStream(stream);
  EXPECT_EQ(stream.Position(), static_cast<int64_t>(file.size()));

  TempDir dir;
  bitmap.SaveToFile(dir.File("a.bmp"));
  EXPECT_EQ(ReadFileBytes(dir.File("a.bmp")), file);
  TBitmap again;
  again.LoadFromFile(dir.File("a.bmp"));
  ExpectPixels(again, 3, 2, PatternRgb);
  EXPECT_THROW(again.LoadFromFile(dir.File("missing.bmp")), EFOpenError);
}

TEST_F(BmpTest, PaletteDisplayKeepsIndicesAndColoursThroughLoadAndSave) {
  REQUIRE_DISPLAY_FORMAT(gditest::DisplayFormat::Palette8);
  gditest::ScopedDisplay display(gditest::DisplayFormat::Palette8);
  BmpLayout layout;
  layout.width = 17;
  layout.height = 3;
  layout.bits = 8;
  layout.colors = Palette(256);
  layout.pixel = [](int x, int y) { return PatternIndex(x, y, 256); };
  const std::string file = BuildBmp(layout);
  TBitmap bitmap;
  Load(bitmap, file);
  gditest::RawBitmap raw;
  ASSERT_TRUE(gditest::ReadBitmap(bitmap.Handle(), raw));
  EXPECT_EQ(raw.bpp, 8);
  EXPECT_EQ(Save(bitmap), file);
  TBitmap copy;  // a copy keeps indices and palette too
  copy.Assign(&bitmap);
  gditest::RawBitmap copied;
  ASSERT_TRUE(gditest::ReadBitmap(copy.Handle(), copied));
  EXPECT_EQ(copied.pixels, raw.pixels);
  EXPECT_EQ(Save(copy), file);
}

TEST_F(BmpTest, SixteenColourDisplayKeepsVgaColouredFilesExact) {
  REQUIRE_DISPLAY_FORMAT(gditest::DisplayFormat::Colours16);
  gditest::ScopedDisplay display(gditest::DisplayFormat::Colours16);
  BmpLayout layout;
  layout.width = 9;
  layout.height = 4;
  layout.bits = 4;
  layout.colors = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
                   0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  layout.pixel = [](int x, int y) { return PatternIndex(x, y, 16); };
  const std::string file = BuildBmp(layout);
  TBitmap bitmap;
  Load(bitmap, file);
  gditest::RawBitmap raw;
  ASSERT_TRUE(gditest::ReadBitmap(bitmap.Handle(), raw));
  EXPECT_EQ(raw.bpp, 4);
  EXPECT_EQ(Save(bitmap), file);
}

TEST_F(BmpTest, PillowReadsWhatWeWrite) {
  TempDir dir;
  struct Case {
    int bits;
    int colours;
  };
  for (const Case& c :
       {Case{1, 2}, Case{4, 16}, Case{8, 256}, Case{16, 0}, Case{24, 0}, Case{32, 0}}) {
    SCOPED_TRACE(testing::Message() << c.bits << " bits");
    BmpLayout layout;
    layout.width = 21;
    layout.height = 9;
    layout.bits = c.bits;
    layout.colors = Palette(c.colours);
    layout.pixel = [&](int x, int y) {
      if (c.bits <= 8) return PatternIndex(x, y, c.colours);
      if (c.bits == 16) return static_cast<uint32_t>((x * 977 + y * 3001) & 0x7FFF);
      return PatternRgb(x, y);
    };
    TBitmap bitmap;
    Load(bitmap, BuildBmp(layout));
    const std::string path = dir.File("ours" + std::to_string(c.bits) + ".bmp");
    bitmap.SaveToFile(path);

    int w = 0, h = 0;
    std::vector<uint32_t> rgb;
    std::string why;
    ASSERT_TRUE(PillowDecode(path, w, h, rgb, why)) << why;
    ASSERT_EQ(w, 21);
    ASSERT_EQ(h, 9);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint32_t got = rgb[y * w + x];
        if (c.bits == 16) {
          // Readers differ in how they widen 5-bit channels; allow rounding.
          const uint32_t v = layout.pixel(x, y);
          const uint32_t want[3] = {Scale(v >> 10 & 31, 31), Scale(v >> 5 & 31, 31),
                                    Scale(v & 31, 31)};
          const uint32_t have[3] = {got >> 16 & 0xFF, got >> 8 & 0xFF, got & 0xFF};
          for (int k = 0; k < 3; ++k)
            ASSERT_LE(std::abs(static_cast<int>(want[k]) - static_cast<int>(have[k])), 4)
                << x << "," << y;
        } else {
          const uint32_t want =
              c.bits <= 8 ? layout.colors[layout.pixel(x, y)] : layout.pixel(x, y);
          ASSERT_EQ(got, want) << x << "," << y;
        }
      }
  }
}

TEST_F(BmpTest, WeReadWhatPillowWrites) {
  TempDir dir;
  const int w = 19, h = 8;
  std::vector<uint32_t> source(w * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) source[y * w + x] = PatternRgb(x, y);
  for (const std::string mode : {"RGB", "P", "1"}) {
    SCOPED_TRACE(mode);
    const std::string path = dir.File("pillow-" + mode + ".bmp");
    std::string why;
    ASSERT_TRUE(PillowWriteBmp(path, w, h, source, mode, why)) << why;
    int pw = 0, ph = 0;
    std::vector<uint32_t> decoded;
    ASSERT_TRUE(PillowDecode(path, pw, ph, decoded, why)) << why;
    TBitmap bitmap;
    bitmap.LoadFromFile(path);
    ExpectPixels(bitmap, w, h, [&](int x, int y) { return decoded[y * w + x]; });
  }
}

// The V5 file with its header cut to the V4 header's 108 bytes (the fields
// it drops are the rendering intent and the colour profile).
std::string AsV4(std::string v5) {
  const uint32_t v4 = 108;
  v5.erase(14 + v4, 124 - v4);
  Patch32(v5, 2, static_cast<uint32_t>(v5.size()));
  Patch32(v5, 10, Le32(v5, 10) - (124 - v4));
  Patch32(v5, 14, v4);
  return v5;
}

// A file with a 40-byte header widened to the OS/2 2.x header of 64 bytes.
std::string AsOs2(std::string v3) {
  v3.insert(14 + 40, 24, '\0');
  Patch32(v3, 2, static_cast<uint32_t>(v3.size()));
  Patch32(v3, 10, Le32(v3, 10) + 24);
  Patch32(v3, 14, 64);
  return v3;
}

// Files with the larger headers, as ImageMagick writes them (V5 by default:
// 24 bits; 32 bits with an alpha mask; 16-bit 5-6-5 fields; a 16-colour
// table), the same with the V4 header, and the OS/2 2.x header: each loads
// as Pillow reads it.
TEST_F(BmpTest, LargerHeadersLoadAsPillowReadsThem) {
  TempDir dir;
  const int w = 19, h = 8;
  std::string ppm = "P6\n19 8\n255\n";
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int shift : {16, 8, 0}) ppm += static_cast<char>((PatternRgb(x, y) >> shift) & 0xFF);
  WriteFileBytes(dir.File("src.ppm"), ppm);
  const std::pair<const char*, const char*> made[] = {
      {"v5.bmp", ""},
      {"v5-alpha.bmp", "-alpha set -channel A -evaluate set 50% +channel"},
      {"v5-565.bmp", "-define bmp:subtype=RGB565"},
      {"v5-16.bmp", "-colors 16 -type Palette"},
      {"v3.bmp", "-type TrueColor BMP3:"},
      {"v3-16.bmp", "-colors 16 -type Palette BMP3:"},
  };
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& [name, args] : made) {
    std::string options = args;
    std::string prefix;
    if (const size_t at = options.find("BMP3:"); at != std::string::npos) {
      prefix = "BMP3:";
      options.erase(at);
    }
    ASSERT_EQ(
        RunShell("convert " + dir.File("src.ppm") + " " + options + " " + prefix + dir.File(name)),
        0)
        << name;
    const std::string bytes = ReadFileBytes(dir.File(name));
    const bool v3 = prefix == "BMP3:";
    ASSERT_EQ(Le32(bytes, 14), v3 ? 40u : 124u) << name;
    if (!v3) files.emplace_back(name, bytes);
    files.emplace_back(std::string(v3 ? "os2-" : "v4-") + name, v3 ? AsOs2(bytes) : AsV4(bytes));
  }
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    const std::string path = dir.File("check-" + name);
    WriteFileBytes(path, bytes);
    int pw = 0, ph = 0;
    std::vector<uint32_t> rgb;
    std::string why;
    ASSERT_TRUE(PillowDecode(path, pw, ph, rgb, why)) << why;
    TBitmap bitmap;
    Load(bitmap, bytes);
    if (name.find("565") == std::string::npos) {
      ExpectPixels(bitmap, w, h, [&](int x, int y) { return rgb[y * w + x]; });
      continue;
    }
    // Pillow widens 5 and 6-bit fields by repeating their high bits; we
    // round, as for every bit-field file: at most one step apart.
    int worst = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        for (int shift : {0, 8, 16})
          worst = std::max(
              worst,
              std::abs(static_cast<int>((bitmap.Canvas()->Pixels(x, y) >> (16 - shift)) & 0xFF) -
                       static_cast<int>((rgb[y * w + x] >> shift) & 0xFF)));
    EXPECT_LE(worst, 1);
  }
}

// ---------------------------------------------------------------------------
// Bad input

BmpLayout SmallIndexed() {
  BmpLayout layout;
  layout.width = 5;
  layout.height = 3;
  layout.bits = 8;
  layout.colors = Palette(4);
  layout.pixel = [](int x, int y) { return PatternIndex(x, y, 4); };
  return layout;
}

// Expects loading bytes to raise EInvalidGraphic (or a stream error) and to
// leave the bitmap as it was (3 x 2, 24 bits, PatternRgb).
void ExpectRejected(TBitmap& bitmap, const std::string& bytes) {
  TMemoryStream stream;
  FillStream(stream, bytes);
  try {
    bitmap.LoadFromStream(stream);
    ADD_FAILURE() << "accepted " << bytes.size() << " bytes";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Bitmap image is not valid");
  } catch (const EStreamError&) {
  }
  EXPECT_EQ(bitmap.Width(), 3);
  EXPECT_EQ(bitmap.Height(), 2);
  EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
}

class BadBmpTest : public BmpTest {
 protected:
  void SetUp() override {
    BmpTest::SetUp();
    BmpLayout layout;
    layout.width = 3;
    layout.height = 2;
    layout.pixel = PatternRgb;
    Load(bitmap_, BuildBmp(layout));
  }
  void TearDown() override {
    bitmap_.Assign(nullptr);
    BmpTest::TearDown();
  }
  TBitmap bitmap_;
};

TEST_F(BadBmpTest, EveryTruncationIsRejected) {
  for (const BmpLayout& layout : {SmallIndexed(), [] {
                                    BmpLayout core = SmallIndexed();
                                    core.core_header = true;
                                    core.colors = Palette(256);
                                    return core;
                                  }()}) {
    const std::string file = BuildBmp(layout);
    for (size_t length = 0; length < file.size(); ++length) {
      SCOPED_TRACE(length);
      ExpectRejected(bitmap_, file.substr(0, length));
    }
  }
}

TEST_F(BadBmpTest, LyingOrUnsupportedFieldsAreRejected) {
  const std::string good = BuildBmp(SmallIndexed());
  struct Lie {
    const char* what;
    std::function<void(std::string&)> patch;
  };
  const std::vector<Lie> lies = {
      {"signature",
       [](std::string& s) {
         s[0] = 'B';
         s[1] = 'A';
       }},
      {"pixel offset before the colours", [](std::string& s) { Patch32(s, 10, 54); }},
      {"pixel offset past the end", [](std::string& s) { Patch32(s, 10, 0x7FFFFFF0); }},
      {"header size 64", [](std::string& s) { Patch32(s, 14, 64); }},
      {"header size 108", [](std::string& s) { Patch32(s, 14, 108); }},
      {"width 0", [](std::string& s) { Patch32(s, 18, 0); }},
      {"negative width", [](std::string& s) { Patch32(s, 18, static_cast<uint32_t>(-5)); }},
      {"huge width", [](std::string& s) { Patch32(s, 18, 0x7FFFFFFF); }},
      {"height 0", [](std::string& s) { Patch32(s, 22, 0); }},
      {"huge height", [](std::string& s) { Patch32(s, 22, 0x7FFFFFFF); }},
      {"most negative height", [](std::string& s) { Patch32(s, 22, 0x80000000u); }},
      {"2 planes", [](std::string& s) { Patch16(s, 26, 2); }},
      {"7 bits", [](std::string& s) { Patch16(s, 28, 7); }},
      {"0 bits", [](std::string& s) { Patch16(s, 28, 0); }},
      {"RLE4 at 8 bits", [](std::string& s) { Patch32(s, 30, BI_RLE4); }},
      {"RLE8 without its size",
       [](std::string& s) {
         Patch32(s, 30, BI_RLE8);
         Patch32(s, 34, 0);
       }},
      {"RLE8 longer than the file",
       [](std::string& s) {
         Patch32(s, 30, BI_RLE8);
         Patch32(s, 34, 25);
       }},
      {"RLE8 top-down",
       [](std::string& s) {
         Patch32(s, 30, BI_RLE8);
         Patch32(s, 22, static_cast<uint32_t>(-3));
       }},
      {"bit fields at 8 bits", [](std::string& s) { Patch32(s, 30, BI_BITFIELDS); }},
      {"JPEG compression", [](std::string& s) { Patch32(s, 30, 4); }},
      {"more colours than the depth has", [](std::string& s) { Patch32(s, 46, 257); }},
      {"more colours than the file holds", [](std::string& s) { Patch32(s, 46, 200); }},
      {"colour count overflowing", [](std::string& s) { Patch32(s, 46, 0x40000001u); }},
  };
  for (const Lie& lie : lies) {
    SCOPED_TRACE(lie.what);
    std::string bytes = good;
    lie.patch(bytes);
    ExpectRejected(bitmap_, bytes);
  }

  // Bit fields whose masks are missing or not contiguous.
  BmpLayout fields;
  fields.width = 2;
  fields.height = 2;
  fields.bits = 16;
  fields.compression = BI_BITFIELDS;
  fields.masks[0] = 0xF800;
  fields.masks[1] = 0x0550;  // holes
  fields.masks[2] = 0x001F;
  ExpectRejected(bitmap_, BuildBmp(fields));
  fields.masks[1] = 0;
  ExpectRejected(bitmap_, BuildBmp(fields));
}

TEST_F(BadBmpTest, HeadersOfNoKnownSizeSaySo) {
  for (uint32_t size : {16u, 20u, 41u, 100u, 200u, 0xFFFFFFFFu}) {
    std::string bytes = BuildBmp(SmallIndexed());
    Patch32(bytes, 14, size);
    bytes.resize(bytes.size() + 256);
    TMemoryStream stream;
    FillStream(stream, bytes);
    try {
      bitmap_.LoadFromStream(stream);
      ADD_FAILURE() << size;
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), "Unsupported bitmap header (" + std::to_string(size) + " bytes)");
    }
    EXPECT_EQ(bitmap_.Width(), 3);
  }
}

TEST_F(BadBmpTest, StoredRecordsWithBadLengthsAreRejected) {
  TPicture picture;
  picture.Bitmap()->Assign(&bitmap_);
  const std::string file = BuildBmp(SmallIndexed());
  auto record = [&](uint32_t length, const std::string& bytes) {
    std::string r = "\x07TBitmap";
    r.append(reinterpret_cast<const char*>(&length), 4);
    return r + bytes;
  };
  struct CaptureFiler : TFiler {
    std::function<void(TStream&)> read;
    void DefineProperty(const std::string&, std::function<void(TReader&)>,
                        std::function<void(TWriter&)>, bool) override {}
    void DefineBinaryProperty(const std::string& name, std::function<void(TStream&)> r,
                              std::function<void(TStream&)>, bool) override {
      if (name == "Data") read = std::move(r);
    }
  } filer;
  picture.DefineProperties(filer);
  for (const std::string& bad :
       {record(static_cast<uint32_t>(file.size() + 1), file),  // length past the end
        record(20, file),                                      // length cuts the file
        record(0xFFFFFFFF, file), record(4, "BMxx"), std::string("\x07TBitmap\x10\x00", 10)}) {
    TMemoryStream stream;
    FillStream(stream, bad);
    EXPECT_ANY_THROW(filer.read(stream));
    ASSERT_TRUE(Is<TBitmap>(picture.Graphic()));
    EXPECT_EQ(picture.Width(), 3);
  }
}

TEST_F(BmpTest, BitmapsTooLargeToAllocateRaiseOutOfMemory) {
  TBitmap bitmap;
  EXPECT_THROW(bitmap.SetSize(100000, 100000), EOutOfMemory);
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(bitmap.Width(), 0);
}

}  // namespace
