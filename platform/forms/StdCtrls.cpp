#include "platform/forms/StdCtrls.h"

#include "platform/forms/Backend.h"

// ---------------------------------------------------------------------------
// TButton

TClass TButton::StaticClass() {
  static const TClassInfo info = TClassInfo::Make<TButton>(
      "TButton", inherited::StaticClass(),
      {
          rtti::String<TButton>("Caption", &TButton::Caption, &TButton::SetCaption),
          rtti::Bool<TButton>("Enabled", &TButton::Enabled, &TButton::SetEnabled, true),
          rtti::Object<TButton>("Font", TFont::StaticClass(), &TButton::Font),
          rtti::Bool<TButton>("ParentFont", &TButton::ParentFont, &TButton::SetParentFont, true),
          rtti::Bool<TButton>("Visible", &TButton::Visible, &TButton::SetVisible, true),
          rtti::Event<TControl>("OnClick", &TControl::OnClick),
      });
  return &info;
}

TButton::TButton(TComponent* owner) : TWinControl(owner) {
  SetTabStop(true);
  SetBounds(0, 0, 75, 25);
}

std::unique_ptr<TControlPeer> TButton::MakePeer(TControlPeer& parent_peer) {
  return FormsBackend().CreateButtonPeer(*this, parent_peer);
}

// ---------------------------------------------------------------------------
// TMemo

TClass TMemo::StaticClass() {
  static const TClassInfo info = TClassInfo::Make<TMemo>(
      "TMemo", inherited::StaticClass(),
      {
          rtti::Enum<TMemo>("Align", AlignNames(), &TMemo::Align, &TMemo::SetAlign, alNone),
          rtti::Enum<TMemo>("BorderStyle", BorderStyleNames(), &TMemo::BorderStyle,
                            &TMemo::SetBorderStyle, bsSingle),
          rtti::Color<TMemo>("Color", ColorNames(), &TMemo::Color, &TMemo::SetColor, clWindow),
          rtti::Bool<TMemo>("Enabled", &TMemo::Enabled, &TMemo::SetEnabled, true),
          rtti::Object<TMemo>("Font", TFont::StaticClass(), &TMemo::Font),
          rtti::Object<TMemo>("Lines", TStrings::StaticClass(), &TMemo::Lines),
          rtti::Bool<TMemo>("ParentFont", &TMemo::ParentFont, &TMemo::SetParentFont, true),
          rtti::Bool<TMemo>("ReadOnly", &TMemo::ReadOnly, &TMemo::SetReadOnly, false),
          rtti::Bool<TMemo>("Visible", &TMemo::Visible, &TMemo::SetVisible, true),
          rtti::Bool<TMemo>("WordWrap", &TMemo::WordWrap, &TMemo::SetWordWrap, true),
          rtti::Event<TControl>("OnClick", &TControl::OnClick),
      });
  return &info;
}

TMemo::TMemo(TComponent* owner) : TWinControl(owner), lines_(std::make_unique<TStringList>()) {
  SetTabStop(true);
  SetColor(clWindow);
  SetBounds(0, 0, 185, 89);
  lines_->OnChange = TNotifyEvent(this, &TMemo::LinesChanged);
}

TMemo::~TMemo() {
  DestroyPeer();
  lines_->OnChange = nullptr;
}

void TMemo::SetReadOnly(bool read_only) {
  read_only_ = read_only;
  if (peer_) peer_->UpdateAppearance();
}

void TMemo::SetWordWrap(bool word_wrap) {
  word_wrap_ = word_wrap;
  if (peer_) peer_->UpdateAppearance();
}

void TMemo::SetBorderStyle(TBorderStyle style) {
  if (style != bsNone && style != bsSingle)
    throw EInvalidOperation("A memo's border style is bsNone or bsSingle");
  border_style_ = style;
  if (peer_) peer_->UpdateAppearance();
}

void TMemo::TextEdited(const std::string& text) {
  editing_ = true;
  try {
    lines_->SetText(text);
  } catch (...) {
    editing_ = false;
    throw;
  }
  editing_ = false;
}

void TMemo::LinesChanged(TObject*) {
  if (peer_ && !editing_) peer_->UpdateAppearance();
}

std::unique_ptr<TControlPeer> TMemo::MakePeer(TControlPeer& parent_peer) {
  return FormsBackend().CreateMemoPeer(*this, parent_peer);
}
