// Error boxes of the application and the toolkit's modal box itself.
#ifndef _WIN32
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Window.H>
#endif

#include <string>
#include <vector>

#include "tests/forms/FormsFixture.h"
#include "tests/support/TestSupport.h"

namespace {

TEST_F(FormsTest, ShowExceptionAppendsAFullStopAndUsesTheTitle) {
  MessageBoxRecorder boxes;
  Application->ShowException(Exception("Something failed"));
  Application->ShowException(Exception("Ends with a dot."));
  ASSERT_EQ(boxes.Boxes().size(), 2u);
  EXPECT_EQ(boxes.Boxes()[0].Text, "Something failed.");
  EXPECT_EQ(boxes.Boxes()[0].Caption, "Forms Test");
  EXPECT_EQ(boxes.Boxes()[0].Type, mtError);
  EXPECT_EQ(boxes.Boxes()[0].Buttons, MsgButtons(mbOK));
  EXPECT_EQ(boxes.Boxes()[1].Text, "Ends with a dot..");
}

TEST_F(FormsTest, ExceptionsInEventHandlersAreShownAndTheLoopGoesOn) {
  MessageBoxRecorder boxes;
  TForm form(nullptr);
  form.SetBorderStyle(bsNone);
  auto* button = new TButton(&form);
  button->SetParent(&form);
  button->OnClick = [](TObject*) { throw EInvalidOperation("Handler failed"); };
  form.Show();
  FlushWindows();
  ClickControl(*button);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].Text, "Handler failed.");
  // Other exceptions come out of the message loop call.
  button->OnClick = [](TObject*) { throw std::runtime_error("not a class-library error"); };
  ClickControl(*button);
  EXPECT_THROW(Application->ProcessMessages(), std::runtime_error);
}

#ifndef _WIN32
// The toolkit's own box (the Windows box is tested with the Win32 backend).
// Inspects the box that is open, then presses the button labelled press.
struct BoxInspection {
  std::string caption;
  std::vector<std::string> buttons;
  std::string press;
};

void InspectBox(void* data) {
  auto* inspection = static_cast<BoxInspection*>(data);
  for (Fl_Window* w = Fl::first_window(); w != nullptr; w = Fl::next_window(w)) {
    if (!w->modal()) continue;
    inspection->caption = w->label() ? w->label() : "";
    Fl_Button* target = nullptr;
    for (int i = 0; i < w->children(); ++i)
      if (auto* b = dynamic_cast<Fl_Button*>(w->child(i))) {
        inspection->buttons.push_back(b->label());
        if (inspection->press == b->label()) target = b;
      }
    if (target != nullptr) target->do_callback();
    return;
  }
  Fl::repeat_timeout(0.05, &InspectBox, data);
}

TEST_F(FormsTest, ModalBoxHasTheCaptionAndOneOkButton) {
  BoxInspection inspection;
  inspection.press = "OK";
  Fl::add_timeout(0.05, &InspectBox, &inspection);
  TMessageBoxRequest request;
  request.Text = "Bitmap image is not valid.";
  request.Caption = "Vask";
  request.Type = mtError;
  request.Buttons = MsgButtons(mbOK);
  EXPECT_EQ(FormsBackend().MessageBox(request), mrOk);
  EXPECT_EQ(inspection.caption, "Vask");
  EXPECT_EQ(inspection.buttons, std::vector<std::string>{"OK"});

  BoxInspection second;
  second.press = "No";
  Fl::add_timeout(0.05, &InspectBox, &second);
  request.Type = mtConfirmation;
  request.Buttons = MsgButtons(mbYes) | MsgButtons(mbNo);
  EXPECT_EQ(FormsBackend().MessageBox(request), mrNo);
  EXPECT_EQ(second.buttons, (std::vector<std::string>{"Yes", "No"}));
}

#endif

}  // namespace
