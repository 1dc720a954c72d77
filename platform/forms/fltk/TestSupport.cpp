#include "platform/forms/FormsTest.h"

#include <FL/Fl.H>

#include "platform/forms/fltk/FlDraw.h"
#include "platform/forms/fltk/FltkBackend.h"

#include <FL/Fl_Input_.H>

using fltk_backend::FormWindow;
using fltk_backend::WidgetPeer;

namespace {

FormWindow* WindowOfForm(TForm& form) {
  auto* peer = dynamic_cast<WidgetPeer*>(form.Peer());
  return peer ? static_cast<FormWindow*>(peer->Widget()) : nullptr;
}

Fl_Widget* WidgetOf(TControl& control) {
  auto* peer = dynamic_cast<WidgetPeer*>(control.Peer());
  return peer ? peer->Widget() : nullptr;
}

// Sends one event to the window through the toolkit's full dispatch
// (including the forms layer's handler).
void Send(int event, FormWindow* window) {
  Fl::handle(event, window);
}

}  // namespace

TWindowFacts WindowFacts(TForm& form) {
  TWindowFacts facts;
  FormWindow* w = WindowOfForm(form);
  if (w == nullptr) return facts;
  facts.Created = true;
  facts.Shown = w->shown() && w->visible();
  facts.Decorated = w->Decorated();
  facts.RaisedFrame = w->RaisedFrame();
  facts.Left = w->x();
  facts.Top = w->y();
  facts.Width = w->w();
  facts.Height = w->h();
  const TFrameExtents& f = w->Frame();
  facts.ClientLeft = f.Left;
  facts.ClientTop = f.Top;
  facts.ClientWidth = w->w() - f.Left - f.Right;
  facts.ClientHeight = w->h() - f.Top - f.Bottom;
  return facts;
}

void FlushWindows() {
  // Only what the program itself marked for redrawing is drawn, so that a
  // missed redraw shows in the pixels.
  for (Fl_Window* w = Fl::first_window(); w != nullptr; w = Fl::next_window(w))
    w->wait_for_expose();
  for (int i = 0; i < 3; ++i) Fl::check();
  Fl::flush();
}

std::vector<uint8_t> ReadWindowPixels(TForm& form) {
  FormWindow* w = WindowOfForm(form);
  if (w == nullptr || !w->shown()) return {};
  FlushWindows();
  w->make_current();
  std::vector<uint8_t> pixels(static_cast<size_t>(w->w()) * w->h() * 3);
  fl_read_image(pixels.data(), 0, 0, w->w(), w->h());
  return pixels;
}

void ClickAt(TForm& form, int x, int y, int button) {
  FormWindow* w = WindowOfForm(form);
  if (w == nullptr) return;
  const TFrameExtents& f = w->Frame();
  Fl::e_x = f.Left + x;
  Fl::e_y = f.Top + y;
  Fl::e_x_root = w->x() + Fl::e_x;
  Fl::e_y_root = w->y() + Fl::e_y;
  Fl::e_keysym = FL_Button + button;
  Fl::e_state = button == 1 ? FL_BUTTON1 : button == 2 ? FL_BUTTON2 : FL_BUTTON3;
  Fl::e_is_click = 1;
  Fl::e_clicks = 0;
  Send(FL_PUSH, w);
  Fl::e_state = 0;
  Send(FL_RELEASE, w);
  Fl::check();
}

void ClickControl(TControl& control, int button) {
  TForm* form = control.ParentForm();
  if (form == nullptr) return;
  int x = control.Left() + control.Width() / 2, y = control.Top() + control.Height() / 2;
  for (TWinControl* p = control.Parent(); p != nullptr && p != form; p = p->Parent()) {
    x += p->Left();
    y += p->Top();
  }
  ClickAt(*form, x, y, button);
}

void PressKey(TForm& form, int virtual_key, bool shift) {
  FormWindow* w = WindowOfForm(form);
  if (w == nullptr) return;
  static char text[2] = {0, 0};
  switch (virtual_key) {
    case VK_TAB:
      Fl::e_keysym = FL_Tab;
      text[0] = '\t';
      break;
    case VK_RETURN:
      Fl::e_keysym = FL_Enter;
      text[0] = '\r';
      break;
    case VK_ESCAPE:
      Fl::e_keysym = FL_Escape;
      text[0] = 27;
      break;
    default:
      Fl::e_keysym = ' ';
      text[0] = ' ';
      break;
  }
  Fl::e_text = text;
  Fl::e_length = 1;
  Fl::e_state = shift ? FL_SHIFT : 0;
  Send(FL_KEYBOARD, w);
  Fl::e_state = 0;
  Fl::check();
}

TControl* ToolkitFocus(TForm& form) {
  Fl_Widget* focus = Fl::focus();
  if (focus == nullptr) return nullptr;
  for (int i = 0; i < form.ControlCount(); ++i) {
    TControl* c = form.Controls(i);
    if (WidgetOf(*c) == focus) return c;
  }
  return nullptr;
}

bool WidgetShown(TControl& control) {
  Fl_Widget* w = WidgetOf(control);
  return w != nullptr && w->visible_r();
}

std::string MemoWidgetText(TMemo& memo) {
  auto* input = dynamic_cast<Fl_Input_*>(WidgetOf(memo));
  return input ? std::string(input->value()) : std::string();
}
