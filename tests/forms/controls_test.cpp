// Controls on a shown form: Tab order and focus, clicks through the
// toolkit, pictures drawn at natural size, memo text.
#include <memory>

#include "tests/forms/FormsFixture.h"

namespace {

// Four buttons in a row (Tab order deliberately not the creation order), a
// hidden memo with a Tab stop, and a picture beneath them all.
class TPanelForm : public TForm {
 public:
  explicit TPanelForm(TComponent* owner) : TForm(owner) {
    SetBorderStyle(bsNone);
    SetClientWidth(300);
    SetClientHeight(200);
    image = new TImage(this);
    image->SetParent(this);
    image->SetAlign(alClient);
    image->SetCenter(true);
    const char* captions[] = {"A", "B", "C", "D"};
    const int orders[] = {2, 0, 3, 1};
    for (int i = 0; i < 4; ++i) {
      buttons[i] = new TButton(this);
      buttons[i]->SetParent(this);
      buttons[i]->SetCaption(captions[i]);
      buttons[i]->SetBounds(10 + 70 * i, 170, 60, 25);
      buttons[i]->SetTabOrder(orders[i]);
    }
    memo = new TMemo(this);
    memo->SetParent(this);
    memo->SetBounds(10, 10, 120, 50);
    memo->SetTabOrder(4);
    memo->SetVisible(false);
  }
  TImage* image;
  TButton* buttons[4];
  TMemo* memo;
};

// A 40 x 30 bitmap whose every pixel is distinct.
std::unique_ptr<TBitmap> PatternBitmap(int w, int h) {
  auto bmp = std::make_unique<TBitmap>();
  bmp->SetPixelFormat(pf24bit);
  bmp->SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      bmp->Canvas()->SetPixels(
          x, y, static_cast<TColor>((x * 6) | ((y * 8) << 8) | (((x + y) * 3) << 16)));
  return bmp;
}

TEST_F(FormsTest, TabVisitsVisibleEnabledControlsByTabOrder) {
  TPanelForm form(nullptr);
  form.SetActiveControl(form.buttons[0]);
  form.Show();
  FlushWindows();
  EXPECT_EQ(form.ActiveControl(), form.buttons[0]);
  EXPECT_EQ(ToolkitFocus(form), form.buttons[0]);

  // Tab order 0..3 is B, D, A, C; the hidden memo is skipped.
  std::vector<TControl*> visited;
  for (int i = 0; i < 8; ++i) {
    PressKey(form, VK_TAB);
    visited.push_back(ToolkitFocus(form));
    EXPECT_EQ(form.ActiveControl(), visited.back());
  }
  TButton* const* b = form.buttons;
  EXPECT_EQ(visited, (std::vector<TControl*>{b[2], b[1], b[3], b[0], b[2], b[1], b[3], b[0]}));

  // Shift+Tab goes back; a shown memo joins the cycle; a disabled button
  // leaves it.
  PressKey(form, VK_TAB, true);
  EXPECT_EQ(ToolkitFocus(form), b[3]);
  form.memo->Show();
  form.buttons[1]->SetEnabled(false);
  PressKey(form, VK_TAB);  // from D (1) to A (2)
  PressKey(form, VK_TAB);  // C (3)
  PressKey(form, VK_TAB);  // memo (4)
  EXPECT_EQ(ToolkitFocus(form), form.memo);
  PressKey(form, VK_TAB);  // B is disabled: D
  EXPECT_EQ(ToolkitFocus(form), b[3]);
}

TEST_F(FormsTest, FirstShownFocusFallsBackToTheTabOrder) {
  TPanelForm form(nullptr);
  form.buttons[1]->SetVisible(false);  // B, Tab order 0
  form.Show();
  FlushWindows();
  EXPECT_EQ(form.ActiveControl(), form.buttons[3]);  // D, Tab order 1
  EXPECT_EQ(ToolkitFocus(form), form.buttons[3]);
  EXPECT_THROW(form.SetActiveControl(form.buttons[1]), EInvalidOperation);
}

TEST_F(FormsTest, PictureIsCentredAtNaturalSizeAndNeverStretched) {
  TPanelForm form(nullptr);
  auto bmp = PatternBitmap(340, 150);  // wider than the client, lower
  form.image->Picture()->SetGraphic(bmp.get());
  form.Show();
  const auto px = ReadWindowPixels(form);
  ASSERT_EQ(px.size(), size_t{300} * 200 * 3);
  const POINT origin = form.image->PictureOrigin();
  EXPECT_EQ(origin.x, -20);
  EXPECT_EQ(origin.y, 25);
  const auto expected = GraphicToRGB(bmp.get());
  int mismatches = 0;
  // Rows above the buttons: the picture from x = 20, y = 0 onwards.
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 300; ++x) {
      const uint8_t* got = &px[(static_cast<size_t>(y + 25) * 300 + x) * 3];
      const uint8_t* want = &expected[(static_cast<size_t>(y) * 340 + x + 20) * 3];
      if (y + 25 < 170 && (got[0] != want[0] || got[1] != want[1] || got[2] != want[2]))
        ++mismatches;
    }
  EXPECT_EQ(mismatches, 0);
  // Above and below the picture the form's face shows.
  const int face = ColorToRGB(clBtnFace);
  const uint8_t* top = &px[(static_cast<size_t>(10) * 300 + 200) * 3];
  EXPECT_EQ(top[0], face & 0xFF);
  EXPECT_EQ(top[2], (face >> 16) & 0xFF);
}

TEST_F(FormsTest, AMetafileAboveThePixelLimitIsNotRendered) {
  TMetafile metafile;
  metafile.SetWidth(30000);
  metafile.SetHeight(30000);
  { TMetafileCanvas canvas(&metafile, nullptr); }
  try {
    GraphicToRGB(&metafile);
    ADD_FAILURE() << "rendered";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Image of 30000 x 30000 pixels exceeds the limit of 268435456 pixels");
  }
}

TEST_F(FormsTest, ClicksReachTheTopmostControl) {
  TPanelForm form(nullptr);
  auto bmp = PatternBitmap(40, 30);
  form.image->Picture()->SetGraphic(bmp.get());
  int image_clicks = 0, button_clicks = 0;
  TObject* sender = nullptr;
  form.image->OnClick = [&](TObject* s) {
    ++image_clicks;
    sender = s;
  };
  form.buttons[0]->OnClick = [&](TObject*) { ++button_clicks; };
  form.Show();
  FlushWindows();
  ClickControl(*form.buttons[0]);
  EXPECT_EQ(button_clicks, 1);
  EXPECT_EQ(image_clicks, 0);
  ClickAt(form, 250, 50);  // the picture's area, no picture pixels there
  EXPECT_EQ(image_clicks, 1);
  EXPECT_EQ(sender, form.image);
  // Space on the focused button presses it.
  form.buttons[0]->SetFocus();
  PressKey(form, VK_SPACE);
  EXPECT_EQ(button_clicks, 2);
}

TEST_F(FormsTest, MemoShowsItsLinesAndFollowsVisibility) {
  TPanelForm form(nullptr);
  form.memo->Lines()->Add("first");
  form.memo->Lines()->Add("");
  form.memo->Lines()->Add("third");
  form.Show();
  FlushWindows();
  EXPECT_FALSE(WidgetShown(*form.memo));
  form.memo->Show();
  EXPECT_TRUE(WidgetShown(*form.memo));
  EXPECT_EQ(MemoWidgetText(*form.memo), "first\n\nthird");
  form.memo->Lines()->SetStrings(0, "changed");
  EXPECT_EQ(MemoWidgetText(*form.memo), "changed\n\nthird");
  // A focused control that is hidden hands the focus on.
  form.memo->SetFocus();
  EXPECT_EQ(form.ActiveControl(), form.memo);
  form.memo->Hide();
  EXPECT_NE(form.ActiveControl(), form.memo);
}

TEST_F(FormsTest, AlignedClientControlFollowsTheClientSize) {
  TPanelForm form(nullptr);
  EXPECT_EQ(form.image->Width(), 300);
  EXPECT_EQ(form.image->Height(), 200);
  form.SetClientWidth(320);
  EXPECT_EQ(form.image->Width(), 320);
  // AutoSize gives way to the alignment.
  auto bmp = PatternBitmap(40, 30);
  form.image->SetAutoSize(true);
  form.image->Picture()->SetGraphic(bmp.get());
  EXPECT_EQ(form.image->Width(), 320);
  form.image->SetAlign(alNone);
  form.image->SetAutoSize(true);
  EXPECT_EQ(form.image->Width(), 40);
  EXPECT_EQ(form.image->Height(), 30);
}

}  // namespace
