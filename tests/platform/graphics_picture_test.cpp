// TPicture: copies on assignment, accessors, the format list, loading by
// extension and the stored "Data" record read and written by class name.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/classes/Filer.h"
#include "platform/graphics/Graphics.h"
#include "tests/support/GraphicsTestSupport.h"
#include "tests/support/TestComponents.h"
#include "tests/support/TestSupport.h"

namespace {

class PictureTest : public GraphicsTest {};

// A graphic class of the tests' own, registered only while a test needs it.
class TTestGraphic : public TGraphic {
  VASK_CLASS(TTestGraphic, TGraphic)
 public:
  static int live;
  static bool fail_reading;
  TTestGraphic() { ++live; }
  ~TTestGraphic() override { --live; }
  void Assign(TPersistent* source) override {
    if (auto* other = dynamic_cast<TTestGraphic*>(source)) {
      value = other->value;
      return;
    }
    inherited::Assign(source);
  }
  void LoadFromStream(TStream& s) override { s.ReadBuffer(&value, 1); }
  void SaveToStream(TStream& s) override { s.WriteBuffer(&value, 1); }
  int Width() const override { return value; }
  int Height() const override { return 1; }
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  bool Empty() const override { return false; }
  uint8_t value = 0;

 protected:
  void Draw(TCanvas&, const RECT&) override {}
  void ReadData(TStream& s) override {
    if (fail_reading) throw EReadError("test graphic refuses");
    LoadFromStream(s);
  }
};
int TTestGraphic::live = 0;
bool TTestGraphic::fail_reading = false;
VASK_DEFINE_CLASS(TTestGraphic)

// Captures the "Data" property's reader and writer.
struct DataFiler : TFiler {
  std::function<void(TStream&)> read, write;
  bool has_data = false;
  void DefineProperty(const std::string&, std::function<void(TReader&)>,
                      std::function<void(TWriter&)>, bool) override {}
  void DefineBinaryProperty(const std::string& name, std::function<void(TStream&)> r,
                            std::function<void(TStream&)> w, bool has) override {
    if (name != "Data") return;
    read = std::move(r);
    write = std::move(w);
    has_data = has;
  }
};

std::string WriteData(TPicture& picture) {
  DataFiler filer;
  picture.DefineProperties(filer);
  TMemoryStream stream;
  filer.write(stream);
  return StreamBytes(stream);
}

void ReadData(TPicture& picture, const std::string& bytes) {
  DataFiler filer;
  picture.DefineProperties(filer);
  TMemoryStream stream;
  FillStream(stream, bytes);
  filer.read(stream);
}

std::string SmallBmp(int w = 4, int h = 3) {
  BmpLayout layout;
  layout.width = w;
  layout.height = h;
  layout.pixel = PatternRgb;
  return BuildBmp(layout);
}

std::vector<std::string> Extensions() {
  std::vector<std::string> list;
  for (const TFileFormat* f = TPicture::FileFormats(); f != nullptr; f = f->Next)
    list.push_back(f->Extension);
  return list;
}

TEST_F(PictureTest, EmptyPictureHasNoSizeAndAccessorsReplaceTheGraphic) {
  TPicture picture;
  int changes = 0;
  picture.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &picture);
    ++changes;
  };
  EXPECT_EQ(picture.Graphic(), nullptr);
  EXPECT_EQ(picture.Width(), 0);
  EXPECT_EQ(picture.Height(), 0);

  TBitmap* bitmap = picture.Bitmap();
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(picture.Bitmap(), bitmap);  // kept while it is a bitmap
  bitmap->SetSize(5, 4);                // changes of the graphic reach the picture
  EXPECT_EQ(picture.Width(), 5);
  EXPECT_EQ(picture.Height(), 4);
  EXPECT_GE(changes, 2);

  TMetafile* metafile = picture.Metafile();
  EXPECT_EQ(picture.Graphic(), metafile);
  EXPECT_EQ(picture.Width(), 0);
  EXPECT_TRUE(Is<TIcon>(picture.Icon()));
  picture.SetGraphic(nullptr);
  EXPECT_EQ(picture.Graphic(), nullptr);
}

TEST_F(PictureTest, SettingTheGraphicStoresAnIndependentCopyOfTheSameClass) {
  TBitmap original;
  TMemoryStream stream;
  FillStream(stream, SmallBmp());
  original.LoadFromStream(stream);

  TPicture picture;
  picture.SetGraphic(&original);
  ASSERT_NE(picture.Graphic(), &original);
  ASSERT_EQ(picture.Graphic()->ClassType(), TBitmap::StaticClass());
  auto* copy = static_cast<TBitmap*>(picture.Graphic());
  EXPECT_NE(copy->Handle(), original.Handle());
  original.Canvas()->SetPixels(0, 0, clRed);
  EXPECT_EQ(copy->Canvas()->Pixels(0, 0),
            static_cast<TColor>(RGB(PatternRgb(0, 0) >> 16, PatternRgb(0, 0) >> 8 & 0xFF,
                                    PatternRgb(0, 0) & 0xFF)));

  TTestGraphic test;
  test.value = 9;
  picture.SetGraphic(&test);
  ASSERT_TRUE(Is<TTestGraphic>(picture.Graphic()));
  EXPECT_EQ(picture.Width(), 9);

  TPicture other;
  other.Assign(&picture);
  EXPECT_NE(other.Graphic(), picture.Graphic());
  EXPECT_EQ(other.Width(), 9);
  other.Assign(nullptr);
  EXPECT_EQ(other.Graphic(), nullptr);
  EXPECT_THROW(other.Assign(other.Bitmap()->Canvas()->Font()), EConvertError);
}

TEST_F(PictureTest, FormatListReadsBmpIcoEmfWmfWithFrontInsertionAndDuplicates) {
  InitGraphicsUnit();  // a second run changes nothing
  std::vector<std::string> base = Extensions();
  ASSERT_GE(base.size(), 4u);
  const std::vector<std::string> tail(base.end() - 4, base.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"bmp", "ico", "emf", "wmf"}));
  const TFileFormat* f = TPicture::FileFormats();
  while (f->Extension != "bmp") f = f->Next;
  EXPECT_EQ(f->GraphicClass, TBitmap::StaticClass());
  EXPECT_EQ(f->Description, "Bitmaps");
  EXPECT_EQ(f->DescResID, 0);
  EXPECT_EQ(f->Next->GraphicClass, TIcon::StaticClass());
  EXPECT_EQ(f->Next->Description, "Icons");
  EXPECT_EQ(f->Next->Next->GraphicClass, TMetafile::StaticClass());
  EXPECT_EQ(f->Next->Next->Description, "Enhanced Metafiles");
  EXPECT_EQ(f->Next->Next->Next->GraphicClass, TMetafile::StaticClass());
  EXPECT_EQ(f->Next->Next->Next->Description, "Metafiles");

  TPicture::RegisterFileFormat("TsT", "Test one", TTestGraphic::StaticClass());
  TPicture::RegisterFileFormat("tst", "Test two", TTestGraphic::StaticClass());
  EXPECT_EQ(TPicture::FileFormats()->Description, "Test two");
  EXPECT_EQ(TPicture::FileFormats()->Next->Extension, "tst");
  EXPECT_EQ(TPicture::FileFormats()->Next->Description, "Test one");
  EXPECT_EQ(TPicture::GraphicClassForExtension(".TST"), TTestGraphic::StaticClass());
  EXPECT_EQ(TPicture::GraphicClassForExtension("BMP"), TBitmap::StaticClass());
  EXPECT_EQ(TPicture::GraphicClassForExtension("png"), nullptr);
  TPicture::UnregisterGraphicClass(TTestGraphic::StaticClass());
  EXPECT_EQ(Extensions(), base);
}

TEST_F(PictureTest, LoadFromFileChoosesTheClassByExtension) {
  TempDir dir;
  WriteFileBytes(dir.File("pic.BMP"), SmallBmp(6, 2));
  WriteFileBytes(dir.File("pic.xyz"), SmallBmp(6, 2));
  WriteFileBytes(dir.File("icon.ico"), BuildIcon32x16());
  TPicture picture;
  picture.LoadFromFile(dir.File("pic.BMP"));
  ASSERT_TRUE(Is<TBitmap>(picture.Graphic()));
  EXPECT_EQ(picture.Width(), 6);
  try {
    picture.LoadFromFile(dir.File("pic.xyz"));
    ADD_FAILURE() << "unknown extension accepted";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Unknown picture file extension (.xyz)");
  }
  EXPECT_THROW(picture.LoadFromFile(dir.File("missing.bmp")), EFOpenError);
  EXPECT_EQ(picture.Width(), 6);  // unchanged by the failures
  picture.LoadFromFile(dir.File("icon.ico"));
  EXPECT_TRUE(Is<TIcon>(picture.Graphic()));
  picture.SaveToFile(dir.File("copy.ico"));
  EXPECT_EQ(ReadFileBytes(dir.File("copy.ico")), BuildIcon32x16());
}

TEST_F(PictureTest, StoredDataIsTheClassNameThenTheGraphicsOwnData) {
  TPicture picture;
  DataFiler filer;
  picture.DefineProperties(filer);
  EXPECT_FALSE(filer.has_data);

  TMemoryStream stream;
  FillStream(stream, SmallBmp());
  picture.Bitmap()->LoadFromStream(stream);
  const std::string file = SmallBmp();
  const uint32_t length = static_cast<uint32_t>(file.size());
  const std::string expected =
      std::string("\x07TBitmap") + std::string(reinterpret_cast<const char*>(&length), 4) + file;
  EXPECT_EQ(WriteData(picture), expected);

  TPicture back;
  ReadData(back, expected);
  ASSERT_TRUE(Is<TBitmap>(back.Graphic()));
  EXPECT_EQ(WriteData(back), expected);

  // An empty bitmap stores length 0 and reads back empty.
  TPicture empty_bitmap;
  empty_bitmap.Bitmap();
  EXPECT_EQ(WriteData(empty_bitmap), std::string("\x07TBitmap\0\0\0\0", 12));
  ReadData(back, std::string("\x07TBitmap\0\0\0\0", 12));
  ASSERT_TRUE(Is<TBitmap>(back.Graphic()));
  EXPECT_TRUE(back.Graphic()->Empty());

  // An icon stores its file as it is.
  TPicture icon;
  ReadData(icon, "\x05TIcon" + BuildIcon32x16());
  ASSERT_TRUE(Is<TIcon>(icon.Graphic()));
  EXPECT_EQ(WriteData(icon), "\x05TIcon" + BuildIcon32x16());
}

TEST_F(PictureTest, StoredDataNamingNoRegisteredClassLeavesThePictureAlone) {
  TPicture picture;
  TTestGraphic kept;
  kept.value = 3;
  picture.SetGraphic(&kept);
  TGraphic* before = picture.Graphic();
  int changes = 0;
  picture.OnChange = [&](TObject*) { ++changes; };

  ReadData(picture, "\x0ETNoSuchGraphic\x01\x02");
  ReadData(picture, "\x0CTTestGraphic\x05");                      // known class, but not registered
  ReadData(picture, "\x07tbitmap\0\0\0\0");                       // letter case counts
  ReadData(picture, std::string("\x40") + std::string(64, 'A'));  // longer than a class name
  EXPECT_EQ(picture.Graphic(), before);
  EXPECT_EQ(changes, 0);
  EXPECT_THROW(ReadData(picture, "\x07TBitm"), EReadError);  // name cut short
  EXPECT_EQ(picture.Graphic(), before);

  // Registered, but its reader fails: the new instance is freed and the
  // picture keeps its graphic.
  TPicture::RegisterFileFormat("tst", "Test", TTestGraphic::StaticClass());
  const int live = TTestGraphic::live;
  TTestGraphic::fail_reading = true;
  EXPECT_THROW(ReadData(picture, "\x0CTTestGraphic\x05"), EReadError);
  TTestGraphic::fail_reading = false;
  EXPECT_EQ(TTestGraphic::live, live);
  EXPECT_EQ(picture.Graphic(), before);
  ReadData(picture, "\x0CTTestGraphic\x05");
  EXPECT_NE(picture.Graphic(), before);
  EXPECT_EQ(picture.Width(), 5);
  EXPECT_EQ(changes, 1);
  TPicture::UnregisterGraphicClass(TTestGraphic::StaticClass());
}

TEST_F(PictureTest, PicturesRoundTripThroughAFormDescription) {
  RegisterClass(TPictureHolder::StaticClass());
  TPictureHolder holder(nullptr);
  holder.SetName("Holder");
  TMemoryStream file;
  FillStream(file, SmallBmp(7, 5));
  holder.Picture()->Bitmap()->LoadFromStream(file);

  TMemoryStream stream;
  {
    TWriter writer(stream);
    writer.WriteRootComponent(&holder);
  }
  const std::string bytes = StreamBytes(stream);
  EXPECT_NE(bytes.find("Picture.Data"), std::string::npos);

  stream.SetPosition(0);
  TPictureHolder copy(nullptr);
  TReader reader(stream);
  reader.ReadRootComponent(&copy);
  ASSERT_TRUE(Is<TBitmap>(copy.Picture()->Graphic()));
  EXPECT_EQ(copy.Picture()->Width(), 7);
  EXPECT_EQ(copy.Picture()->Height(), 5);
  EXPECT_EQ(WriteData(*copy.Picture()), WriteData(*holder.Picture()));
}

}  // namespace
