// The FLTK 1.3 backend of the forms layer (internal to platform/forms/fltk).
#pragma once

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_RGB_Image.H>

#include <memory>
#include <vector>

#include "platform/forms/Backend.h"
#include "platform/forms/Forms.h"

namespace fltk_backend {

// The toolkit colour of a class-library colour.
Fl_Color ToFlColor(TColor color);
// The toolkit font face and size of a font.
Fl_Font ToFlFont(const TFont& font);
int ToFlSize(const TFont& font);
// A fresh window handle value.
HWND NewHandle();
// The first image of an icon file as an RGBA image, or null when it cannot
// be read (only uncompressed 1/4/8/24/32-bit icons are understood).
std::unique_ptr<Fl_RGB_Image> IconToImage(TIcon& icon);

// A form's window. Without WS_CAPTION it has no title bar and draws its own
// frame (raised, 3 pixels, for WS_DLGFRAME, WS_THICKFRAME or
// WS_EX_DLGMODALFRAME; one dark line for WS_BORDER alone); with WS_CAPTION
// the window manager decorates it. The client area lies inside the frame.
class FormWindow : public Fl_Double_Window {
 public:
  FormWindow(TForm& form, const TCreateParams& params, TFrameExtents frame);
  TForm& Form() const { return form_; }
  const TFrameExtents& Frame() const { return frame_; }
  bool RaisedFrame() const { return raised_; }
  bool Decorated() const { return decorated_; }
  // Adds a control's widget: pictures beneath the windowed controls.
  void AddWidget(Fl_Widget* widget, bool graphic);
  void RemoveWidget(Fl_Widget* widget, bool graphic);

  void draw() override;
  int handle(int event) override;

 private:
  TForm& form_;
  TFrameExtents frame_;
  bool raised_ = false;
  bool thin_ = false;
  bool decorated_ = false;
  int graphic_count_ = 0;
};

// The form window of a control's peer parent.
FormWindow* WindowOf(TControlPeer& peer);
// The widget's position for a control: its place relative to the form's
// client area, offset by the frame.
void PlaceWidget(Fl_Widget& widget, TControl& control, const FormWindow& window);

class FltkBackend : public TFormsBackend {
 public:
  bool OpenDisplay() override;
  bool DisplayOpen() const override { return open_; }
  int ScreenWidth() override;
  int ScreenHeight() override;
  TFrameExtents FrameFor(const TCreateParams& params) const override;
  std::unique_ptr<TFormPeer> CreateFormPeer(TForm& form, const TCreateParams& params) override;
  std::unique_ptr<TControlPeer> CreateButtonPeer(TButton& button, TControlPeer& parent) override;
  std::unique_ptr<TControlPeer> CreateMemoPeer(TMemo& memo, TControlPeer& parent) override;
  std::unique_ptr<TControlPeer> CreateImagePeer(TImage& image, TControlPeer& parent) override;
  void WaitAndDispatch(double timeout_seconds) override;
  void DispatchPending() override;
  bool AnyWindowShown() const override;
  int MessageBox(const TMessageBoxRequest& request) override;

 private:
  bool open_ = false;
};

// Implemented by every peer of this backend: the widget that shows it.
class WidgetPeer {
 public:
  virtual ~WidgetPeer() = default;
  virtual Fl_Widget* Widget() const = 0;
};

int ShowMessageDialog(const TMessageBoxRequest& request);
// Opens the X display named by DISPLAY for the toolkit; false when it cannot.
bool ConnectX11Display();
// Gives a shown window a task-bar entry: takes _NET_WM_STATE_SKIP_TASKBAR,
// which the toolkit sets for windows without a border, out of the window's
// state and asks a running window manager to do the same.
void ShowInTaskbar(Fl_Window& window);

}  // namespace fltk_backend
