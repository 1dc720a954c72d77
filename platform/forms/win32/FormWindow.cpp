// A form's top-level window: made from the form's creation parameters,
// painted in the form's colour, and the place where the child windows'
// notifications arrive.
#include <algorithm>
#include <cstring>

#include "platform/forms/win32/Win32Backend.h"

namespace win32_backend {

FormPeer::FormPeer(TForm& form, const TCreateParams& params, TFrameExtents frame)
    : form_(form), frame_(frame) {
  // The window is shown when the form says so, not by its creation style.
  const DWORD style = params.Style & ~WS_VISIBLE;
  HWND window = CreateWindowExA(params.ExStyle, kFormClass, params.Caption.c_str(), style, params.X,
                                params.Y, form.ClientWidth() + frame.Left + frame.Right,
                                form.ClientHeight() + frame.Top + frame.Bottom, params.WndParent,
                                nullptr, GetModuleHandleA(nullptr), this);
  if (window == nullptr) throw EInvalidOperation("Cannot create a window for the form");
  window_.Reset(window);
  try {
    UpdateAppearance();
  } catch (...) {
    // The window goes with this half-made peer; it must not reach it.
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    throw;
  }
}

FormPeer::~FormPeer() {
  destroying_ = true;
  // Child windows go with the form's window.
  for (ChildPeer* child : children_) child->FormGone();
  children_.clear();
  if (window_) SetWindowLongPtrA(window_.Get(), GWLP_USERDATA, 0);
  window_.Reset();
}

FormPeer* FormPeer::FromWindow(HWND window) {
  if (window == nullptr) return nullptr;
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId()) return nullptr;
  char name[sizeof kFormClass + 1] = {};
  if (GetClassNameA(window, name, sizeof name) == 0 || std::strcmp(name, kFormClass) != 0)
    return nullptr;
  return reinterpret_cast<FormPeer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void FormPeer::UpdateBounds() {
  SetWindowPos(window_.Get(), nullptr, 0, 0, form_.ClientWidth() + frame_.Left + frame_.Right,
               form_.ClientHeight() + frame_.Top + frame_.Bottom,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormPeer::UpdateVisible() {
  if (form_.Visible()) {
    ArrangeChildren();
    ShowWindow(window_.Get(), SW_SHOW);
    UpdateWindow(window_.Get());
  } else {
    ShowWindow(window_.Get(), SW_HIDE);
  }
}

void FormPeer::UpdateAppearance() {
  HWND window = window_.Get();
  // The window text is also the task-bar entry: the main form shows the
  // application's title there when it has no caption of its own.
  std::string text = form_.Caption();
  if (text.empty() && Application != nullptr && Application->MainForm() == &form_)
    text = Application->Title();
  SetWindowTextA(window, text.c_str());
  BrushHandle brush(CreateSolidBrush(ToColorRef(form_.Color())));
  if (!brush) OutOfMemoryError();
  background_ = std::move(brush);
  // The new icons are in place before the old ones are destroyed.
  IconHandle big_icon = MakeIcon(*form_.Icon(), GetSystemMetrics(SM_CXICON));
  IconHandle small_icon = MakeIcon(*form_.Icon(), GetSystemMetrics(SM_CXSMICON));
  SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big_icon.Get()));
  SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon.Get()));
  big_icon_ = std::move(big_icon);
  small_icon_ = std::move(small_icon);
  Invalidate();
}

void FormPeer::Invalidate() {
  RedrawWindow(window_.Get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

bool FormPeer::TakeFocus() {
  SetFocus(window_.Get());
  return GetFocus() == window_.Get();
}

bool FormPeer::HasFocus() const {
  return GetFocus() == window_.Get();
}

int FormPeer::WindowWidth() const {
  RECT rect{};
  GetWindowRect(window_.Get(), &rect);
  return rect.right - rect.left;
}

int FormPeer::WindowHeight() const {
  RECT rect{};
  GetWindowRect(window_.Get(), &rect);
  return rect.bottom - rect.top;
}

void FormPeer::MoveTo(int left, int top) {
  SetWindowPos(window_.Get(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int FormPeer::WindowLeft() const {
  RECT rect{};
  GetWindowRect(window_.Get(), &rect);
  return rect.left;
}

int FormPeer::WindowTop() const {
  RECT rect{};
  GetWindowRect(window_.Get(), &rect);
  return rect.top;
}

// ---------------------------------------------------------------------------
// Child windows

int FormPeer::Attach(ChildPeer& child) {
  // The smallest free id from 100 on: clear of IDOK and IDCANCEL, and within
  // the 16 bits that WM_COMMAND carries however often windows are remade.
  int id = 100;
  while (std::any_of(children_.begin(), children_.end(),
                     [id](const ChildPeer* other) { return other->Id() == id; }))
    ++id;
  children_.push_back(&child);
  return id;
}

void FormPeer::Detach(ChildPeer& child) {
  children_.erase(std::remove(children_.begin(), children_.end(), &child), children_.end());
}

ChildPeer* FormPeer::ChildOf(HWND window) const {
  if (window == nullptr) return nullptr;
  for (ChildPeer* child : children_)
    if (child->Handle() == window) return child;
  return nullptr;
}

void FormPeer::ArrangeChildren() {
  std::vector<ChildPeer*> order;
  auto peer_of = [this](const TControl* control) -> ChildPeer* {
    for (ChildPeer* child : children_)
      if (&child->Control() == control) return child;
    return nullptr;
  };
  for (TWinControl* control : form_.TabList())
    if (ChildPeer* child = peer_of(control)) order.push_back(child);
  for (bool graphic : {false, true})
    for (ChildPeer* child : children_)
      if (child->Graphic() == graphic &&
          std::find(order.begin(), order.end(), child) == order.end())
        order.push_back(child);

  HWND previous = HWND_TOP;
  for (ChildPeer* child : order) {
    HWND window = child->Handle();
    if (window == nullptr) continue;
    const auto* control = Is<TWinControl>(&child->Control())
                              ? static_cast<const TWinControl*>(&child->Control())
                              : nullptr;
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    const LONG_PTR wanted =
        (control != nullptr && control->TabStop()) ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
    if (wanted != style) SetWindowLongPtrA(window, GWL_STYLE, wanted);
    // Moved only when out of place, so that nothing is repainted needlessly.
    const HWND above = previous == HWND_TOP ? nullptr : previous;
    const HWND current =
        above == nullptr ? GetWindow(window_.Get(), GW_CHILD) : GetWindow(above, GW_HWNDNEXT);
    if (current != window)
      SetWindowPos(window, previous, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    previous = window;
  }
}

// ---------------------------------------------------------------------------
// Focus

void FormPeer::RestoreFocus() {
  // Activation gives the focus back to the form's active control.
  TWinControl* active = form_.ActiveControl();
  HWND target = window_.Get();
  if (active != nullptr && active->CanFocus() && active->Peer() != nullptr)
    target = active->Peer()->Handle();
  SetFocus(target);
}

void FormPeer::MoveFocus(bool backward) {
  ArrangeChildren();
  HWND focus = GetFocus();
  if (focus != nullptr && !IsChild(window_.Get(), focus)) focus = nullptr;
  HWND next = GetNextDlgTabItem(window_.Get(), focus, backward ? TRUE : FALSE);
  if (next != nullptr) SetFocus(next);
}

// ---------------------------------------------------------------------------
// The window procedure

LRESULT CALLBACK FormPeer::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<FormPeer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr || self->destroying_ || self->window_.Get() != window) {
    // While the window is being made, window_ is not set yet; messages then
    // get the default handling.
    return DefWindowProcA(window, message, wparam, lparam);
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    self->window_.Release();
    return DefWindowProcA(window, message, wparam, lparam);
  }
  return Guarded([&] { return self->HandleMessage(message, wparam, lparam); }, 0);
}

LRESULT FormPeer::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  HWND window = window_.Get();
  switch (message) {
    case WM_ERASEBKGND: {
      RECT rect;
      GetClientRect(window, &rect);
      FillRect(reinterpret_cast<HDC>(wparam), &rect, background_.Get());
      return 1;
    }
    case WM_COMMAND: {
      // Notifications of the child windows. IDOK and IDCANCEL from the
      // dialog manager (Return with no button focused, Escape) do nothing:
      // the form decides what keys mean.
      ChildPeer* child = ChildOf(reinterpret_cast<HWND>(lparam));
      if (child != nullptr && LOWORD(wparam) == child->Id()) child->Command(HIWORD(wparam));
      return 0;
    }
    case DM_GETDEFID: {
      // Return presses the focused push button.
      ChildPeer* child = ChildOf(GetFocus());
      if (child != nullptr && child->PressedByReturn())
        return MAKELRESULT(child->Id(), DC_HASDEFID);
      return 0;
    }
    case WM_NEXTDLGCTL:
      // Sent by controls that take Tab themselves (a multi-line edit).
      if (LOWORD(lparam) != 0) {
        HWND target = reinterpret_cast<HWND>(wparam);
        if (IsChild(window, target)) SetFocus(target);
      } else {
        MoveFocus(wparam != 0);
      }
      return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      if (ChildPeer* child = ChildOf(reinterpret_cast<HWND>(lparam)))
        if (HBRUSH brush = child->ControlColor(reinterpret_cast<HDC>(wparam)))
          return reinterpret_cast<LRESULT>(brush);
      break;
    case WM_ACTIVATE:
      if (LOWORD(wparam) != WA_INACTIVE && HIWORD(wparam) == 0) {
        RestoreFocus();
        return 0;
      }
      break;
    case WM_CLOSE:
      // The close box or Alt+F4: the form decides.
      DispatchGuarded([this] { form_.Close(); });
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace win32_backend
