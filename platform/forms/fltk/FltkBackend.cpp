#include "platform/forms/fltk/FltkBackend.h"

#include "platform/forms/fltk/FlDraw.h"

#include <algorithm>
#include <cstdlib>

namespace fltk_backend {

Fl_Color ToFlColor(TColor color) {
  const uint32_t rgb = static_cast<uint32_t>(ColorToRGB(color));
  return fl_rgb_color(static_cast<uchar>(rgb & 0xFF), static_cast<uchar>((rgb >> 8) & 0xFF),
                      static_cast<uchar>((rgb >> 16) & 0xFF));
}

Fl_Font ToFlFont(const TFont& font) {
  std::string name = font.Name();
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  Fl_Font face = FL_HELVETICA;
  if (name.find("courier") != std::string::npos || name.find("mono") != std::string::npos)
    face = FL_COURIER;
  else if (name.find("times") != std::string::npos || name.find("serif") == 0)
    face = FL_TIMES;
  if (font.Style() & (1 << fsBold)) face += FL_BOLD;
  if (font.Style() & (1 << fsItalic)) face += FL_ITALIC;
  return face;
}

int ToFlSize(const TFont& font) {
  const int h = std::abs(font.Height());
  // The toolkit's size is about the character height plus leading.
  return h == 0 ? 12 : std::max(6, h + 1);
}

HWND NewHandle() {
  static uintptr_t next = 0x10000;
  next += 4;
  return reinterpret_cast<HWND>(next);
}

// ---------------------------------------------------------------------------
// FormWindow

FormWindow::FormWindow(TForm& form, const TCreateParams& params, TFrameExtents frame)
    : Fl_Double_Window(form.ClientWidth() + frame.Left + frame.Right,
                       form.ClientHeight() + frame.Top + frame.Bottom),
      form_(form),
      frame_(frame) {
  end();
  decorated_ = (params.Style & WS_CAPTION) == WS_CAPTION;
  if (!decorated_) {
    clear_border();
    raised_ =
        (params.Style & (WS_DLGFRAME | WS_THICKFRAME)) || (params.ExStyle & WS_EX_DLGMODALFRAME);
    thin_ = !raised_ && (params.Style & WS_BORDER);
  }
  box(FL_FLAT_BOX);
  xclass("vask");
}

void FormWindow::AddWidget(Fl_Widget* widget, bool graphic) {
  if (graphic)
    insert(*widget, graphic_count_++);
  else
    add(widget);
}

void FormWindow::RemoveWidget(Fl_Widget* widget, bool graphic) {
  remove(widget);
  if (graphic) --graphic_count_;
}

void FormWindow::draw() {
  // Only a full redraw paints the background and frame; otherwise just the
  // damaged children are drawn again.
  if (!(damage() & ~FL_DAMAGE_CHILD)) {
    draw_children();
    return;
  }
  // Painting stays inside the current clip (an exposed region), where the
  // children are drawn again too.
  const Fl_Color face = ToFlColor(form_.Color());
  fl_rectf(0, 0, w(), h(), face);
  if (raised_) {
    // Outer line light / dark shadow, then highlight / shadow, then face.
    const Fl_Color light = ToFlColor(cl3DLight), dark = ToFlColor(cl3DDkShadow),
                   high = ToFlColor(clBtnHighlight), shadow = ToFlColor(clBtnShadow);
    const int r = w() - 1, b = h() - 1;
    fl_color(light);
    fl_xyline(0, 0, r - 1);
    fl_yxline(0, 0, b - 1);
    fl_color(dark);
    fl_xyline(0, b, r);
    fl_yxline(r, 0, b);
    fl_color(high);
    fl_xyline(1, 1, r - 2);
    fl_yxline(1, 1, b - 2);
    fl_color(shadow);
    fl_xyline(1, b - 1, r - 1);
    fl_yxline(r - 1, 1, b - 1);
  } else if (thin_) {
    fl_color(ToFlColor(clWindowFrame));
    fl_rect(0, 0, w(), h());
  }
  draw_children();
}

int FormWindow::handle(int event) {
  return Fl_Double_Window::handle(event);
}

FormWindow* WindowOf(TControlPeer& peer) {
  auto* widget_peer = dynamic_cast<WidgetPeer*>(&peer);
  if (widget_peer == nullptr) return nullptr;
  Fl_Widget* w = widget_peer->Widget();
  return dynamic_cast<FormWindow*>(w->as_window() ? w : w->window());
}

void PlaceWidget(Fl_Widget& widget, TControl& control, const FormWindow& window) {
  int x = control.Left(), y = control.Top();
  for (TWinControl* p = control.Parent(); p != nullptr && !Is<TForm>(p); p = p->Parent()) {
    x += p->Left();
    y += p->Top();
  }
  widget.resize(window.Frame().Left + x, window.Frame().Top + y, control.Width(), control.Height());
}

// ---------------------------------------------------------------------------
// The form peer

namespace {

class FormPeerImpl : public TFormPeer, public WidgetPeer {
 public:
  FormPeerImpl(TForm& form, const TCreateParams& params, TFrameExtents frame)
      : form_(form), window_(new FormWindow(form, params, frame)), handle_(NewHandle()) {
    window_->callback(&FormPeerImpl::CloseRequested, this);
    UpdateAppearance();
  }
  ~FormPeerImpl() override { delete window_; }

  Fl_Widget* Widget() const override { return window_; }
  HWND Handle() const override { return handle_; }

  void UpdateBounds() override {
    const TFrameExtents& f = window_->Frame();
    window_->size(form_.ClientWidth() + f.Left + f.Right, form_.ClientHeight() + f.Top + f.Bottom);
  }
  void UpdateVisible() override {
    if (form_.Visible()) {
      window_->show();
      // The toolkit keeps windows without a border off the task bar; the
      // main form is the program's entry there, as the application's window
      // is on Windows.
      if (IsMainForm()) ShowInTaskbar(*window_);
    } else {
      window_->hide();
    }
  }
  void UpdateAppearance() override {
    label_ = form_.Caption();
    if (IsMainForm()) {
      // The window's name is its task-bar entry: without a caption of its
      // own the main form goes by the application's title.
      icon_label_ = Application->Title();
      if (label_.empty()) label_ = icon_label_;
      window_->label(label_.c_str(), icon_label_.c_str());
    } else {
      window_->label(label_.c_str());
    }
    if (!form_.Icon()->Empty()) {
      icon_ = IconToImage(*form_.Icon());
      if (icon_) window_->icon(icon_.get());
    }
    window_->redraw();
  }
  void Invalidate() override { window_->redraw(); }
  bool TakeFocus() override {
    window_->take_focus();
    return true;
  }
  bool HasFocus() const override { return Fl::focus() == window_; }

  int WindowWidth() const override { return window_->w(); }
  int WindowHeight() const override { return window_->h(); }
  void MoveTo(int left, int top) override { window_->position(left, top); }
  int WindowLeft() const override { return window_->x(); }
  int WindowTop() const override { return window_->y(); }

 private:
  bool IsMainForm() const { return Application != nullptr && Application->MainForm() == &form_; }

  // The window manager's close button, or Escape: the form decides.
  static void CloseRequested(Fl_Widget*, void* data) {
    auto* self = static_cast<FormPeerImpl*>(data);
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
    DispatchGuarded([self] { self->form_.Close(); });
  }

  TForm& form_;
  FormWindow* window_;
  HWND handle_;
  std::string label_, icon_label_;
  std::unique_ptr<Fl_RGB_Image> icon_;
};

// Tab and Shift+Tab move the focus by the form's Tab order, before any
// widget sees the key.
int DispatchEvent(int event, Fl_Window* window) {
  if (event == FL_KEYBOARD && Fl::event_key() == FL_Tab &&
      !(Fl::event_state() & (FL_CTRL | FL_ALT | FL_META))) {
    if (auto* form_window = dynamic_cast<FormWindow*>(window)) {
      TForm& form = form_window->Form();
      const bool forward = !(Fl::event_state() & FL_SHIFT);
      DispatchGuarded([&form, forward] { form.SelectNext(form.ActiveControl(), forward); });
      return 1;
    }
  }
  return Fl::handle_(event, window);
}

}  // namespace

// ---------------------------------------------------------------------------
// FltkBackend

bool FltkBackend::OpenDisplay() {
  if (open_) return true;
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') return false;
  if (!ConnectX11Display()) return false;
  Fl::visual(FL_RGB);
  Fl::visible_focus(1);
  Fl::event_dispatch(&DispatchEvent);
  open_ = true;
  return true;
}

int FltkBackend::ScreenWidth() {
  int x, y, w, h;
  Fl::screen_xywh(x, y, w, h, 0);
  return w;
}

int FltkBackend::ScreenHeight() {
  int x, y, w, h;
  Fl::screen_xywh(x, y, w, h, 0);
  return h;
}

TFrameExtents FltkBackend::FrameFor(const TCreateParams& params) const {
  // With a caption the window manager draws the frame outside the window.
  if ((params.Style & WS_CAPTION) == WS_CAPTION) return {};
  if ((params.Style & (WS_DLGFRAME | WS_THICKFRAME)) || (params.ExStyle & WS_EX_DLGMODALFRAME))
    return {3, 3, 3, 3};
  if (params.Style & WS_BORDER) return {1, 1, 1, 1};
  return {};
}

std::unique_ptr<TFormPeer> FltkBackend::CreateFormPeer(TForm& form, const TCreateParams& params) {
  return std::make_unique<FormPeerImpl>(form, params, FrameFor(params));
}

void FltkBackend::WaitAndDispatch(double timeout_seconds) {
  if (timeout_seconds < 0)
    Fl::wait();
  else
    Fl::wait(timeout_seconds);
}

void FltkBackend::DispatchPending() {
  Fl::check();
}

bool FltkBackend::AnyWindowShown() const {
  return open_ && Fl::first_window() != nullptr;
}

int FltkBackend::MessageBox(const TMessageBoxRequest& request) {
  return ShowMessageDialog(request);
}

}  // namespace fltk_backend

TFormsBackend& FormsBackend() {
  // Never destroyed: windows may be freed by static destructors that run
  // after this function's statics would have been.
  static auto* backend = new fltk_backend::FltkBackend();
  return *backend;
}
