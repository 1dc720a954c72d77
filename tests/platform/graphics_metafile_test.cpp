// TMetafile: EMF files load and save, the palette comes from the metafile's
// palette entries, recording through TMetafileCanvas, playback into a
// bitmap, bad files raise.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/graphics/Graphics.h"
#include "tests/support/GraphicsTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

class MetafileTest : public GraphicsTest {};

void Load(TMetafile& metafile, const std::string& bytes) {
  TMemoryStream stream;
  FillStream(stream, bytes);
  metafile.LoadFromStream(stream);
}

std::string Save(TMetafile& metafile) {
  TMemoryStream stream;
  metafile.SaveToStream(stream);
  return StreamBytes(stream);
}

TEST_F(MetafileTest, FilesLoadAndSaveAndGiveTheFrameSizeInPixels) {
  TMetafile metafile;
  EXPECT_TRUE(metafile.Empty());
  EXPECT_EQ(metafile.Width(), 0);
  EXPECT_EQ(Save(metafile), "");
  const std::string file = BuildEmf(2540, 1270, {});
  Load(metafile, file);
  EXPECT_FALSE(metafile.Empty());
  EXPECT_EQ(metafile.Width(), 96);
  EXPECT_EQ(metafile.Height(), 48);
  EXPECT_EQ(metafile.Palette(), nullptr);
  EXPECT_EQ(Save(metafile), file);

  TMetafile copy;
  copy.Assign(&metafile);
  EXPECT_NE(copy.Handle(), metafile.Handle());
  EXPECT_EQ(Save(copy), file);

  metafile.SetWidth(192);
  EXPECT_EQ(metafile.MMWidth(), 5080);
  TMetafile resized;
  Load(resized, Save(metafile));
  EXPECT_EQ(resized.Width(), 192);
}

TEST_F(MetafileTest, PaletteIsBuiltFromThePaletteEntries) {
  SKIP_ON_WINDOWS(
      "Wine keeps no palette entries in metafiles (GetEnhMetaFilePaletteEntries answers 0)");
  TMetafile metafile;
  Load(metafile, BuildEmf(100, 100, {0xFF0000, 0x00FF00, 0x0000FF}));
  HPALETTE palette = metafile.Palette();
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(metafile.Palette(), palette);  // made once, owned by the metafile
  PALETTEENTRY entries[3];
  ASSERT_EQ(GetPaletteEntries(palette, 0, 3, entries), 3u);
  EXPECT_EQ(entries[0].peRed, 255);
  EXPECT_EQ(entries[1].peGreen, 255);
  EXPECT_EQ(entries[2].peBlue, 255);
  EXPECT_EQ(entries[2].peRed, 0);
  metafile.SetHandle(nullptr);  // frees the palette with the metafile
  EXPECT_EQ(metafile.Palette(), nullptr);
}

TEST_F(MetafileTest, RecordedDrawingPlaysBackScaledIntoABitmap) {
  TMetafile metafile;
  metafile.SetWidth(100);
  metafile.SetHeight(50);
  {
    TMetafileCanvas canvas(&metafile, nullptr);
    canvas.Brush()->SetColor(clRed);
    canvas.Pen()->SetStyle(psClear);
    canvas.Rectangle(0, 0, 50, 50);
  }
  ASSERT_FALSE(metafile.Empty());
  EXPECT_EQ(metafile.Width(), 100);

  TBitmap bitmap;
  bitmap.SetSize(200, 100);
  bitmap.Canvas()->FillRect(RECT{0, 0, 200, 100});
  bitmap.Canvas()->StretchDraw(RECT{0, 0, 200, 100}, &metafile);
  EXPECT_EQ(bitmap.Canvas()->Pixels(10, 10), clRed);
  EXPECT_EQ(bitmap.Canvas()->Pixels(90, 90), clRed);
  EXPECT_EQ(bitmap.Canvas()->Pixels(150, 50), clWhite);

  TMetafile loaded;
  Load(loaded, Save(metafile));
  EXPECT_EQ(Save(loaded), Save(metafile));
}

TEST_F(MetafileTest, TruncatedAndLyingFilesAreRejectedAndLeaveTheMetafileAlone) {
  const std::string file = BuildEmf(2540, 2540, {0x123456});
  TMetafile metafile;
  Load(metafile, BuildEmf(254, 254, {}));
  auto expect_rejected = [&](const std::string& bytes) {
    TMemoryStream stream;
    FillStream(stream, bytes);
    try {
      metafile.LoadFromStream(stream);
      ADD_FAILURE() << "accepted";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), "Metafile is not valid");
    } catch (const EStreamError&) {
    }
    EXPECT_EQ(metafile.Width(), 10);
  };
  for (size_t length = 0; length < file.size(); ++length) {
    SCOPED_TRACE(length);
    expect_rejected(file.substr(0, length));
  }
  auto patched = [&](size_t offset, uint32_t value) {
    std::string s = file;
    std::memcpy(&s[offset], &value, 4);
    return s;
  };
  expect_rejected(patched(0, EMR_EOF));      // no header record first
  expect_rejected(patched(4, 40));           // header record too small
  expect_rejected(patched(4, 4000));         // header record past the end
  expect_rejected(patched(40, 0x12345678));  // signature
  expect_rejected(patched(48, 4000));        // file size past the end
  expect_rejected(patched(48, 0xFFFFFFFC));  // file size overflowing
  expect_rejected(patched(48, 110));         // file size not whole records
  expect_rejected(patched(108 + 4, 4000));   // EOF record size past the end
  expect_rejected(patched(108 + 4, 0));      // EOF record of size 0
  expect_rejected(patched(0, 0x9AC6CDD7));   // a placeable header on other bytes
}

std::string Sample(const std::string& name) {
  return ReadFileBytes(std::string(VASK_TEST_DATA_DIR) + "/metafiles/" + name);
}

// Windows metafiles load as SetWinMetaFileBits converts them (the placeable
// header gives the size), draw, and save back as a placeable file holding
// the same records.
TEST_F(MetafileTest, WindowsMetafilesLoadDrawAndSaveBack) {
  const std::string placeable = Sample("wine-placeable.wmf");
  TMetafile metafile;
  Load(metafile, placeable);
  EXPECT_FALSE(metafile.Enhanced());
  EXPECT_EQ(metafile.Width(), 120);
  EXPECT_EQ(metafile.Height(), 96);
  const std::string saved = Save(metafile);
  ASSERT_GT(saved.size(), 22u);
#ifndef _WIN32
  // Here the original records come back (Wine's GDI converts them again).
  EXPECT_EQ(saved.substr(22), placeable.substr(22));
#endif
  TMetafile again;
  Load(again, saved);
  EXPECT_EQ(again.Width(), 120);
  EXPECT_EQ(again.Height(), 96);
  // As an enhanced metafile it saves as one.
  metafile.SetEnhanced(true);
  TMetafile enhanced;
  Load(enhanced, Save(metafile));
  EXPECT_TRUE(enhanced.Enhanced());
  EXPECT_EQ(enhanced.Width(), 120);

  TempDir dir;
  WriteFileBytes(dir.File("x.wmf"), placeable);
  TPicture picture;
  picture.LoadFromFile(dir.File("x.wmf"));
  EXPECT_TRUE(Is<TMetafile>(picture.Graphic()));
  EXPECT_EQ(picture.Width(), 120);
}

#ifndef _WIN32
// Without the placeable header the window extent counts as pixels (Windows
// leaves the size to the caller); the picture is the same.
TEST_F(MetafileTest, WindowsMetafilesWithoutTheirHeaderDrawTheSamePicture) {
  TMetafile placeable, plain;
  Load(placeable, Sample("wine-placeable.wmf"));
  Load(plain, Sample("wine-plain.wmf"));
  EXPECT_EQ(plain.Width(), 1200);
  EXPECT_EQ(plain.Height(), 960);
  TBitmap a, b;
  for (auto [bitmap, metafile] : {std::pair{&a, &placeable}, std::pair{&b, &plain}}) {
    bitmap->SetSize(120, 96);
    bitmap->Canvas()->FillRect(RECT{0, 0, 120, 96});
    bitmap->Canvas()->StretchDraw(RECT{0, 0, 120, 96}, metafile);
  }
  for (int y = 0; y < 96; y += 3)
    for (int x = 0; x < 120; x += 3)
      ASSERT_EQ(a.Canvas()->Pixels(x, y), b.Canvas()->Pixels(x, y)) << x << "," << y;
}
#endif

TEST_F(MetafileTest, BrokenWindowsMetafilesAreRejected) {
  const std::string file = Sample("wine-placeable.wmf");
  auto patched = [&](size_t offset, uint16_t value) {
    std::string s = file;
    std::memcpy(&s[offset], &value, 2);
    return s;
  };
  std::vector<std::string> broken;
  for (size_t length = 0; length < file.size(); length += 7)
    broken.push_back(file.substr(0, length));
  broken.push_back(patched(20, 0));            // checksum
  broken.push_back(patched(10, 0));            // empty box (checksum fixed below)
  broken.push_back(patched(22 + 2, 5));        // header size
  broken.push_back(patched(22 + 18, 0));       // first record of no size
  broken.push_back(patched(22 + 18, 0xFFFF));  // first record past the end
  // The box check: right == left, with a matching checksum.
  std::string empty_box = patched(10, 0);
  uint16_t sum = 0;
  for (int i = 0; i < 10; ++i) {
    uint16_t w;
    std::memcpy(&w, &empty_box[2 * i], 2);
    sum ^= w;
  }
  std::memcpy(&empty_box[20], &sum, 2);
  broken.push_back(empty_box);
  for (const std::string& bytes : broken) {
    SCOPED_TRACE(bytes.size());
    TMetafile metafile;
    TMemoryStream stream;
    FillStream(stream, bytes);
    try {
      metafile.LoadFromStream(stream);
      ADD_FAILURE() << "accepted";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), "Metafile is not valid");
    } catch (const EStreamError&) {
    }
    EXPECT_TRUE(metafile.Empty());
  }
}

}  // namespace
