// The interface between the backend-neutral forms layer and a windowing
// toolkit. A backend shows forms and controls through peers; the neutral
// classes keep all state and decide behaviour (positions, Tab order, focus
// rules, window-creation parameters), peers only show it and report user
// input back to their controls.
#pragma once

#include <memory>
#include <string>

#include "platform/forms/Controls.h"
#include "platform/sysutils/Dialogs.h"

class TForm;
class TButton;
class TMemo;
class TImage;
struct TCreateParams;

// The toolkit object behind one control. Calls come from the control after
// its state changed; a peer reads further state from its control as needed.
class TControlPeer {
 public:
  virtual ~TControlPeer() = default;
  // An opaque, unique, non-null window handle.
  virtual HWND Handle() const = 0;
  // Bounds and visibility changed (read from the control).
  virtual void UpdateBounds() = 0;
  virtual void UpdateVisible() = 0;
  // Anything else changed (caption, colour, font, text, enabled, picture).
  virtual void UpdateAppearance() = 0;
  // Redraws soon.
  virtual void Invalidate() = 0;
  // Takes the keyboard focus; true when it did.
  virtual bool TakeFocus() = 0;
  virtual bool HasFocus() const = 0;
};

// A form's top-level window.
class TFormPeer : public TControlPeer {
 public:
  // Outer size of the window including its frame.
  virtual int WindowWidth() const = 0;
  virtual int WindowHeight() const = 0;
  // Moves the window's top-left corner to (left, top) on the screen.
  virtual void MoveTo(int left, int top) = 0;
  virtual int WindowLeft() const = 0;
  virtual int WindowTop() const = 0;
};

// The frame a window of given creation parameters gets around its client
// area, in pixels.
struct TFrameExtents {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

class TFormsBackend {
 public:
  virtual ~TFormsBackend() = default;

  // Connects to the display; false when there is none.
  virtual bool OpenDisplay() = 0;
  virtual bool DisplayOpen() const = 0;
  // The size of the screen in pixels (display must be open).
  virtual int ScreenWidth() = 0;
  virtual int ScreenHeight() = 0;
  // The frame around the client area for these parameters.
  virtual TFrameExtents FrameFor(const TCreateParams& params) const = 0;

  virtual std::unique_ptr<TFormPeer> CreateFormPeer(TForm& form, const TCreateParams& params) = 0;
  virtual std::unique_ptr<TControlPeer> CreateButtonPeer(TButton& button, TControlPeer& parent) = 0;
  virtual std::unique_ptr<TControlPeer> CreateMemoPeer(TMemo& memo, TControlPeer& parent) = 0;
  virtual std::unique_ptr<TControlPeer> CreateImagePeer(TImage& image, TControlPeer& parent) = 0;

  // Waits for at least one event and dispatches it (or until timeout_seconds
  // pass; negative: no limit).
  virtual void WaitAndDispatch(double timeout_seconds) = 0;
  // Dispatches pending events and redraws, without waiting.
  virtual void DispatchPending() = 0;
  // True when some window of the program is shown.
  virtual bool AnyWindowShown() const = 0;

  // A modal box with caption, icon and buttons; returns the modal result.
  virtual int MessageBox(const TMessageBoxRequest& request) = 0;
};

// The backend of this target (FLTK on Linux). Lives until the program ends.
TFormsBackend& FormsBackend();
