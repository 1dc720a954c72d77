// Controls: TControl (a rectangle on a form with visibility, font, colour
// and a click event) and TWinControl (a focusable control with a place in
// the Tab order that can hold other controls).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes/Classes.h"
#include "platform/forms/WinUser.h"
#include "platform/graphics/Graphics.h"

class TWinControl;
class TForm;
class TControlPeer;

// How a control is placed in its parent's client area. alClient fills it.
enum TAlign : uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient };
const TEnumNames& AlignNames();

// Border styles. Controls use bsNone and bsSingle; forms all of them.
enum TFormBorderStyle : uint8_t {
  bsNone,
  bsSingle,
  bsSizeable,
  bsDialog,
  bsToolWindow,
  bsSizeToolWin
};
using TBorderStyle = TFormBorderStyle;
const TEnumNames& FormBorderStyleNames();
// bsNone and bsSingle only.
const TEnumNames& BorderStyleNames();

// A visible element of a form. Positions are in pixels relative to the
// parent's client area. A control without a parent is not shown.
//
// The backend draws a control through its peer (see Backend.h), which exists
// while the control's form has a window; the control keeps all of its state
// itself, so properties can be set before the window exists (for instance
// while a form description is read).
class TControl : public TComponent {
  VASK_CLASS(TControl, TComponent)
 public:
  // A control constructed while its owner (a TWinControl) reads a form
  // description starts with the owner as its parent; a control stored under
  // another one is moved there by the reader.
  explicit TControl(TComponent* owner);
  ~TControl() override;

  TWinControl* Parent() const { return parent_; }
  // Moves the control into parent's list of controls (null: removes it).
  virtual void SetParent(TWinControl* parent);
  // The form this control lies on (itself for a form), or null.
  TForm* ParentForm() const;

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int left) { SetBounds(left, top_, width_, height_); }
  void SetTop(int top) { SetBounds(left_, top, width_, height_); }
  void SetWidth(int width) { SetBounds(left_, top_, width, height_); }
  void SetHeight(int height) { SetBounds(left_, top_, width_, height); }
  virtual void SetBounds(int left, int top, int width, int height);
  // The size of the area inside the control's border; the control's size by
  // default.
  virtual int ClientWidth() const { return width_; }
  virtual int ClientHeight() const { return height_; }

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // True when the control and all of its parents are visible.
  bool Showing() const;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);
  // Background colour (class library encoding: low byte red).
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  // The control's font (owned by the control). Changing it clears
  // ParentFont; with ParentFont set the control copies its parent's font.
  TFont* Font() const { return font_.get(); }
  void SetFont(TFont* font) { font_->Assign(font); }
  bool ParentFont() const { return parent_font_; }
  void SetParentFont(bool parent_font);
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);

  // Fired by a click (mouse, or the keyboard on a button); sender: the control.
  TNotifyEvent OnClick;
  // Fires OnClick.
  virtual void Click();

  // Component streaming: controls are stored under their parent.
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  // Sets the parent; raises EInvalidCast when parent is not a TWinControl.
  void SetParentComponent(TComponent* parent) override;

  // The backend object that shows this control, or null.
  TControlPeer* Peer() const { return peer_.get(); }

 protected:
  friend class TWinControl;
  friend class TForm;
  // Makes the peer for this control inside its parent's peer. The default
  // makes none (the control is not shown).
  virtual std::unique_ptr<TControlPeer> MakePeer(TControlPeer& parent_peer);
  // Creates the peer (and its children's) when the parent has one.
  virtual void CreatePeer();
  virtual void DestroyPeer();
  // Hooks for descendants, called after the property changed.
  virtual void VisibleChanged();
  virtual void BoundsChanged() {}
  virtual void FontChanged();
  void Invalidate();
  bool Loading() const { return (ComponentState() & (csLoading | csReading)) != 0; }

  std::unique_ptr<TControlPeer> peer_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;

 private:
  void FontChangedEvent(TObject*);
  void CopyParentFont();

  TWinControl* parent_ = nullptr;
  bool visible_ = true;
  bool enabled_ = true;
  TAlign align_ = alNone;
  TColor color_ = clBtnFace;
  std::unique_ptr<TFont> font_;
  bool parent_font_ = true;
  bool copying_parent_font_ = false;
  std::string caption_;
};

// A control that can take the keyboard focus and hold other controls.
class TWinControl : public TControl {
  VASK_CLASS(TWinControl, TControl)
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  // The position in the parent's Tab order (lower first; equal values keep
  // the order in which the controls were added).
  int TabOrder() const { return tab_order_; }
  void SetTabOrder(int tab_order) { tab_order_ = tab_order; }
  // Whether Tab stops at this control.
  bool TabStop() const { return tab_stop_; }
  void SetTabStop(bool tab_stop) { tab_stop_ = tab_stop; }

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  // The child control at index; raises EListError when out of range.
  TControl* Controls(int index) const;

  // True when the control is showing and enabled, and so can take the focus.
  bool CanFocus() const;
  // Gives the control the keyboard focus (it becomes its form's active
  // control). Raises EInvalidOperation "Cannot focus a disabled or invisible
  // window" when it cannot take it.
  virtual void SetFocus();

  // The window handle; creates the form's window when it has none yet.
  // Raises EInvalidOperation "Control '<name>' has no parent window" for a
  // control outside any form.
  HWND Handle();
  bool HandleAllocated() const { return peer_ != nullptr; }

  // Stores the children owned by root under this control.
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override;
  void Loaded() override;

 protected:
  friend class TControl;
  void CreatePeer() override;
  void DestroyPeer() override;
  void FontChanged() override;
  void BoundsChanged() override;
  // Places the aligned children in the client area.
  void AlignControls();

 private:
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);

  std::vector<TControl*> controls_;
  int tab_order_ = -1;
  bool tab_stop_ = false;
};
