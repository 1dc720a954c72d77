#include "platform/forms/Controls.h"

#include <algorithm>

#include "platform/forms/Backend.h"
#include "platform/forms/Forms.h"

const TEnumNames& AlignNames() {
  static const TEnumNames names{{"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"},
                                {}};
  return names;
}

const TEnumNames& FormBorderStyleNames() {
  static const TEnumNames names{
      {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"}, {}};
  return names;
}

const TEnumNames& BorderStyleNames() {
  static const TEnumNames names{{"bsNone", "bsSingle"}, {}};
  return names;
}

// ---------------------------------------------------------------------------
// TControl

TClass TControl::StaticClass() {
  static const TClassInfo info = TClassInfo::Make<TControl>(
      "TControl", inherited::StaticClass(),
      {
          rtti::Int<TControl>("Left", &TControl::Left, &TControl::SetLeft),
          rtti::Int<TControl>("Top", &TControl::Top, &TControl::SetTop),
          rtti::Int<TControl>("Width", &TControl::Width, &TControl::SetWidth),
          rtti::Int<TControl>("Height", &TControl::Height, &TControl::SetHeight),
      });
  return &info;
}

TControl::TControl(TComponent* owner) : TComponent(owner), font_(std::make_unique<TFont>()) {
  font_->OnChange = TNotifyEvent(this, &TControl::FontChangedEvent);
  // The form description reader gives a parent only to components stored
  // under another child; those stored directly under a form lie on it.
  if (Is<TWinControl>(owner) && (owner->ComponentState() & csReading))
    SetParent(static_cast<TWinControl*>(owner));
}

TControl::~TControl() {
  DestroyPeer();
  if (parent_ != nullptr) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent == this) throw EInvalidOperation("A control cannot be its own parent");
  if (parent_ != nullptr) {
    DestroyPeer();
    parent_->RemoveControl(this);
  }
  if (parent != nullptr) {
    parent->InsertControl(this);
    if (parent_font_) CopyParentFont();
    if (align_ != alNone) parent->AlignControls();
    if (parent->Peer() != nullptr) CreatePeer();
  }
}

TForm* TControl::ParentForm() const {
  const TControl* c = this;
  while (c->parent_ != nullptr) c = c->parent_;
  return Is<TForm>(c) ? static_cast<TForm*>(const_cast<TControl*>(c)) : nullptr;
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  BoundsChanged();
  if (parent_ != nullptr && align_ != alNone) parent_->AlignControls();
  if (peer_) peer_->UpdateBounds();
}

bool TControl::Showing() const {
  for (const TControl* c = this; c != nullptr; c = c->parent_)
    if (!c->visible_) return false;
  return true;
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  VisibleChanged();
}

void TControl::VisibleChanged() {
  if (peer_) peer_->UpdateVisible();
  // A control that loses its visibility gives up the focus.
  if (!visible_) {
    TForm* form = ParentForm();
    if (form != nullptr && form != this && Is<TWinControl>(this) &&
        form->ActiveControl() == static_cast<TWinControl*>(this) && form->HandleAllocated() &&
        form->Showing())
      form->SelectNext(static_cast<TWinControl*>(this), true);
  }
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (peer_) peer_->UpdateAppearance();
}

void TControl::SetAlign(TAlign align) {
  if (align == align_) return;
  align_ = align;
  if (parent_ != nullptr) parent_->AlignControls();
}

void TControl::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  if (peer_) peer_->UpdateAppearance();
}

void TControl::SetParentFont(bool parent_font) {
  parent_font_ = parent_font;
  if (parent_font_) CopyParentFont();
}

void TControl::CopyParentFont() {
  if (parent_ == nullptr) return;
  copying_parent_font_ = true;
  try {
    font_->Assign(parent_->Font());
  } catch (...) {
    copying_parent_font_ = false;
    throw;
  }
  copying_parent_font_ = false;
}

void TControl::FontChangedEvent(TObject*) {
  if (!copying_parent_font_) parent_font_ = false;
  FontChanged();
}

void TControl::FontChanged() {
  if (peer_) peer_->UpdateAppearance();
}

void TControl::SetCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  if (peer_) peer_->UpdateAppearance();
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

TComponent* TControl::GetParentComponent() const {
  return parent_;
}

void TControl::SetParentComponent(TComponent* parent) {
  SetParent(As<TWinControl>(parent));
}

std::unique_ptr<TControlPeer> TControl::MakePeer(TControlPeer&) {
  return nullptr;
}

void TControl::CreatePeer() {
  if (peer_ || parent_ == nullptr || parent_->Peer() == nullptr) return;
  peer_ = MakePeer(*parent_->Peer());
}

void TControl::DestroyPeer() {
  peer_.reset();
}

void TControl::Invalidate() {
  if (peer_) peer_->Invalidate();
}

// ---------------------------------------------------------------------------
// TWinControl

TClass TWinControl::StaticClass() {
  static const TClassInfo info = TClassInfo::Make<TWinControl>(
      "TWinControl", inherited::StaticClass(),
      {
          rtti::Int<TWinControl>("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder),
          rtti::Bool<TWinControl>("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop),
      });
  return &info;
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  // Children that outlive this control (owned elsewhere) lose their parent.
  while (!controls_.empty()) controls_.back()->SetParent(nullptr);
}

TControl* TWinControl::Controls(int index) const {
  if (index < 0 || index >= ControlCount())
    throw EListError(Format("List index out of bounds (%d)", index));
  return controls_[static_cast<size_t>(index)];
}

void TWinControl::InsertControl(TControl* control) {
  controls_.push_back(control);
  control->parent_ = this;
}

void TWinControl::RemoveControl(TControl* control) {
  TForm* form = ParentForm();
  if (form != nullptr && Is<TWinControl>(control) &&
      form->ActiveControl() == static_cast<TWinControl*>(control))
    form->active_control_ = nullptr;
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
  control->parent_ = nullptr;
}

bool TWinControl::CanFocus() const {
  if (!Showing() || ParentForm() == nullptr) return false;
  for (const TControl* c = this; c != nullptr; c = c->Parent())
    if (!c->Enabled()) return false;
  return true;
}

void TWinControl::SetFocus() {
  TForm* form = ParentForm();
  if (form == nullptr || !CanFocus())
    throw EInvalidOperation("Cannot focus a disabled or invisible window");
  if (form == this) {
    if (peer_) peer_->TakeFocus();
    return;
  }
  form->active_control_ = this;
  if (peer_) peer_->TakeFocus();
}

HWND TWinControl::Handle() {
  if (!peer_) {
    TForm* form = ParentForm();
    if (form == nullptr)
      throw EInvalidOperation(Format("Control '%s' has no parent window", Name().c_str()));
    form->CreateWindow();
  }
  if (!peer_) throw EInvalidOperation(Format("Control '%s' has no parent window", Name().c_str()));
  return peer_->Handle();
}

void TWinControl::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) {
  for (TControl* c : controls_)
    if (c->Owner() == root) proc(c);
}

void TWinControl::Loaded() {
  inherited::Loaded();
  AlignControls();
}

void TWinControl::CreatePeer() {
  inherited::CreatePeer();
  if (!peer_) return;
  for (TControl* c : controls_) c->CreatePeer();
}

void TWinControl::DestroyPeer() {
  for (TControl* c : controls_) c->DestroyPeer();
  inherited::DestroyPeer();
}

void TWinControl::FontChanged() {
  inherited::FontChanged();
  for (TControl* c : controls_)
    if (c->ParentFont()) c->CopyParentFont();
}

void TWinControl::BoundsChanged() {
  AlignControls();
}

void TWinControl::AlignControls() {
  int left = 0, top = 0, right = ClientWidth(), bottom = ClientHeight();
  // Edges first, in the order top, bottom, left, right; the client last.
  for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
    for (TControl* c : controls_) {
      if (c->align_ != pass) continue;
      int l = c->left_, t = c->top_, w = c->width_, h = c->height_;
      switch (pass) {
        case alTop:
          l = left, t = top, w = right - left;
          top += h;
          break;
        case alBottom:
          l = left, t = bottom - h, w = right - left;
          bottom -= h;
          break;
        case alLeft:
          l = left, t = top, h = bottom - top;
          left += w;
          break;
        case alRight:
          l = right - w, t = top, h = bottom - top;
          right -= w;
          break;
        default:
          l = left, t = top, w = std::max(0, right - left), h = std::max(0, bottom - top);
          break;
      }
      if (l != c->left_ || t != c->top_ || w != c->width_ || h != c->height_) {
        c->left_ = l, c->top_ = t, c->width_ = w, c->height_ = h;
        c->BoundsChanged();
        if (c->peer_) c->peer_->UpdateBounds();
      }
    }
  }
}
