// TBitmap's handle, palette, size and canvas; fonts, brushes and colours.
#include <gtest/gtest.h>

#include <string>

#include "platform/classes/Filer.h"
#include "platform/graphics/Graphics.h"
#include "tests/support/GraphicsTestSupport.h"

namespace {

class BitmapTest : public GraphicsTest {};

int DibLines(HBITMAP bitmap, int height) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  std::vector<uint8_t> bits(4096 * 4);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 8;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  const int lines = GetDIBits(dc, bitmap, 0, height, bits.data(), &info, DIB_RGB_COLORS);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return lines;
}

TEST_F(BitmapTest, NewBitmapIsEmptyAndItsCanvasBrushIsSolidWhite) {
  TBitmap bitmap;
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.Height(), 0);
  EXPECT_EQ(bitmap.Handle(), nullptr);
  EXPECT_EQ(bitmap.Palette(), nullptr);
  EXPECT_EQ(bitmap.Canvas()->Brush()->Color(), clWhite);
  EXPECT_EQ(bitmap.Canvas()->Brush()->Style(), bsSolid);
  TMemoryStream stream;
  bitmap.SaveToStream(stream);
  EXPECT_EQ(stream.Size(), 0);
}

TEST_F(BitmapTest, HandleIsNeverSelectedIntoTheCanvasWhenReturned) {
  TBitmap bitmap;
  bitmap.SetSize(8, 4);
  bitmap.Canvas()->FillRect(RECT{0, 0, 8, 4});
  bitmap.Canvas()->SetPixels(1, 1, clRed);
  HBITMAP handle = bitmap.Handle();
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(DibLines(handle, 4), 4);  // GetDIBits refuses selected bitmaps
  // Drawing again selects it again; the next Handle() takes it out again.
  EXPECT_EQ(bitmap.Canvas()->Pixels(1, 1), clRed);
  EXPECT_EQ(bitmap.Canvas()->Pixels(2, 1), clWhite);
  EXPECT_EQ(bitmap.Handle(), handle);
  EXPECT_EQ(DibLines(handle, 4), 4);
}

TEST_F(BitmapTest, HandleAndPaletteSettersTakeOwnership) {
  TBitmap bitmap;
  int changes = 0;
  bitmap.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &bitmap);
    ++changes;
  };
  LOGPALETTE log{0x300, 1, {{1, 2, 3, 0}}};
  HPALETTE palette = CreatePalette(&log);
  bitmap.SetPalette(palette);
  HDC screen = GetDC(nullptr);
  HBITMAP handle = CreateCompatibleBitmap(screen, 12, 9);
  ReleaseDC(nullptr, screen);
  bitmap.SetHandle(handle);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(bitmap.Width(), 12);
  EXPECT_EQ(bitmap.Height(), 9);
  EXPECT_EQ(bitmap.Palette(), palette);  // setting the handle keeps the palette
  EXPECT_EQ(bitmap.PixelFormat(), pfDevice);

  // A pfDevice bitmap deeper than 8 bits saves as 24 bits.
  TMemoryStream stream;
  bitmap.SaveToStream(stream);
  EXPECT_EQ(stream.Memory()[28], 24);

  HBITMAP released = bitmap.ReleaseHandle();
  EXPECT_EQ(released, handle);
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(bitmap.ReleasePalette(), palette);
  DeleteObject(released);
  DeleteObject(palette);
}

TEST_F(BitmapTest, ResizingKeepsTheTopLeftAndFillsWithTheBrushColour) {
  TBitmap bitmap;
  bitmap.SetWidth(4);
  EXPECT_TRUE(bitmap.Empty());
  bitmap.SetHeight(3);
  ASSERT_FALSE(bitmap.Empty());
  bitmap.Canvas()->Brush()->SetColor(clBlue);
  bitmap.Canvas()->FillRect(RECT{0, 0, 4, 3});
  bitmap.Canvas()->Brush()->SetColor(clYellow);
  bitmap.SetSize(6, 5);
  EXPECT_EQ(bitmap.Canvas()->Pixels(3, 2), clBlue);
  EXPECT_EQ(bitmap.Canvas()->Pixels(5, 4), clYellow);
  EXPECT_EQ(bitmap.Canvas()->Pixels(4, 0), clYellow);
  bitmap.SetSize(0, 5);
  EXPECT_TRUE(bitmap.Empty());
}

TEST_F(BitmapTest, AssignMakesAnIndependentCopyWithItsOwnPalette) {
  TBitmap source;
  source.SetSize(5, 5);
  source.SetPixelFormat(pf8bit);
  ASSERT_NE(source.Palette(), nullptr);
  source.Canvas()->Brush()->SetColor(clRed);
  source.Canvas()->FillRect(RECT{0, 0, 5, 5});

  TBitmap copy;
  copy.Assign(&source);
  EXPECT_EQ(copy.Width(), 5);
  EXPECT_EQ(copy.PixelFormat(), pf8bit);
  EXPECT_NE(copy.Handle(), source.Handle());
  ASSERT_NE(copy.Palette(), nullptr);
  EXPECT_NE(copy.Palette(), source.Palette());
  source.Canvas()->SetPixels(0, 0, clBlack);
  EXPECT_EQ(copy.Canvas()->Pixels(0, 0), clRed);

  // 8 bits with the standard palette: red is one of its colours.
  TMemoryStream stream;
  copy.SaveToStream(stream);
  EXPECT_EQ(stream.Memory()[28], 8);
  TBitmap back;
  stream.SetPosition(0);
  back.LoadFromStream(stream);
  EXPECT_EQ(back.Canvas()->Pixels(4, 4), clRed);

  copy.Assign(nullptr);
  EXPECT_TRUE(copy.Empty());
  EXPECT_EQ(copy.Palette(), nullptr);
}

TEST_F(BitmapTest, CanvasDrawsBitmapsAtTheirSizeAndStretched) {
  TBitmap small;
  small.SetSize(2, 2);
  small.Canvas()->Brush()->SetColor(clGreen);
  small.Canvas()->FillRect(RECT{0, 0, 2, 2});
  TBitmap target;
  target.SetSize(10, 10);
  target.Canvas()->FillRect(RECT{0, 0, 10, 10});
  target.Canvas()->Draw(3, 3, &small);
  EXPECT_EQ(target.Canvas()->Pixels(4, 4), clGreen);
  EXPECT_EQ(target.Canvas()->Pixels(5, 5), clWhite);
  target.Canvas()->StretchDraw(RECT{0, 0, 10, 10}, &small);
  EXPECT_EQ(target.Canvas()->Pixels(9, 9), clGreen);
  target.Canvas()->Draw(0, 0, nullptr);  // nothing to draw
}

TEST(GraphicsObjects, FontSizeFollowsHeightAndColoursConvert) {
  TFont font;
  EXPECT_EQ(font.Height(), -11);
  EXPECT_EQ(font.Size(), 8);
  int changes = 0;
  font.OnChange = [&](TObject*) { ++changes; };
  font.SetSize(12);
  EXPECT_EQ(font.Height(), -16);
  font.SetHeight(-16);  // unchanged: no event
  EXPECT_EQ(changes, 1);
  EXPECT_NE(TFont::StaticClass()->FindProp("Style"), nullptr);
  EXPECT_NE(TFont::StaticClass()->FindProp("Pitch"), nullptr);

  EXPECT_EQ(ColorToRGB(clRed), 0x0000FF);
  EXPECT_EQ(ColorToRGB(clBtnFace), 0xC0C0C0);
  EXPECT_EQ(ColorToRGB(clWindow), 0xFFFFFF);
  EXPECT_EQ(ColorNames().ValueOf("clWindowText"), std::optional<int64_t>(clWindowText));
  EXPECT_EQ(*ColorNames().NameOf(clBtnFace), "clBtnFace");

  TBrush brush;
  brush.SetStyle(bsClear);
  brush.SetColor(clRed);  // a colour makes the brush solid again
  EXPECT_EQ(brush.Style(), bsSolid);
}

class TFontHolder : public TComponent {
  VASK_CLASS(TFontHolder, TComponent)
 public:
  explicit TFontHolder(TComponent* owner) : TComponent(owner) {}
  TFont* Font() const { return font_.get(); }

 private:
  std::unique_ptr<TFont> font_ = std::make_unique<TFont>();
};
TClass TFontHolder::StaticClass() {
  static const TClassInfo info = TClassInfo::Make<TFontHolder>(
      "TFontHolder", inherited::StaticClass(),
      {rtti::Object<TFontHolder>("Font", TFont::StaticClass(), &TFontHolder::Font)});
  return &info;
}

TEST(GraphicsObjects, FontsRoundTripThroughAFormDescription) {
  for (int height : {-11, -13, -14, -20, 12}) {
    TFontHolder holder(nullptr);
    holder.Font()->SetHeight(height);
    holder.Font()->SetName("Courier");
    holder.Font()->SetStyle(1 << fsBold | 1 << fsUnderline);
    holder.Font()->SetColor(clBtnFace);
    TMemoryStream stream;
    TWriter(stream).WriteRootComponent(&holder);
    stream.SetPosition(0);
    TFontHolder copy(nullptr);
    TReader(stream).ReadRootComponent(&copy);
    EXPECT_EQ(copy.Font()->Height(), height);
    EXPECT_EQ(copy.Font()->Name(), "Courier");
    EXPECT_EQ(copy.Font()->Style(), 1 << fsBold | 1 << fsUnderline);
    EXPECT_EQ(copy.Font()->Color(), clBtnFace);
  }
}

}  // namespace
