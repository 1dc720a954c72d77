// The native Windows backend of the forms layer (internal to
// platform/forms/win32). A form is a top-level window of our own class; a
// button is a system "BUTTON", a memo a system "EDIT", an image a child
// window of our own class that paints the picture. All child windows are
// children of the form's window, placed in its client area. The message
// loop hands keyboard input to the dialog manager (IsDialogMessageA), so Tab,
// Shift+Tab, Return, Space and mnemonics work as in any dialog; the child
// windows' z-order and WS_TABSTOP follow the form's Tab order.
#pragma once

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "platform/forms/Backend.h"
#include "platform/forms/Forms.h"
#include "platform/forms/win32/Handles.h"

namespace win32_backend {

// The window classes that the backend registers.
inline constexpr char kFormClass[] = "VaskForm";
inline constexpr char kImageClass[] = "VaskImage";

// Hands an exception that reached a window procedure to the forms layer
// (DispatchGuarded: an Exception is shown by the application, anything else
// is raised again by the message-loop call that dispatched the message).
void ReportException(std::exception_ptr exception) noexcept;

// Runs one step of a window procedure; an exception never reaches the system
// but is reported, and fallback is returned instead.
template <class Step>
LRESULT Guarded(Step&& step, LRESULT fallback) noexcept {
  try {
    return step();
  } catch (...) {
    ReportException(std::current_exception());
    return fallback;
  }
}

// The COLORREF of a colour: system colours are the system's current ones
// (GetSysColor); clNone and clDefault give the window colour.
COLORREF ToColorRef(TColor color);
// A font made from a font description. Raises EOutOfMemory when the system
// makes none.
FontHandle MakeFont(const TFont& font);
// The icon's image closest to size x size pixels (most colours first among
// equals) as a system icon; null for an empty or unreadable icon.
IconHandle MakeIcon(const TIcon& icon, int size);

// The MessageBoxA flags for a request: icon by type, the smallest standard
// button set that holds the requested buttons (mbAll counts as Yes; when no
// set holds them all, the first that holds the most), MB_HELP for mbHelp.
UINT MessageBoxFlags(const TMessageBoxRequest& request);
// The modal result of a MessageBoxA answer (IDOK ... IDNO); mrNone for others.
int ModalResultOf(int answer);

class ChildPeer;

// A form's top-level window.
class FormPeer : public TFormPeer {
 public:
  FormPeer(TForm& form, const TCreateParams& params, TFrameExtents frame);
  ~FormPeer() override;

  HWND Handle() const override { return window_.Get(); }
  void UpdateBounds() override;
  void UpdateVisible() override;
  void UpdateAppearance() override;
  void Invalidate() override;
  bool TakeFocus() override;
  bool HasFocus() const override;
  int WindowWidth() const override;
  int WindowHeight() const override;
  void MoveTo(int left, int top) override;
  int WindowLeft() const override;
  int WindowTop() const override;

  TForm& Form() const { return form_; }
  const TFrameExtents& Frame() const { return frame_; }

  // Child windows register here; Attach returns the child's control id.
  int Attach(ChildPeer& child);
  void Detach(ChildPeer& child);
  // The peer of one of this form's child windows, or null.
  ChildPeer* ChildOf(HWND window) const;
  // Puts the child windows in the form's Tab order (top of the z-order
  // first, as the dialog manager walks them), the other windowed controls
  // after them and the pictures at the bottom; sets WS_TABSTOP from each
  // control's TabStop.
  void ArrangeChildren();

  // The peer of a form window of this process, or null for any other window.
  static FormPeer* FromWindow(HWND window);
  // The window procedure of kFormClass.
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void RestoreFocus();
  void MoveFocus(bool backward);

  TForm& form_;
  TFrameExtents frame_;
  std::vector<ChildPeer*> children_;
  bool destroying_ = false;
  // Declared before the window, so that they outlive it.
  BrushHandle background_;
  IconHandle big_icon_, small_icon_;
  WindowHandle window_;
};

// A child window on a form: a button, memo or image.
class ChildPeer : public TControlPeer {
 public:
  ~ChildPeer() override;

  HWND Handle() const override { return window_.Get(); }
  void UpdateBounds() override;
  void UpdateVisible() override;
  void Invalidate() override;
  bool TakeFocus() override;
  bool HasFocus() const override;

  TControl& Control() const { return control_; }
  int Id() const { return id_; }
  // Pictures lie beneath the windowed controls.
  virtual bool Graphic() const { return false; }
  // A push button: Return presses it while it has the focus.
  virtual bool PressedByReturn() const { return false; }
  // A WM_COMMAND notification from the window.
  virtual void Command(int /*code*/) {}
  // WM_CTLCOLOR*: sets dc's colours and returns the background brush, or
  // null for the system's colours.
  virtual HBRUSH ControlColor(HDC /*dc*/) { return nullptr; }
  // The form's window is gone (and with it this window).
  void FormGone();

 protected:
  // Finds the form window through the parent's peer; raises
  // EInvalidOperation when there is none.
  ChildPeer(TControl& control, TControlPeer& parent);
  // Makes the window at the control's place (shown when the control is
  // visible). Raises EOutOfMemory when the system makes none.
  void CreateChild(const char* window_class, DWORD style, DWORD ex_style, const std::string& text);
  // Destroys the window (derived destructors call it first).
  void DestroyChild();
  // Gives the window a font made from the control's.
  void ApplyFont();
  // Messages for the window, before its own procedure; true when handled.
  virtual bool HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result);

  TControl& control_;
  FormPeer* form_;

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                       UINT_PTR id, DWORD_PTR data);
  void Place(int& x, int& y) const;

  int id_ = 0;
  FontHandle font_;  // outlives the window
  WindowHandle window_;
};

class Win32Backend : public TFormsBackend {
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

// Dispatches one message: keyboard input for a form goes through the dialog
// manager first.
void DispatchOne(MSG& message);
// The form windows of this thread.
std::vector<HWND> FormWindows();
// Shows the box with MessageBoxA and returns the modal result.
int ShowSystemMessageBox(const TMessageBoxRequest& request);

}  // namespace win32_backend
