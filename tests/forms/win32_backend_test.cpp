// The native Windows backend: message-box flags and answers, the system's
// own box, keys through the dialog manager, Tab order after changes, memo
// edits, the close box, window icons and the exception boundary of the
// window procedures.
#ifdef _WIN32

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/forms/win32/Win32Backend.h"
#include "tests/forms/FormsFixture.h"
#include "tests/support/TestSupport.h"

namespace {

using win32_backend::MessageBoxFlags;
using win32_backend::ModalResultOf;

TEST(Win32Backend, MessageBoxFlagsPickTheSmallestSetHoldingTheButtons) {
  struct Case {
    TMsgDlgButtons buttons;
    UINT set;
  };
  const auto b = [](TMsgDlgBtn button) { return MsgButtons(button); };
  for (const Case& c :
       {Case{0, MB_OK}, Case{b(mbOK), MB_OK}, Case{b(mbCancel), MB_OKCANCEL},
        Case{b(mbOK) | b(mbCancel), MB_OKCANCEL}, Case{b(mbYes) | b(mbNo), MB_YESNO},
        Case{b(mbNo) | b(mbAll), MB_YESNO}, Case{b(mbYes) | b(mbNo) | b(mbCancel), MB_YESNOCANCEL},
        Case{b(mbRetry) | b(mbCancel), MB_RETRYCANCEL}, Case{b(mbIgnore), MB_ABORTRETRYIGNORE},
        // No set has both: the first with the most of them.
        Case{b(mbYes) | b(mbOK), MB_OK}}) {
    SCOPED_TRACE(c.buttons);
    TMessageBoxRequest request;
    request.Type = mtCustom;
    request.Buttons = c.buttons;
    EXPECT_EQ(MessageBoxFlags(request), c.set);
  }
  TMessageBoxRequest request;
  request.Buttons = MsgButtons(mbOK) | MsgButtons(mbHelp);
  for (auto [type, icon] :
       {std::pair{mtWarning, UINT{MB_ICONWARNING}}, std::pair{mtError, UINT{MB_ICONERROR}},
        std::pair{mtInformation, UINT{MB_ICONINFORMATION}},
        std::pair{mtConfirmation, UINT{MB_ICONQUESTION}}}) {
    request.Type = type;
    EXPECT_EQ(MessageBoxFlags(request), MB_OK | MB_HELP | icon);
  }

  const int answers[] = {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO, 0, 99};
  const int results[] = {mrOk, mrCancel, mrAbort, mrRetry, mrIgnore, mrYes, mrNo, mrNone, mrNone};
  for (size_t i = 0; i < std::size(answers); ++i) EXPECT_EQ(ModalResultOf(answers[i]), results[i]);
}

TEST(Win32Backend, ColoursFramesAndIcons) {
  EXPECT_EQ(win32_backend::ToColorRef(clBtnFace), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(win32_backend::ToColorRef(clInfoBk), GetSysColor(COLOR_INFOBK));
  EXPECT_EQ(win32_backend::ToColorRef(0x00A37248), RGB(0x48, 0x72, 0xA3));
  EXPECT_EQ(win32_backend::ToColorRef(clNone), GetSysColor(COLOR_WINDOW));

  // The raised frame without a title bar is 3 pixels on every side; a
  // caption adds a title bar at the top only.
  TCreateParams params;
  params.Style = WS_POPUP;
  params.ExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
  TFrameExtents f = FormsBackend().FrameFor(params);
  EXPECT_EQ(f.Left, 3);
  EXPECT_EQ(f.Top, 3);
  EXPECT_EQ(f.Right, 3);
  EXPECT_EQ(f.Bottom, 3);
  params.Style |= WS_CAPTION;
  f = FormsBackend().FrameFor(params);
  EXPECT_EQ(f.Left, 3);
  EXPECT_GT(f.Top, 3);
  params.Style = WS_POPUP;
  params.ExStyle = 0;
  f = FormsBackend().FrameFor(params);
  EXPECT_EQ(f.Left + f.Top + f.Right + f.Bottom, 0);

  // An empty icon gives no system icon.
  TIcon empty;
  EXPECT_FALSE(win32_backend::MakeIcon(empty, 32));
}

// A 16 x 16 icon of 32-bit pixels, all opaque colour (0xAARRGGBB).
std::string IconFile(uint32_t colour) {
  std::string file;
  auto put16 = [&](int v) {
    file += static_cast<char>(v & 0xFF), file += static_cast<char>(v >> 8);
  };
  auto put32 = [&](uint32_t v) {
    put16(static_cast<int>(v & 0xFFFF));
    put16(static_cast<int>(v >> 16));
  };
  const uint32_t image_size = 40 + 16 * 16 * 4 + 16 * 4;
  put16(0), put16(1), put16(1);                                                     // header
  file += '\x10', file += '\x10', file += '\0', file += '\0', put16(1), put16(32);  // entry
  put32(image_size), put32(22);
  put32(40), put32(16), put32(32), put16(1), put16(32);  // BITMAPINFOHEADER
  for (int i = 0; i < 6; ++i) put32(0);
  for (int i = 0; i < 16 * 16; ++i) put32(colour);
  file.append(16 * 4, '\0');  // mask: all shown
  return file;
}

TEST_F(FormsTest, CaptionAndIconReachTheWindowAndTheCloseBoxAsksTheForm) {
  TForm form(nullptr);
  form.SetBorderStyle(bsSingle);
  form.SetCaption("First caption");
  const std::string ico = IconFile(0xFF2060A0);
  TMemoryStream stream;
  stream.Write(ico.data(), static_cast<int32_t>(ico.size()));
  stream.SetPosition(0);
  form.Icon()->LoadFromStream(stream);
  form.Show();
  FlushWindows();
  HWND window = form.Handle();
  char text[64] = {};
  GetWindowTextA(window, text, sizeof text);
  EXPECT_STREQ(text, "First caption");
  form.SetCaption("Second");
  GetWindowTextA(window, text, sizeof text);
  EXPECT_STREQ(text, "Second");
  EXPECT_NE(SendMessageA(window, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageA(window, WM_GETICON, ICON_SMALL, 0), 0);

  // The close box hides the form; its window stays for the next showing.
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(form.Visible());
  EXPECT_TRUE(IsWindow(window));
  EXPECT_FALSE(WindowFacts(form).Shown);
}

TEST_F(FormsTest, MainFormWithoutCaptionShowsTheTitleInTheTaskBar) {
  ASSERT_EQ(Application->MainForm(), nullptr);
  TForm* main_form = nullptr;
  Application->CreateForm(main_form);
  main_form->SetBorderStyle(bsNone);
  main_form->Show();
  char text[64] = {};
  GetWindowTextA(main_form->Handle(), text, sizeof text);
  EXPECT_STREQ(text, "Forms Test");
  EXPECT_EQ(main_form->Caption(), "");
  main_form->SetCaption("Own caption");
  GetWindowTextA(main_form->Handle(), text, sizeof text);
  EXPECT_STREQ(text, "Own caption");
  delete main_form;

  TForm other(nullptr);
  other.Show();
  GetWindowTextA(other.Handle(), text, sizeof text);
  EXPECT_STREQ(text, "");
}

// Two buttons and an editable memo on a borderless form.
class TKeyForm : public TForm {
 public:
  explicit TKeyForm(TComponent* owner) : TForm(owner) {
    SetBorderStyle(bsNone);
    SetClientWidth(300);
    SetClientHeight(120);
    for (int i = 0; i < 2; ++i) {
      buttons[i] = new TButton(this);
      buttons[i]->SetParent(this);
      buttons[i]->SetBounds(10 + 90 * i, 90, 80, 25);
      buttons[i]->OnClick = [this, i](TObject*) { ++clicks[i]; };
    }
    memo = new TMemo(this);
    memo->SetParent(this);
    memo->SetBounds(10, 10, 200, 60);
  }
  TButton* buttons[2];
  TMemo* memo;
  int clicks[2] = {0, 0};
};

TEST_F(FormsTest, ReturnSpaceAndEscapeGoThroughTheDialogManager) {
  TKeyForm form(nullptr);
  form.Show();
  FlushWindows();
  form.buttons[1]->SetFocus();
  PressKey(form, VK_RETURN);
  EXPECT_EQ(form.clicks[1], 1);
  PressKey(form, VK_SPACE);
  EXPECT_EQ(form.clicks[1], 2);
  EXPECT_EQ(form.clicks[0], 0);
  // Escape means nothing to this form.
  PressKey(form, VK_ESCAPE);
  EXPECT_TRUE(form.Visible());
  EXPECT_EQ(ToolkitFocus(form), form.buttons[1]);
  // Return in the memo presses no button.
  form.memo->SetFocus();
  PressKey(form, VK_RETURN);
  EXPECT_EQ(form.clicks[0] + form.clicks[1], 2);
}

TEST_F(FormsTest, TabFollowsTabOrderChangedWhileShown) {
  TKeyForm form(nullptr);
  form.Show();
  FlushWindows();
  ASSERT_EQ(ToolkitFocus(form), form.buttons[0]);
  // Tab order: memo, second button, first button.
  form.memo->SetTabOrder(0);
  form.buttons[1]->SetTabOrder(1);
  form.buttons[0]->SetTabOrder(2);
  PressKey(form, VK_TAB);
  EXPECT_EQ(ToolkitFocus(form), form.memo);
  // The multi-line edit hands Tab back to the form.
  PressKey(form, VK_TAB);
  EXPECT_EQ(ToolkitFocus(form), form.buttons[1]);
  EXPECT_EQ(form.ActiveControl(), form.buttons[1]);
  PressKey(form, VK_TAB, true);
  EXPECT_EQ(ToolkitFocus(form), form.memo);
  // Without its Tab stop the memo is passed over.
  form.memo->SetTabStop(false);
  PressKey(form, VK_TAB);
  PressKey(form, VK_TAB);
  EXPECT_EQ(ToolkitFocus(form), form.buttons[0]);
}

TEST_F(FormsTest, MemoEditsReachTheLinesAndRebuiltWindowsKeepTheText) {
  TKeyForm form(nullptr);
  form.memo->Lines()->Add("one");
  form.memo->Lines()->Add("two");
  form.Show();
  FlushWindows();
  HWND edit = form.memo->Handle();
  SendMessageA(edit, EM_SETSEL, 0, -1);
  SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("typed\r\nby the user"));
  FlushWindows();
  ASSERT_EQ(form.memo->Lines()->Count(), 2);
  EXPECT_EQ(form.memo->Lines()->Strings(1), "by the user");

  // Switching wrapping off makes a new edit control that scrolls sideways.
  form.memo->SetWordWrap(false);
  HWND rebuilt = form.memo->Handle();
  EXPECT_FALSE(IsWindow(edit));
  EXPECT_TRUE(GetWindowLongPtrA(rebuilt, GWL_STYLE) & ES_AUTOHSCROLL);
  EXPECT_EQ(MemoWidgetText(*form.memo), "typed\nby the user");
  form.memo->SetReadOnly(true);
  EXPECT_TRUE(GetWindowLongPtrA(rebuilt, GWL_STYLE) & ES_READONLY);
  form.memo->SetBorderStyle(bsNone);
  EXPECT_FALSE(GetWindowLongPtrA(rebuilt, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
}

TEST_F(FormsTest, WindowsGoWithTheirControlsAndForms) {
  HWND form_window = nullptr, button_window = nullptr, memo_window = nullptr;
  {
    TKeyForm form(nullptr);
    form.Show();
    FlushWindows();
    form_window = form.Handle();
    button_window = form.buttons[0]->Handle();
    memo_window = form.memo->Handle();
    EXPECT_TRUE(IsChild(form_window, button_window));
    delete form.buttons[0];
    EXPECT_FALSE(IsWindow(button_window));
    ClickAt(form, 50, 100);  // where the button was: nothing happens
    EXPECT_EQ(form.clicks[0], 0);
  }
  EXPECT_FALSE(IsWindow(memo_window));
  EXPECT_FALSE(IsWindow(form_window));
}

TEST_F(FormsTest, ColourAndEnabledChangesReachTheShownWindows) {
  TForm form(nullptr);
  form.SetBorderStyle(bsNone);
  form.SetClientWidth(200);
  form.SetClientHeight(100);
  auto* image = new TImage(&form);
  image->SetParent(&form);
  image->SetAlign(alClient);
  auto* button = new TButton(&form);
  button->SetParent(&form);
  button->SetBounds(10, 10, 80, 25);
  int button_clicks = 0, image_clicks = 0;
  button->OnClick = [&](TObject*) { ++button_clicks; };
  image->OnClick = [&](TObject*) { ++image_clicks; };
  form.Show();
  FlushWindows();
  // The picture window shows its parent's colour where it has no picture.
  form.SetColor(0x00336699);
  auto px = ReadWindowPixels(form);
  ASSERT_EQ(px.size(), size_t{200} * 100 * 3);
  const uint8_t* p = &px[(static_cast<size_t>(60) * 200 + 150) * 3];
  EXPECT_EQ((p[0] << 16) | (p[1] << 8) | p[2], 0x996633);

  // A disabled button takes no click; the picture beneath it does.
  button->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(button->Handle()));
  ClickControl(*button);
  EXPECT_EQ(button_clicks, 0);
  EXPECT_EQ(image_clicks, 1);
  button->SetEnabled(true);
  ClickControl(*button);
  EXPECT_EQ(button_clicks, 1);
}

TEST_F(FormsTest, ExceptionsNeverLeaveAWindowProcedure) {
  MessageBoxRecorder boxes;
  EXPECT_EQ(win32_backend::Guarded([]() -> LRESULT { throw EInvalidOperation("Step failed"); }, 7),
            7);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].Text, "Step failed.");
  EXPECT_EQ(win32_backend::Guarded([]() -> LRESULT { throw std::logic_error("other"); }, 0), 0);
  EXPECT_THROW(Application->ProcessMessages(), std::logic_error);
}

// The box that is open: its caption, text and buttons; presses one of them.
struct BoxInspection {
  std::string press;
  std::string caption, text;
  std::vector<std::string> buttons;
  bool found = false;
};
BoxInspection* inspection = nullptr;

std::string TextOf(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  std::string result;
  for (const char* c = text; *c != '\0'; ++c)
    if (*c != '&') result += *c;
  return result;
}

BOOL CALLBACK InspectChild(HWND child, LPARAM) {
  char name[32] = {};
  GetClassNameA(child, name, sizeof name);
  if (!IsWindowVisible(child)) return TRUE;
  if (lstrcmpiA(name, "Button") == 0) {
    inspection->buttons.push_back(TextOf(child));
    if (inspection->buttons.back() == inspection->press) PostMessageA(child, BM_CLICK, 0, 0);
  } else if (lstrcmpiA(name, "Static") == 0 && !TextOf(child).empty()) {
    inspection->text = TextOf(child);
  }
  return TRUE;
}

BOOL CALLBACK FindBox(HWND window, LPARAM) {
  char name[32] = {};
  GetClassNameA(window, name, sizeof name);
  if (std::string(name) != "#32770" || !IsWindowVisible(window)) return TRUE;
  inspection->found = true;
  inspection->caption = TextOf(window);
  EnumChildWindows(window, &InspectChild, 0);
  return FALSE;
}

void CALLBACK InspectBox(HWND, UINT, UINT_PTR timer, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), &FindBox, 0);
  if (inspection->found) KillTimer(nullptr, timer);
}

int ShowAndPress(const TMessageBoxRequest& request, BoxInspection& box) {
  inspection = &box;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, &InspectBox);
  const int result = FormsBackend().MessageBox(request);
  KillTimer(nullptr, timer);
  inspection = nullptr;
  return result;
}

TEST_F(FormsTest, SystemBoxShowsCaptionTextAndButtonsAndAnswers) {
  TMessageBoxRequest request;
  request.Text = "Bitmap image is not valid.";
  request.Caption = "Vask";
  request.Type = mtError;
  request.Buttons = MsgButtons(mbOK);
  BoxInspection first;
  first.press = "OK";
  EXPECT_EQ(ShowAndPress(request, first), mrOk);
  EXPECT_EQ(first.caption, "Vask");
  EXPECT_EQ(first.text, "Bitmap image is not valid.");
  EXPECT_EQ(first.buttons, std::vector<std::string>{"OK"});

  request.Type = mtConfirmation;
  request.Buttons = MsgButtons(mbYes) | MsgButtons(mbNo);
  BoxInspection second;
  second.press = "No";
  EXPECT_EQ(ShowAndPress(request, second), mrNo);
  EXPECT_EQ(second.buttons, (std::vector<std::string>{"Yes", "No"}));
}

}  // namespace

#endif  // _WIN32
