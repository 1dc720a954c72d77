// Window-creation parameters, frames, client size and placement of forms.
#include <memory>

#include "platform/classes/Filer.h"

#include "tests/forms/FormsFixture.h"

namespace {

// A dialog-bordered form without title bar, as the launcher makes it.
class TBarelessForm : public TForm {
 public:
  explicit TBarelessForm(TComponent* owner) : TForm(owner) {
    SetBorderStyle(bsDialog);
    SetBorderIcons(0);
    SetClientWidth(200);
    SetClientHeight(150);
    SetColor(clBtnFace);
  }
  void CreateParams(TCreateParams& params) override {
    TForm::CreateParams(params);
    params.Style &= ~WS_CAPTION;
  }
};

TEST_F(FormsTest, DialogStylesHaveNoSystemMenuAndResetTheWindowState) {
  TForm form(nullptr);
  form.SetBorderStyle(bsDialog);
  form.SetBorderIcons(0);
  form.SetWindowState(wsMaximized);
  TCreateParams params;
  form.CreateParams(params);
  EXPECT_EQ(params.Style & (WS_POPUP | WS_CAPTION), WS_POPUP | WS_CAPTION);
  EXPECT_EQ(params.Style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_MAXIMIZE), 0u);
  EXPECT_EQ(params.ExStyle, 0x00000101u);
  EXPECT_EQ(form.WindowState(), wsNormal);

  // The system-menu icon gives a dialog only the system menu.
  form.SetBorderIcons((1 << biSystemMenu) | (1 << biMinimize) | (1 << biMaximize));
  form.CreateParams(params);
  EXPECT_EQ(params.Style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), WS_SYSMENU);
}

TEST_F(FormsTest, SizeableFormsKeepMaximisedAndGetAllIcons) {
  TForm form(nullptr);
  form.SetWindowState(wsMaximized);
  TCreateParams params;
  form.CreateParams(params);
  EXPECT_EQ(params.Style & (WS_CAPTION | WS_THICKFRAME), WS_CAPTION | WS_THICKFRAME);
  EXPECT_EQ(params.Style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
            WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
  EXPECT_TRUE(params.Style & WS_MAXIMIZE);
  EXPECT_EQ(form.WindowState(), wsMaximized);

  form.SetBorderStyle(bsNone);
  form.CreateParams(params);
  EXPECT_EQ(params.Style & (WS_CAPTION | WS_SYSMENU), 0u);
}

TEST_F(FormsTest, WindowWithoutCaptionIsBorderlessWithARaisedFrame) {
  TBarelessForm form(nullptr);
  form.Show();
  FlushWindows();
  const TWindowFacts facts = WindowFacts(form);
  ASSERT_TRUE(facts.Shown);
  EXPECT_FALSE(facts.Decorated);
  EXPECT_TRUE(facts.RaisedFrame);
  EXPECT_EQ(facts.ClientWidth, 200);
  EXPECT_EQ(facts.ClientHeight, 150);
  EXPECT_EQ(facts.Width, 206);
  EXPECT_EQ(facts.Height, 156);
  EXPECT_EQ(form.Width(), 206);
  EXPECT_EQ(form.ClientWidth(), 200);

  // The frame is lit from the top left: light outer edges there, dark ones
  // at the bottom right, the face colour inside.
  const auto px = ReadWindowPixels(form);
  ASSERT_EQ(px.size(), size_t{206} * 156 * 3);
  auto at = [&](int x, int y) {
    const uint8_t* p = &px[(static_cast<size_t>(y) * 206 + x) * 3];
    return (p[0] << 16) | (p[1] << 8) | p[2];
  };
  const int face = ColorToRGB(clBtnFace);
  const int face_rgb = ((face & 0xFF) << 16) | (face & 0xFF00) | ((face >> 16) & 0xFF);
  EXPECT_EQ(at(1, 50), 0xFFFFFF);               // highlight
  EXPECT_EQ(at(204, 50) & 0xFFFFFF, 0x808080);  // shadow
  EXPECT_EQ(at(205, 50), 0x000000);             // dark shadow
  EXPECT_EQ(at(100, 155), 0x000000);
  EXPECT_EQ(at(100, 80), face_rgb);  // client area
}

TEST_F(FormsTest, CaptionedWindowsAreDecoratedByTheWindowManager) {
  TForm form(nullptr);
  form.SetBorderStyle(bsDialog);
  form.SetClientWidth(120);
  form.SetClientHeight(80);
  form.Show();
  FlushWindows();
  const TWindowFacts facts = WindowFacts(form);
  EXPECT_TRUE(facts.Decorated);
  EXPECT_FALSE(facts.RaisedFrame);
  EXPECT_EQ(facts.ClientWidth, 120);
  EXPECT_EQ(facts.ClientHeight, 80);
#ifndef _WIN32
  // An X window manager draws its decoration outside the window; on Windows
  // the window's rectangle includes the frame the system draws.
  EXPECT_EQ(facts.Width, 120);
#endif
}

struct CentreCase {
  int screen_w, screen_h, left, top;
};

TEST_F(FormsTest, ScreenCentredOnFirstShowingOnlyAndNeverNegative) {
  for (const CentreCase& c : {CentreCase{1024, 768, 409, 306}, CentreCase{800, 600, 297, 222},
                              CentreCase{1025, 769, 409, 306}, CentreCase{150, 100, 0, 0}}) {
    SCOPED_TRACE(testing::Message() << c.screen_w << "x" << c.screen_h);
    Screen->SetSize(c.screen_w, c.screen_h);
    TBarelessForm form(nullptr);
    form.SetPosition(poScreenCenter);
    form.SetLeft(5);
    form.SetTop(7);
    form.Show();
    FlushWindows();
    TWindowFacts facts = WindowFacts(form);
    EXPECT_EQ(facts.Left, c.left);
    EXPECT_EQ(facts.Top, c.top);
    EXPECT_EQ(form.Left(), c.left);
    EXPECT_EQ(facts.ClientWidth, 200);  // the client size stays as designed

    // Shown again later, the form stays where it is.
    form.Hide();
    Screen->SetSize(2000, 2000);
    form.Show();
    FlushWindows();
    facts = WindowFacts(form);
    EXPECT_EQ(facts.Left, c.left);
  }
}

TEST_F(FormsTest, DesignedPositionIsKept) {
  TBarelessForm form(nullptr);
  form.SetLeft(31);
  form.SetTop(17);
  form.Show();
  FlushWindows();
  const TWindowFacts facts = WindowFacts(form);
  EXPECT_EQ(facts.Left, 31);
  EXPECT_EQ(facts.Top, 17);
  EXPECT_EQ(facts.ClientWidth, 200);
}

TEST_F(FormsTest, MainFormCloseEndsRun) {
  // Run shows the main form; a click handler closes it again.
  ASSERT_EQ(Application->MainForm(), nullptr);
  TBarelessForm* ref = nullptr;
  Application->CreateForm(ref);
  ASSERT_EQ(Application->MainForm(), ref);
  auto* button = new TButton(ref);
  button->SetParent(ref);
  button->OnClick = [ref](TObject*) { ref->Close(); };
  bool clicked = false;
  ref->OnShow = [&](TObject*) {
    clicked = true;
    ClickControl(*button);
  };
  Application->Run();
  EXPECT_TRUE(clicked);
  EXPECT_TRUE(Application->Terminated());
  EXPECT_FALSE(ref->Visible());
  delete ref;
  EXPECT_EQ(Application->MainForm(), nullptr);
}

TEST_F(FormsTest, StreamedFormReadsBackItsProperties) {
  // A form written with the class library's writer and read into a new one.
  TForm source(nullptr);
  source.SetName("Form1");
  source.SetBorderStyle(bsDialog);
  source.SetBorderIcons(0);
  source.SetClientWidth(300);
  source.SetClientHeight(200);
  source.SetPosition(poScreenCenter);
  auto* memo = new TMemo(&source);
  memo->SetName("Memo1");
  memo->SetParent(&source);
  memo->SetBounds(4, 5, 100, 50);
  memo->Lines()->Add("one");
  memo->Lines()->Add("");
  memo->Lines()->Add("three");
  memo->SetColor(0x00A37248);
  memo->SetReadOnly(true);
  memo->SetWordWrap(false);
  memo->SetBorderStyle(bsNone);
  memo->SetVisible(false);
  TMemoryStream stream;
  TWriter(stream).WriteRootComponent(&source);

  stream.SetPosition(0);
  TForm copy(nullptr);
  TReader(stream).ReadRootComponent(&copy);
  EXPECT_EQ(copy.BorderStyle(), bsDialog);
  EXPECT_EQ(copy.BorderIcons(), 0);
  EXPECT_EQ(copy.ClientWidth(), 300);
  EXPECT_EQ(copy.Position(), poScreenCenter);
  ASSERT_EQ(copy.ControlCount(), 1);
  auto* m = dynamic_cast<TMemo*>(copy.Controls(0));
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Parent(), &copy);
  EXPECT_EQ(m->Left(), 4);
  EXPECT_EQ(m->Height(), 50);
  EXPECT_EQ(m->Lines()->Text(), "one\n\nthree\n");
  EXPECT_EQ(m->Color(), 0x00A37248);
  EXPECT_TRUE(m->ReadOnly());
  EXPECT_FALSE(m->WordWrap());
  EXPECT_EQ(m->BorderStyle(), bsNone);
  EXPECT_FALSE(m->Visible());
}

}  // namespace
