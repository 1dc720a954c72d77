// The launcher's window on the display: frame, size, placement, the picture
// as drawn, the panels, the shell requests, focus and Tab order.
#include <gtest/gtest.h>

#include <memory>

#include "launcher/Splash.h"
#include "platform/forms/FormsTest.h"
#include "platform/gdi/ShellTest.h"
#include "tests/support/TestSupport.h"

namespace {

// Records shell requests together with the panels' visibility at the time.
class ShellRecorder {
 public:
  struct Entry {
    TShellExecuteCall call;
    bool memo1_visible, memo2_visible;
  };
  ShellRecorder(TSplash& splash, uintptr_t result = 42) {
    previous_ = SetShellExecuteHandler([this, &splash, result](const TShellExecuteCall& c) {
      entries.push_back({c, splash.Memo1->Visible(), splash.Memo2->Visible()});
      return reinterpret_cast<HINSTANCE>(result);
    });
  }
  ~ShellRecorder() { SetShellExecuteHandler(std::move(previous_)); }
  std::vector<Entry> entries;

 private:
  TShellExecuteHandler previous_;
};

class SplashWindow : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(FormsBackend().DisplayOpen()) << "these tests need an X display (DISPLAY)";
  }
  void TearDown() override { Screen->SetSize(0, 0); }
  // A splash shown on a screen of the given size.
  std::unique_ptr<TSplash> ShowSplash(int screen_w = 1024, int screen_h = 768) {
    Screen->SetSize(screen_w, screen_h);
    auto splash = std::make_unique<TSplash>(nullptr);
    splash->Show();
    FlushWindows();
    return splash;
  }
  bool PanelsShown(TSplash& s) {
    EXPECT_EQ(s.Memo1->Visible(), WidgetShown(*s.Memo1));
    EXPECT_EQ(s.Memo2->Visible(), WidgetShown(*s.Memo2));
    EXPECT_EQ(s.Memo1->Visible(), s.Memo2->Visible());
    return s.Memo1->Visible();
  }
};

TEST_F(SplashWindow, FormPropertiesComeFromTheDescription) {
  TSplash s(nullptr);
  EXPECT_EQ(s.Name(), "Splash");
  EXPECT_EQ(s.BorderStyle(), bsDialog);
  EXPECT_EQ(s.BorderIcons(), 0);
  EXPECT_EQ(s.Position(), poScreenCenter);
  EXPECT_EQ(s.ClientWidth(), 632);
  EXPECT_EQ(s.ClientHeight(), 486);
  EXPECT_EQ(s.ActiveControl(), s.demo);
  EXPECT_EQ(s.Font()->Name(), "MS Sans Serif");
  EXPECT_EQ(s.Font()->Height(), -11);
  EXPECT_EQ(s.Font()->Color(), clWindowText);
  EXPECT_FALSE(s.Scaled());
  EXPECT_EQ(s.PixelsPerInch(), 96);
  EXPECT_EQ(s.TextHeight(), 13);
  EXPECT_TRUE(s.Visible());
  EXPECT_EQ(s.Caption(), "");
  EXPECT_EQ(s.Icon()->Width(), 32);

  // The components in their order, on the form.
  const std::vector<TControl*> order{s.Image1, s.info, s.order, s.demo, s.exit1, s.Memo1, s.Memo2};
  ASSERT_EQ(s.ControlCount(), 7);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(s.Controls(i), order[static_cast<size_t>(i)]);
  struct ButtonCase {
    TButton* button;
    int left, tab;
    const char *caption, *handler;
  };
  for (const ButtonCase& b : {ButtonCase{s.demo, 7, 2, "Run Demo", "demoClick"},
                              ButtonCase{s.order, 160, 1, "Order", "orderClick"},
                              ButtonCase{s.info, 319, 0, "More Information", "infoClick"},
                              ButtonCase{s.exit1, 480, 3, "Exit", "exit1Click"}}) {
    EXPECT_EQ(b.button->Left(), b.left);
    EXPECT_EQ(b.button->Top(), 455);
    EXPECT_EQ(b.button->Width(), 150);
    EXPECT_EQ(b.button->Height(), 25);
    EXPECT_EQ(b.button->TabOrder(), b.tab);
    EXPECT_EQ(b.button->Caption(), b.caption);
    EXPECT_EQ(b.button->OnClick.Binding().Name, b.handler);
    EXPECT_EQ(b.button->Font()->Name(), "MS Sans Serif");  // the form's font
  }
  EXPECT_EQ(s.Image1->OnClick.Binding().Name, "Image1Click");
  EXPECT_EQ(s.Image1->Align(), alClient);
  EXPECT_TRUE(s.Image1->AutoSize());
  EXPECT_TRUE(s.Image1->Center());
  EXPECT_FALSE(s.Image1->Stretch());
  EXPECT_EQ(s.Image1->Width(), 632);
  EXPECT_EQ(s.Image1->Height(), 486);

  struct MemoCase {
    TMemo* memo;
    int left, top, width, tab;
    TColor color;
  };
  for (const MemoCase& m :
       {MemoCase{s.Memo1, 24, 64, 409, 4, 10711624}, MemoCase{s.Memo2, 48, 160, 297, 5, 9992289}}) {
    EXPECT_EQ(m.memo->Left(), m.left);
    EXPECT_EQ(m.memo->Top(), m.top);
    EXPECT_EQ(m.memo->Width(), m.width);
    EXPECT_EQ(m.memo->Height(), 57);
    EXPECT_EQ(m.memo->TabOrder(), m.tab);
    EXPECT_EQ(m.memo->Color(), m.color);
    EXPECT_EQ(m.memo->BorderStyle(), bsNone);
    EXPECT_EQ(m.memo->Font()->Color(), clWhite);
    EXPECT_EQ(m.memo->Font()->Charset(), 0);
    EXPECT_FALSE(m.memo->ParentFont());
    EXPECT_TRUE(m.memo->ReadOnly());
    EXPECT_FALSE(m.memo->WordWrap());
    EXPECT_FALSE(m.memo->Visible());
    ASSERT_EQ(m.memo->Lines()->Count(), 3);
    EXPECT_NE(m.memo->Lines()->Strings(0), "");
    EXPECT_EQ(m.memo->Lines()->Strings(1), "");
    EXPECT_NE(m.memo->Lines()->Strings(2), "");
  }
  EXPECT_NE(s.Memo1->Lines()->Strings(2).find("vasksoft.example"), std::string::npos);
}

TEST_F(SplashWindow, BorderlessRaisedFrameCentredNeverMaximised) {
  struct Case {
    int sw, sh, left, top;
  };
  for (const Case& c : {Case{1024, 768, 193, 138}, Case{800, 600, 81, 54},
                        Case{1920, 1080, 641, 294}, Case{640, 480, 1, 0}}) {
    SCOPED_TRACE(testing::Message() << c.sw << "x" << c.sh);
    auto s = ShowSplash(c.sw, c.sh);
    const TWindowFacts f = WindowFacts(*s);
    ASSERT_TRUE(f.Shown);
    EXPECT_FALSE(f.Decorated);  // no title bar, system menu or caption buttons
    EXPECT_TRUE(f.RaisedFrame);
    EXPECT_EQ(f.ClientWidth, 632);
    EXPECT_EQ(f.ClientHeight, 486);
    EXPECT_EQ(f.Width, 638);
    EXPECT_EQ(f.Height, 492);
    EXPECT_EQ(f.Left, c.left);
    EXPECT_EQ(f.Top, c.top);
    EXPECT_EQ(s->WindowState(), wsNormal);
    TCreateParams params;
    s->CreateParams(params);
    EXPECT_EQ(
        params.Style & (WS_CAPTION | WS_SYSMENU | WS_MAXIMIZE | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
        0u);
    EXPECT_EQ(params.Style & WS_POPUP, WS_POPUP);
    EXPECT_EQ(params.ExStyle, 0x101u);
  }
}

TEST_F(SplashWindow, PictureIsDrawnCentredAtItsNaturalSize) {
  auto s = ShowSplash();
  const auto px = ReadWindowPixels(*s);
  ASSERT_EQ(px.size(), size_t{638} * 492 * 3);
  const std::string bmp = ReadFileBytes(VASK_SPLASH_BMP);
  ASSERT_EQ(bmp.size(), 921654u);
  // Picture pixel (x, y) lies at client (x - 4, y + 3), window (x - 1, y + 6).
  int mismatches = 0;
  for (int y = 0; y < 452; ++y)  // above the buttons
    for (int x = 4; x < 636; ++x) {
      const uint8_t* got = &px[(static_cast<size_t>(y + 6) * 638 + (x - 1)) * 3];
      const auto* want = reinterpret_cast<const uint8_t*>(bmp.data()) + 54 +
                         (static_cast<size_t>(479 - y) * 640 + x) * 3;
      if (got[0] != want[2] || got[1] != want[1] || got[2] != want[0]) ++mismatches;
    }
  EXPECT_EQ(mismatches, 0);
  // The three rows above the picture show the form's face colour.
  const int face = ColorToRGB(clBtnFace);
  for (int y = 3; y < 6; ++y) {
    const uint8_t* p = &px[(static_cast<size_t>(y) * 638 + 300) * 3];
    EXPECT_EQ(p[0], face & 0xFF);
    EXPECT_EQ(p[1], (face >> 8) & 0xFF);
    EXPECT_EQ(p[2], (face >> 16) & 0xFF);
  }
}

// A window pixel (client coordinates) as 0xRRGGBB.
int ClientPixel(const std::vector<uint8_t>& px, int x, int y) {
  const uint8_t* p = &px[(static_cast<size_t>(y + 3) * 638 + (x + 3)) * 3];
  return (p[0] << 16) | (p[1] << 8) | p[2];
}
// The splash picture's pixel shown at client (x, y), as 0xRRGGBB.
int PicturePixel(const std::string& bmp, int x, int y) {
  const auto* p = reinterpret_cast<const uint8_t*>(bmp.data()) + 54 +
                  (static_cast<size_t>(479 - (y - 3)) * 640 + (x + 4)) * 3;
  return (p[2] << 16) | (p[1] << 8) | p[0];
}

TEST_F(SplashWindow, PanelsAndButtonsLieOverThePictureWhichStaysDrawn) {
  auto s = ShowSplash();
  const std::string bmp = ReadFileBytes(VASK_SPLASH_BMP);
  ClickControl(*s->info);
  auto px = ReadWindowPixels(*s);
  // Inside the panels their colours (0x00A37248 is red 72, green 114, blue 163).
  EXPECT_EQ(ClientPixel(px, 24 + 400, 64 + 50), 0x4872A3);
  EXPECT_EQ(ClientPixel(px, 48 + 290, 160 + 50), 0x617898);
  // Around them the picture, and the buttons' faces at the bottom.
  EXPECT_EQ(ClientPixel(px, 550, 300), PicturePixel(bmp, 550, 300));
  EXPECT_EQ(ClientPixel(px, 10, 350), PicturePixel(bmp, 10, 350));
  const int face = ColorToRGB(clBtnFace);
  const int face_rgb = ((face & 0xFF) << 16) | (face & 0xFF00) | ((face >> 16) & 0xFF);
  for (TButton* b : {s->demo, s->order, s->info, s->exit1})
    EXPECT_EQ(ClientPixel(px, b->Left() + 6, b->Top() + 12), face_rgb) << b->Caption();
  // Hidden again, the picture shows where the panels were.
  ClickControl(*s->info);
  px = ReadWindowPixels(*s);
  EXPECT_EQ(ClientPixel(px, 24 + 400, 64 + 50), PicturePixel(bmp, 24 + 400, 64 + 50));
  EXPECT_EQ(ClientPixel(px, 48 + 290, 160 + 50), PicturePixel(bmp, 48 + 290, 160 + 50));
  EXPECT_EQ(ClientPixel(px, s->exit1->Left() + 6, s->exit1->Top() + 12), face_rgb);
}

TEST_F(SplashWindow, MoreInformationAndPictureClicksToggleBothPanels) {
  auto s = ShowSplash();
  EXPECT_FALSE(PanelsShown(*s));
  ClickControl(*s->info);
  EXPECT_TRUE(PanelsShown(*s));
  EXPECT_NE(MemoWidgetText(*s->Memo1).find("\n\n"), std::string::npos);
  ClickControl(*s->info);
  EXPECT_FALSE(PanelsShown(*s));
  ClickAt(*s, 550, 300);  // the picture, away from panels and buttons
  EXPECT_TRUE(PanelsShown(*s));
  ClickAt(*s, 550, 300);
  EXPECT_FALSE(PanelsShown(*s));
  ClickControl(*s->info);
  ClickAt(*s, 550, 300);
  ClickControl(*s->info);
  EXPECT_TRUE(PanelsShown(*s));
}

// Only the left mouse button clicks, as on Windows: middle and right clicks
// on the buttons and the picture change nothing and ask the shell nothing.
TEST_F(SplashWindow, OnlyTheLeftButtonClicks) {
  auto s = ShowSplash();
  ShellRecorder shell(*s);
  for (int button : {2, 3}) {
    for (TControl* c : {static_cast<TControl*>(s->info), static_cast<TControl*>(s->demo),
                        static_cast<TControl*>(s->order), static_cast<TControl*>(s->exit1)})
      ClickControl(*c, button);
    ClickAt(*s, 550, 300, button);
  }
  EXPECT_FALSE(PanelsShown(*s));
  EXPECT_TRUE(shell.entries.empty());
  EXPECT_TRUE(WindowFacts(*s).Shown);
  ClickAt(*s, 550, 300, 1);
  EXPECT_TRUE(PanelsShown(*s));
}

TEST_F(SplashWindow, RunDemoAndOrderHideThePanelsThenAskTheShell) {
  auto s = ShowSplash();
  MessageBoxRecorder boxes;
  ShellRecorder shell(*s);
  ClickControl(*s->info);
  ASSERT_TRUE(PanelsShown(*s));
  ClickControl(*s->demo);
  EXPECT_FALSE(PanelsShown(*s));
  ClickControl(*s->info);
  ClickControl(*s->order);
  EXPECT_FALSE(PanelsShown(*s));
  ClickControl(*s->order);  // with the panels hidden they stay hidden
  EXPECT_FALSE(PanelsShown(*s));

  ASSERT_EQ(shell.entries.size(), 3u);
  const char* files[] = {"vaskss.scr", "http://www.vasksoft.example/order",
                         "http://www.vasksoft.example/order"};
  for (size_t i = 0; i < 3; ++i) {
    const TShellExecuteCall& c = shell.entries[i].call;
    EXPECT_EQ(c.Owner, s->Handle());
    EXPECT_NE(c.Owner, nullptr);
    EXPECT_EQ(c.Verb, "open");
    EXPECT_EQ(c.File, files[i]);
    EXPECT_FALSE(c.Parameters.has_value());
    EXPECT_FALSE(c.Directory.has_value());
    EXPECT_EQ(c.Show, SW_SHOWNORMAL);
    EXPECT_FALSE(shell.entries[i].memo1_visible);  // hidden before the shell is asked
    EXPECT_FALSE(shell.entries[i].memo2_visible);
  }
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_TRUE(WindowFacts(*s).Shown);
}

TEST_F(SplashWindow, MissingScreensaverChangesNothingElse) {
  auto s = ShowSplash();
  MessageBoxRecorder boxes;
  ShellRecorder shell(*s, 2);  // ERROR_FILE_NOT_FOUND
  ClickControl(*s->info);
  ClickControl(*s->demo);
  EXPECT_EQ(shell.entries.size(), 1u);
  EXPECT_FALSE(PanelsShown(*s));
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_TRUE(WindowFacts(*s).Shown);
  EXPECT_TRUE(s->Visible());
}

TEST_F(SplashWindow, FocusStartsOnRunDemoAndTabFollowsTheTabOrder) {
  auto s = ShowSplash();
  EXPECT_EQ(s->ActiveControl(), s->demo);
  EXPECT_EQ(ToolkitFocus(*s), s->demo);
  std::vector<TControl*> visited;
  for (int i = 0; i < 8; ++i) {
    PressKey(*s, VK_TAB);
    visited.push_back(ToolkitFocus(*s));
  }
  // One round: "More Information", "Order", "Run Demo", "Exit" (the hidden
  // panels are skipped), starting after "Run Demo".
  const std::vector<TControl*> expected{s->exit1, s->info, s->order, s->demo,
                                        s->exit1, s->info, s->order, s->demo};
  EXPECT_EQ(visited, expected);
  // Return on the focused "More Information" presses it.
  PressKey(*s, VK_TAB);
  PressKey(*s, VK_TAB);
  ASSERT_EQ(ToolkitFocus(*s), s->info);
  PressKey(*s, VK_RETURN);
  EXPECT_TRUE(PanelsShown(*s));
}

TEST_F(SplashWindow, ExitClosesTheMainFormAndEndsTheLoop) {
  Screen->SetSize(1024, 768);
  TSplash* splash = nullptr;
  Application->CreateForm(splash);
  ASSERT_EQ(Application->MainForm(), splash);
  splash->OnShow = [splash](TObject*) { ClickControl(*splash->exit1); };
  Application->Run();
  EXPECT_TRUE(Application->Terminated());
  EXPECT_FALSE(splash->Visible());
  delete splash;
}

}  // namespace
