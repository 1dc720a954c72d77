// The modal message box: caption, an icon by the box's type, the text, and
// one button for each requested answer.
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Window.H>
#include "platform/forms/fltk/FlDraw.h"

#include <algorithm>

#include "platform/forms/fltk/FltkBackend.h"

namespace fltk_backend {
namespace {

// Draws the type's symbol: a red disc with a cross (error), a yellow
// triangle with "!" (warning), a blue disc with "i" (information) or "?"
// (confirmation).
class IconBox : public Fl_Box {
 public:
  IconBox(int x, int y, TMsgDlgType type) : Fl_Box(x, y, 32, 32), type_(type) {}
  void draw() override {
    const int cx = x(), cy = y();
    fl_font(FL_HELVETICA_BOLD, 22);
    switch (type_) {
      case mtError:
        fl_color(fl_rgb_color(200, 30, 30));
        fl_pie(cx, cy, 32, 32, 0, 360);
        fl_color(FL_WHITE);
        fl_line_style(FL_SOLID, 4);
        fl_line(cx + 10, cy + 10, cx + 22, cy + 22);
        fl_line(cx + 22, cy + 10, cx + 10, cy + 22);
        fl_line_style(0);
        break;
      case mtWarning:
        fl_color(fl_rgb_color(240, 200, 20));
        fl_polygon(cx + 16, cy + 1, cx + 31, cy + 30, cx + 1, cy + 30);
        fl_color(FL_BLACK);
        fl_draw("!", cx, cy + 6, 32, 24, FL_ALIGN_CENTER);
        break;
      case mtInformation:
      case mtConfirmation:
        fl_color(fl_rgb_color(40, 90, 200));
        fl_pie(cx, cy, 32, 32, 0, 360);
        fl_color(FL_WHITE);
        fl_draw(type_ == mtInformation ? "i" : "?", cx, cy, 32, 32, FL_ALIGN_CENTER);
        break;
      default:
        break;
    }
  }

 private:
  TMsgDlgType type_;
};

struct ButtonSpec {
  TMsgDlgBtn button;
  const char* label;
  int result;
};
constexpr ButtonSpec kButtons[] = {
    {mbYes, "Yes", mrYes},          {mbNo, "No", mrNo},          {mbOK, "OK", mrOk},
    {mbCancel, "Cancel", mrCancel}, {mbAbort, "Abort", mrAbort}, {mbRetry, "Retry", mrRetry},
    {mbIgnore, "Ignore", mrIgnore}, {mbAll, "All", mrYes},       {mbHelp, "Help", mrNone},
};

// The box's window; remembers the answer given.
class DialogWindow : public Fl_Window {
 public:
  DialogWindow(int w, int h) : Fl_Window(w, h) {}
  int result = mrNone;
};

int ResultOf(void* data) {
  return static_cast<int>(reinterpret_cast<intptr_t>(data));
}

void ButtonPressed(Fl_Widget* w, void* data) {
  auto* window = static_cast<DialogWindow*>(w->window());
  window->result = ResultOf(data);
  window->hide();
}

void CloseRequested(Fl_Widget* w, void* data) {
  auto* window = static_cast<DialogWindow*>(w);
  window->result = ResultOf(data);
  window->hide();
}

}  // namespace

int ShowMessageDialog(const TMessageBoxRequest& request) {
  std::vector<const ButtonSpec*> buttons;
  for (const auto& entry : kButtons)
    if (request.Buttons & MsgButtons(entry.button)) buttons.push_back(&entry);
  if (buttons.empty()) buttons.push_back(&kButtons[2]);  // OK

  fl_font(FL_HELVETICA, 13);
  int tw = 360, th = 0;
  fl_measure(request.Text.c_str(), tw, th, 0);
  tw = std::max(tw, 120);
  const bool has_icon = request.Type != mtCustom;
  const int text_x = has_icon ? 62 : 16;
  const int button_w = 80, button_h = 25, gap = 8;
  const int buttons_w = static_cast<int>(buttons.size()) * (button_w + gap) - gap;
  const int w = std::max(text_x + tw + 16, buttons_w + 32);
  const int body_h = std::max(th, has_icon ? 32 : 0);
  const int h = 16 + body_h + 16 + button_h + 12;

  DialogWindow window(w, h);
  window.label(request.Caption.c_str());
  window.xclass("vask");
  if (has_icon) new IconBox(16, 16, request.Type);
  auto* text = new Fl_Box(text_x, 16, tw, body_h);
  text->copy_label(request.Text.c_str());
  text->labelfont(FL_HELVETICA);
  text->labelsize(13);
  text->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
  int bx = (w - buttons_w) / 2;
  Fl_Button* first = nullptr;
  for (const ButtonSpec* entry : buttons) {
    auto* b = new Fl_Button(bx, h - 12 - button_h, button_w, button_h, entry->label);
    b->callback(&ButtonPressed, reinterpret_cast<void*>(static_cast<intptr_t>(entry->result)));
    if (first == nullptr) first = b;
    bx += button_w + gap;
  }
  window.end();
  // Closing the box answers Cancel when offered, else the only/first answer.
  const bool has_cancel = request.Buttons & MsgButtons(mbCancel);
  const int close_result = has_cancel ? mrCancel : buttons.front()->result;
  window.callback(&CloseRequested, reinterpret_cast<void*>(static_cast<intptr_t>(close_result)));
  window.set_modal();
  int sx, sy, sw, sh;
  Fl::screen_xywh(sx, sy, sw, sh, 0);
  window.position(sx + std::max(0, (sw - w) / 2), sy + std::max(0, (sh - h) / 2));
  window.show();
  if (first != nullptr) first->take_focus();
  while (window.shown()) Fl::wait();
  return window.result == mrNone ? close_result : window.result;
}

}  // namespace fltk_backend
