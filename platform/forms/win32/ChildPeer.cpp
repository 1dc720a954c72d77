// What every child window on a form shares: placement, visibility, focus,
// the font, and a subclass procedure that reports focus to the form.
#include "platform/forms/win32/Win32Backend.h"

// After <windows.h>, which it needs.
#include <commctrl.h>

namespace win32_backend {

namespace {

FormPeer* FormOf(TControlPeer& parent) {
  if (auto* form = dynamic_cast<FormPeer*>(&parent)) return form;
  return nullptr;
}

}  // namespace

ChildPeer::ChildPeer(TControl& control, TControlPeer& parent)
    : control_(control), form_(FormOf(parent)) {
  if (form_ == nullptr) {
    // A control inside another control still lies on the form's window.
    if (TForm* form = control.ParentForm())
      if (form->Peer() != nullptr) form_ = dynamic_cast<FormPeer*>(form->Peer());
  }
  if (form_ == nullptr) throw EInvalidOperation("Controls can only be placed on a form");
}

ChildPeer::~ChildPeer() {
  DestroyChild();
}

void ChildPeer::CreateChild(const char* window_class, DWORD style, DWORD ex_style,
                            const std::string& text) {
  int x = 0, y = 0;
  Place(x, y);
  if (control_.Visible()) style |= WS_VISIBLE;
  id_ = form_->Attach(*this);
  HWND window = CreateWindowExA(
      ex_style, window_class, text.c_str(), style | WS_CHILD | WS_CLIPSIBLINGS, x, y,
      control_.Width(), control_.Height(), form_->Handle(),
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)), GetModuleHandleA(nullptr), nullptr);
  if (window == nullptr) {
    form_->Detach(*this);
    throw EInvalidOperation(
        Format("Cannot create a window for control '%s'", control_.Name().c_str()));
  }
  window_.Reset(window);
  SetWindowSubclass(window, &ChildPeer::SubclassProc, 0, reinterpret_cast<DWORD_PTR>(this));
  form_->ArrangeChildren();
}

void ChildPeer::DestroyChild() {
  if (form_ != nullptr) form_->Detach(*this);
  if (window_) {
    RemoveWindowSubclass(window_.Get(), &ChildPeer::SubclassProc, 0);
    window_.Reset();
  }
}

void ChildPeer::FormGone() {
  // The system destroys child windows with their parent.
  form_ = nullptr;
  window_.Release();
}

void ChildPeer::ApplyFont() {
  if (!window_) return;
  FontHandle font = MakeFont(*control_.Font());
  SendMessageA(window_.Get(), WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
  font_ = std::move(font);  // the previous font is no longer in use
}

void ChildPeer::Place(int& x, int& y) const {
  x = control_.Left();
  y = control_.Top();
  for (TWinControl* p = control_.Parent(); p != nullptr && !Is<TForm>(p); p = p->Parent()) {
    x += p->Left();
    y += p->Top();
  }
}

void ChildPeer::UpdateBounds() {
  if (!window_) return;
  int x = 0, y = 0;
  Place(x, y);
  SetWindowPos(window_.Get(), nullptr, x, y, control_.Width(), control_.Height(),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void ChildPeer::UpdateVisible() {
  if (window_) ShowWindow(window_.Get(), control_.Visible() ? SW_SHOWNA : SW_HIDE);
}

void ChildPeer::Invalidate() {
  if (window_) InvalidateRect(window_.Get(), nullptr, TRUE);
}

bool ChildPeer::TakeFocus() {
  if (!window_ || !IsWindowVisible(window_.Get()) || !IsWindowEnabled(window_.Get())) return false;
  SetFocus(window_.Get());
  return GetFocus() == window_.Get();
}

bool ChildPeer::HasFocus() const {
  return window_ && GetFocus() == window_.Get();
}

bool ChildPeer::HandleMessage(UINT, WPARAM, LPARAM, LRESULT&) {
  return false;
}

LRESULT CALLBACK ChildPeer::SubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                         UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<ChildPeer*>(data);
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, &ChildPeer::SubclassProc, 0);
    if (self->window_.Get() == window) self->window_.Release();
    return DefSubclassProc(window, message, wparam, lparam);
  }
  if (self->window_.Get() != window) return DefSubclassProc(window, message, wparam, lparam);
  return Guarded(
      [&]() -> LRESULT {
        if (message == WM_SETFOCUS && self->form_ != nullptr && Is<TWinControl>(&self->control_))
          self->form_->Form().FocusReceived(static_cast<TWinControl*>(&self->control_));
        LRESULT result = 0;
        if (self->HandleMessage(message, wparam, lparam, result)) return result;
        return DefSubclassProc(window, message, wparam, lparam);
      },
      0);
}

}  // namespace win32_backend
