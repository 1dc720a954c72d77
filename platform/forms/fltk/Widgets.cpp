// Peers of buttons, memos and images.
#include <FL/Fl_Button.H>
#include <FL/Fl_Multiline_Input.H>
#include "platform/forms/fltk/FlDraw.h"

#include "platform/forms/fltk/FltkBackend.h"

namespace fltk_backend {
namespace {

// Reports focus changes of a control's widget to its form.
void ReportFocus(TWinControl& control) {
  if (TForm* form = control.ParentForm()) form->FocusReceived(&control);
}

// Common peer behaviour over a widget of type W that the peer owns.
template <class W>
class PeerBase : public TControlPeer, public WidgetPeer {
 public:
  PeerBase(TControl& control, TControlPeer& parent, W* widget, bool graphic)
      : control_(control),
        widget_(widget),
        window_(WindowOf(parent)),
        handle_(NewHandle()),
        graphic_(graphic) {
    if (window_ == nullptr) {
      delete widget;
      throw EInvalidOperation("Controls can only be placed on a form");
    }
    window_->AddWidget(widget_, graphic_);
    PlaceWidget(*widget_, control_, *window_);
    control_.Visible() ? widget_->show() : widget_->hide();
  }
  ~PeerBase() override {
    window_->RemoveWidget(widget_, graphic_);
    window_->redraw();
    delete widget_;
  }
  Fl_Widget* Widget() const override { return widget_; }
  HWND Handle() const override { return handle_; }
  void UpdateBounds() override {
    PlaceWidget(*widget_, control_, *window_);
    window_->redraw();
  }
  void UpdateVisible() override {
    if (control_.Visible()) {
      widget_->show();
    } else {
      widget_->hide();
      window_->redraw();  // uncover what lay beneath
    }
  }
  void Invalidate() override { widget_->redraw(); }
  bool TakeFocus() override {
    if (!widget_->visible_r()) return false;
    return widget_->take_focus() != 0;
  }
  bool HasFocus() const override { return Fl::focus() == widget_; }

 protected:
  TControl& control_;
  W* widget_;
  FormWindow* window_;
  HWND handle_;
  bool graphic_;
};

// ---------------------------------------------------------------------------

class ButtonWidget : public Fl_Button {
 public:
  ButtonWidget(TButton& control) : Fl_Button(0, 0, 1, 1), control_(control) {}
  int handle(int event) override {
    if (event == FL_FOCUS) ReportFocus(control_);
    // Only the left mouse button presses a button, as on Windows.
    if ((event == FL_PUSH || event == FL_DRAG || event == FL_RELEASE) &&
        Fl::event_button() != FL_LEFT_MOUSE)
      return 0;
    // Return presses a focused button, as Space does.
    if (event == FL_KEYBOARD && Fl::focus() == this &&
        (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter)) {
      do_callback();
      return 1;
    }
    return Fl_Button::handle(event);
  }

 private:
  TButton& control_;
};

class ButtonPeer : public PeerBase<ButtonWidget> {
 public:
  ButtonPeer(TButton& button, TControlPeer& parent)
      : PeerBase(button, parent, new ButtonWidget(button), false), button_(button) {
    widget_->box(FL_UP_BOX);
    widget_->down_box(FL_DOWN_BOX);
    widget_->callback(&ButtonPeer::Clicked, this);
    UpdateAppearance();
  }
  void UpdateAppearance() override {
    label_ = button_.Caption();
    // '&' marks an accelerator in captions; the toolkit shows it the same way.
    widget_->label(label_.c_str());
    widget_->labelfont(ToFlFont(*button_.Font()));
    widget_->labelsize(ToFlSize(*button_.Font()));
    widget_->labelcolor(ToFlColor(button_.Font()->Color()));
    widget_->color(ToFlColor(button_.Color()));
    button_.Enabled() ? widget_->activate() : widget_->deactivate();
    widget_->redraw();
  }

 private:
  static void Clicked(Fl_Widget*, void* data) {
    TButton& button = static_cast<ButtonPeer*>(data)->button_;
    DispatchGuarded([&button] { button.Click(); });
  }
  TButton& button_;
  std::string label_;
};

// ---------------------------------------------------------------------------

class MemoWidget : public Fl_Multiline_Input {
 public:
  MemoWidget(TMemo& control) : Fl_Multiline_Input(0, 0, 1, 1), control_(control) {}
  int handle(int event) override {
    if (event == FL_FOCUS) ReportFocus(control_);
    return Fl_Multiline_Input::handle(event);
  }

 private:
  TMemo& control_;
};

class MemoPeer : public PeerBase<MemoWidget> {
 public:
  MemoPeer(TMemo& memo, TControlPeer& parent)
      : PeerBase(memo, parent, new MemoWidget(memo), false), memo_(memo) {
    widget_->when(FL_WHEN_CHANGED);
    widget_->callback(&MemoPeer::Edited, this);
    UpdateAppearance();
  }
  void UpdateAppearance() override {
    std::string text = memo_.Lines()->Text();
    if (!text.empty() && text.back() == '\n') text.pop_back();
    if (text != widget_->value()) widget_->value(text.c_str());
    widget_->box(memo_.BorderStyle() == bsNone ? FL_FLAT_BOX : FL_DOWN_BOX);
    widget_->color(ToFlColor(memo_.Color()));
    widget_->selection_color(ToFlColor(clHighlight));
    widget_->textfont(ToFlFont(*memo_.Font()));
    widget_->textsize(ToFlSize(*memo_.Font()));
    widget_->textcolor(ToFlColor(memo_.Font()->Color()));
    // A read-only panel shows no text cursor.
    widget_->cursor_color(ToFlColor(memo_.ReadOnly() ? memo_.Color() : memo_.Font()->Color()));
    widget_->readonly(memo_.ReadOnly() ? 1 : 0);
    widget_->wrap(memo_.WordWrap() ? 1 : 0);
    memo_.Enabled() ? widget_->activate() : widget_->deactivate();
    widget_->redraw();
  }

 private:
  static void Edited(Fl_Widget*, void* data) {
    auto* self = static_cast<MemoPeer*>(data);
    std::string text = self->widget_->value();
    DispatchGuarded([self, &text] { self->memo_.TextEdited(text); });
  }
  TMemo& memo_;
};

// ---------------------------------------------------------------------------

// Paints the picture at its natural size, clipped to the control; the
// pixels are converted once per picture change.
class ImageWidget : public Fl_Widget {
 public:
  ImageWidget(TImage& control) : Fl_Widget(0, 0, 1, 1), control_(control) {}
  void PictureChanged() {
    rgb_.clear();
    converted_ = false;
    redraw();
  }
  void draw() override {
    if (!converted_) {
      converted_ = true;
      try {
        rgb_ = GraphicToRGB(control_.Picture()->Graphic());
      } catch (const Exception&) {
        rgb_.clear();  // an unreadable picture shows nothing
      }
    }
    if (rgb_.empty()) return;
    const POINT origin = control_.PictureOrigin();
    const int pw = control_.Picture()->Width(), ph = control_.Picture()->Height();
    fl_push_clip(x(), y(), w(), h());
    fl_draw_image(rgb_.data(), x() + origin.x, y() + origin.y, pw, ph, 3, pw * 3);
    fl_pop_clip();
  }
  int handle(int event) override {
    // Only the left mouse button clicks the picture, as on Windows.
    if ((event == FL_PUSH || event == FL_RELEASE) && Fl::event_button() != FL_LEFT_MOUSE) return 0;
    switch (event) {
      case FL_PUSH:
        return 1;
      case FL_RELEASE:
        if (Fl::event_inside(this)) {
          TImage& image = control_;
          DispatchGuarded([&image] { image.Click(); });
        }
        return 1;
      default:
        return 0;
    }
  }

 private:
  TImage& control_;
  std::vector<uint8_t> rgb_;
  bool converted_ = false;
};

class ImagePeer : public PeerBase<ImageWidget> {
 public:
  ImagePeer(TImage& image, TControlPeer& parent)
      : PeerBase(image, parent, new ImageWidget(image), true) {
    widget_->box(FL_NO_BOX);
    UpdateAppearance();
  }
  void UpdateAppearance() override {
    control_.Enabled() ? widget_->activate() : widget_->deactivate();
    widget_->PictureChanged();
    window_->redraw();
  }
  bool TakeFocus() override { return false; }
};

}  // namespace

std::unique_ptr<TControlPeer> FltkBackend::CreateButtonPeer(TButton& button, TControlPeer& parent) {
  return std::make_unique<ButtonPeer>(button, parent);
}

std::unique_ptr<TControlPeer> FltkBackend::CreateMemoPeer(TMemo& memo, TControlPeer& parent) {
  return std::make_unique<MemoPeer>(memo, parent);
}

std::unique_ptr<TControlPeer> FltkBackend::CreateImagePeer(TImage& image, TControlPeer& parent) {
  return std::make_unique<ImagePeer>(image, parent);
}

}  // namespace fltk_backend
