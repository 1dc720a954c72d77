// Forms and the application object: TForm (a top-level window holding
// controls), TScreen (the desktop's size), TApplication (message loop, main
// form, error boxes) and the unit initialisation of the forms layer.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/forms/Backend.h"
#include "platform/forms/Controls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"
#include "platform/sysutils/Dialogs.h"

// Window-creation parameters, computed by TForm::CreateParams before the
// window is made. Style and ExStyle hold the Windows WS_ and WS_EX_ bits.
struct TCreateParams {
  std::string Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
};

enum TBorderIcon : uint8_t { biSystemMenu, biMinimize, biMaximize, biHelp };
// A set of TBorderIcon: bit (1 << icon).
using TBorderIcons = uint8_t;
const TEnumNames& BorderIconNames();

enum TWindowState : uint8_t { wsNormal, wsMinimized, wsMaximized };
const TEnumNames& WindowStateNames();

enum TPosition : uint8_t {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
const TEnumNames& PositionNames();

// A top-level window. Its size is kept as the client size; Width and Height
// include the frame that the creation parameters give it.
//
// A form's window is made when it is first shown (or its Handle is asked
// for): CreateParams computes the styles, the backend makes the window, the
// controls get their peers. On the first showing a form with poScreenCenter
// is centred on the screen; after that its position is no longer adjusted.
class TForm : public TWinControl {
  VASK_CLASS(TForm, TWinControl)
 public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  TFormBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TFormBorderStyle style) { border_style_ = style; }
  TBorderIcons BorderIcons() const { return border_icons_; }
  void SetBorderIcons(TBorderIcons icons) { border_icons_ = icons; }
  TWindowState WindowState() const { return window_state_; }
  void SetWindowState(TWindowState state) { window_state_ = state; }
  TPosition Position() const { return position_; }
  void SetPosition(TPosition position) { position_ = position; }

  int ClientWidth() const override { return client_width_; }
  int ClientHeight() const override { return client_height_; }
  void SetClientWidth(int width);
  void SetClientHeight(int height);
  // The outer size: the client size plus the frame of the current
  // parameters. Setting it sets the client size accordingly.
  void SetBounds(int left, int top, int width, int height) override;

  // The control that has (or will get, when the form is shown) the focus.
  TWinControl* ActiveControl() const { return active_control_; }
  // Raises EInvalidOperation when control is not on this form, or when the
  // form is showing and control cannot take the focus.
  void SetActiveControl(TWinControl* control);

  // The window icon (owned by the form).
  TIcon* Icon() const { return icon_.get(); }
  void SetIcon(TIcon* icon) { icon_->Assign(icon); }
  bool Scaled() const { return scaled_; }
  void SetScaled(bool scaled) { scaled_ = scaled; }
  int PixelsPerInch() const { return pixels_per_inch_; }
  void SetPixelsPerInch(int ppi) { pixels_per_inch_ = ppi; }
  // The design-time text height; stored, not used for layout.
  int TextHeight() const { return text_height_; }
  void SetTextHeight(int height) { text_height_ = height; }

  // Shows the form (making its window when needed).
  void SetVisible(bool visible) override;
  // Hides the form; when it is the application's main form the application
  // terminates, so that Run returns.
  void Close();

  // The window-creation parameters; descendants may adjust them. Computes a
  // pop-up window; bsDialog adds WS_CAPTION and the extended styles
  // WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE; bsSingle/bsToolWindow
  // WS_CAPTION, bsSizeable/bsSizeToolWin WS_CAPTION | WS_THICKFRAME; the
  // border icons add WS_SYSMENU (not with bsNone) and, for bsSingle and
  // bsSizeable only, WS_MINIMIZEBOX and WS_MAXIMIZEBOX. For every border
  // style other than bsSingle and bsSizeable the window state is set back to
  // wsNormal, so such a window never opens maximised.
  virtual void CreateParams(TCreateParams& params);

  // The controls that Tab visits, in order: visible, enabled controls with
  // TabStop, by TabOrder (controls of nested containers after their
  // container).
  std::vector<TWinControl*> TabList() const;
  // Moves the focus from current to the next (or previous) control of the
  // Tab list, wrapping around. current may be null (start at the ends).
  void SelectNext(TWinControl* current, bool forward);
  // Called by a peer whose control took the focus.
  void FocusReceived(TWinControl* control);

  // Fired after the window has been made and shown for the first time.
  TNotifyEvent OnShow;

  TFormPeer* FormPeer() const;
  void Loaded() override;

 protected:
  // Reads the RCDATA form description resource_name into this form, as a
  // descendant's constructor does. Raises EResNotFound or EReadError.
  void ReadFormResource(const std::string& resource_name);
  std::unique_ptr<TControlPeer> MakePeer(TControlPeer& parent_peer) override;
  void CreatePeer() override;
  void DestroyPeer() override;

 private:
  friend class TWinControl;
  void CreateWindow();
  void ShowWindow();
  void FocusInitialControl();
  TFrameExtents Frame();

  TFormBorderStyle border_style_ = bsSizeable;
  TBorderIcons border_icons_ = (1 << biSystemMenu) | (1 << biMinimize) | (1 << biMaximize);
  TWindowState window_state_ = wsNormal;
  TPosition position_ = poDesigned;
  int client_width_ = 0, client_height_ = 0;
  TWinControl* active_control_ = nullptr;
  std::unique_ptr<TIcon> icon_;
  bool scaled_ = true;
  int pixels_per_inch_ = 96;
  int text_height_ = 13;
  bool shown_once_ = false;
};

// The desktop: its size is measured by the backend; tests may set another.
class TScreen {
 public:
  int Width() const;
  int Height() const;
  // Overrides the measured size (0, 0: measure again).
  void SetSize(int width, int height);
  int PixelsPerInch() const { return 96; }

 private:
  int width_ = 0, height_ = 0;
};

// The program's application object: owns the forms, runs the message loop
// and shows exceptions.
class TApplication : public TComponent {
  VASK_CLASS(TApplication, TComponent)
 public:
  explicit TApplication(TComponent* owner);
  ~TApplication() override;

  // Connects to the display when there is one and installs the modal message
  // box as the program's box handler. Without a display boxes keep going to
  // standard error, and showing a form raises EInvalidOperation.
  void Initialize();
  // The text of the application's task-bar entry and the caption of its
  // error boxes.
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& title);

  // Constructs a form of class T owned by the application and stores it in
  // reference; the first form created becomes the main form. A constructor
  // that raises leaves reference unchanged and nothing behind.
  template <class T>
  void CreateForm(T*& reference) {
    T* form = new T(this);
    reference = form;
    if (main_form_ == nullptr) main_form_ = form;
    if (form->Visible() && form != main_form_) form->Show();
  }
  TForm* MainForm() const { return main_form_; }

  // Shows the main form and handles events until Terminate is called (by
  // closing the main form). Returns at once without a main form.
  void Run();
  // Makes Run return after the current event.
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  // Handles the events that are waiting, without waiting for more.
  void ProcessMessages();
  // Waits for one event and handles it.
  void HandleMessage();

  // Shows e in a box: its message followed by ".", captioned with the
  // title, with the error icon and one OK button.
  void ShowException(const Exception& e);
  // Called for an Exception that escapes an event handler: shows it.
  void HandleException(const Exception& e);

  // Forgets form (called by a form's destructor).
  void FormDestroyed(TForm* form);

 private:
  std::string title_;
  TForm* main_form_ = nullptr;
  bool terminated_ = false;
};

// The application object and the screen; made by InitFormsUnit, freed when
// the program ends.
extern TApplication* Application;
extern TScreen* Screen;

// Runs a handler for a user event: an Exception goes to
// Application->HandleException; any other exception is kept and raised again
// by the HandleMessage or ProcessMessages that dispatched the event.
void DispatchGuarded(const std::function<void()>& handler);

// The forms unit's initialisation: runs once (a run counter guards it).
// Initialises the graphics unit, makes Application and Screen, and registers
// TForm, TButton, TMemo and TImage with the class registry.
void InitFormsUnit();
