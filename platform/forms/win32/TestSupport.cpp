// Test support for the native backend: what the system made of a form's
// window, its pixels as the screen shows them, and input sent through the
// window procedures and the dialog manager.
#include "platform/forms/FormsTest.h"

#include <algorithm>

#include "platform/forms/win32/Win32Backend.h"

using win32_backend::FormPeer;

namespace {

HWND WindowOf(const TControl& control) {
  return control.Peer() != nullptr ? control.Peer()->Handle() : nullptr;
}

// The form's window when it has one of ours.
HWND FormWindow(TForm& form) {
  HWND window = WindowOf(form);
  return FormPeer::FromWindow(window) != nullptr ? window : nullptr;
}

// The control (form's own ones, nested ones too) whose window is window.
TControl* ControlWithWindow(TWinControl& container, HWND window) {
  for (int i = 0; i < container.ControlCount(); ++i) {
    TControl* control = container.Controls(i);
    if (WindowOf(*control) == window) return control;
    if (Is<TWinControl>(control))
      if (TControl* inner = ControlWithWindow(*static_cast<TWinControl*>(control), window))
        return inner;
  }
  return nullptr;
}

// Sets the Shift key's state for the messages dispatched while it lives.
class ShiftState {
 public:
  explicit ShiftState(bool down) {
    GetKeyboardState(saved_);
    BYTE keys[256];
    GetKeyboardState(keys);
    const BYTE state = down ? 0x80 : 0x00;
    keys[VK_SHIFT] = keys[VK_LSHIFT] = state;
    keys[VK_RSHIFT] = 0;
    SetKeyboardState(keys);
  }
  ~ShiftState() { SetKeyboardState(saved_); }
  ShiftState(const ShiftState&) = delete;
  ShiftState& operator=(const ShiftState&) = delete;

 private:
  BYTE saved_[256] = {};
};

}  // namespace

TWindowFacts WindowFacts(TForm& form) {
  TWindowFacts facts;
  HWND window = FormWindow(form);
  if (window == nullptr) return facts;
  facts.Created = true;
  facts.Shown = IsWindowVisible(window) != FALSE;
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE));
  const DWORD ex_style = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE));
  facts.Decorated = (style & WS_CAPTION) == WS_CAPTION;
  facts.RaisedFrame = !facts.Decorated &&
                      ((ex_style & WS_EX_DLGMODALFRAME) || (style & (WS_DLGFRAME | WS_THICKFRAME)));
  RECT outer{}, client{};
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  facts.Left = outer.left;
  facts.Top = outer.top;
  facts.Width = outer.right - outer.left;
  facts.Height = outer.bottom - outer.top;
  facts.ClientLeft = origin.x - outer.left;
  facts.ClientTop = origin.y - outer.top;
  facts.ClientWidth = client.right;
  facts.ClientHeight = client.bottom;
  return facts;
}

void FlushWindows() {
  FormsBackend().DispatchPending();
  for (HWND window : win32_backend::FormWindows())
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  GdiFlush();
  // Waiting for messages (none) lets the system put what was painted on the
  // display.
  MsgWaitForMultipleObjectsEx(0, nullptr, 20, QS_ALLINPUT, 0);
  FormsBackend().DispatchPending();
}

std::vector<uint8_t> ReadWindowPixels(TForm& form) {
  HWND window = FormWindow(form);
  if (window == nullptr || !IsWindowVisible(window)) return {};
  FlushWindows();
  RECT outer{};
  GetWindowRect(window, &outer);
  const int width = outer.right - outer.left, height = outer.bottom - outer.top;
  if (width <= 0 || height <= 0) return {};
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  TWindowDC screen;
  void* bits = nullptr;
  win32_backend::BitmapHandle dib(
      CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  TMemoryDC memory(screen.Get());
  if (!dib || bits == nullptr) OutOfMemoryError();
  {
    TSelection selected(memory.Get(), dib.Get());
    if (!BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), outer.left, outer.top,
                SRCCOPY | CAPTUREBLT))
      return {};
  }
  GdiFlush();
  const auto* bgra = static_cast<const uint8_t*>(bits);
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n; ++i) {
    rgb[3 * i] = bgra[4 * i + 2];
    rgb[3 * i + 1] = bgra[4 * i + 1];
    rgb[3 * i + 2] = bgra[4 * i];
  }
  return rgb;
}

void ClickAt(TForm& form, int x, int y, int button) {
  HWND window = FormWindow(form);
  if (window == nullptr) return;
  // The topmost shown, enabled child window at the point takes the click.
  HWND target = ChildWindowFromPointEx(window, POINT{x, y},
                                       CWP_SKIPINVISIBLE | CWP_SKIPDISABLED | CWP_SKIPTRANSPARENT);
  if (target == nullptr) return;
  char name[16] = {};
  GetClassNameA(target, name, sizeof name);
  if (button == 1 && target != window && lstrcmpiA(name, "Button") == 0) {
    SendMessageA(target, BM_CLICK, 0, 0);
  } else {
    POINT point{x, y};
    MapWindowPoints(window, target, &point, 1);
    const LPARAM at = MAKELPARAM(point.x, point.y);
    const UINT down = button == 1 ? WM_LBUTTONDOWN : button == 2 ? WM_MBUTTONDOWN : WM_RBUTTONDOWN;
    const WPARAM held = button == 1 ? MK_LBUTTON : button == 2 ? MK_MBUTTON : MK_RBUTTON;
    SendMessageA(target, down, held, at);
    SendMessageA(target, down + 1, 0, at);  // the matching button-up message
  }
  FormsBackend().DispatchPending();
}

void ClickControl(TControl& control, int button) {
  TForm* form = control.ParentForm();
  if (form == nullptr) return;
  int x = control.Left() + control.Width() / 2, y = control.Top() + control.Height() / 2;
  for (TWinControl* p = control.Parent(); p != nullptr && p != form; p = p->Parent()) {
    x += p->Left();
    y += p->Top();
  }
  ClickAt(*form, x, y, button);
}

void PressKey(TForm& form, int virtual_key, bool shift) {
  HWND window = FormWindow(form);
  if (window == nullptr) return;
  HWND target = GetFocus();
  if (target != window && !IsChild(window, target)) target = window;
  const UINT scan = MapVirtualKeyA(static_cast<UINT>(virtual_key), MAPVK_VK_TO_VSC);
  const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
  const LPARAM up = down | (LPARAM{1} << 30) | (LPARAM{1} << 31);
  ShiftState state(shift);
  // Posted, so that the message loop hands them to the dialog manager.
  PostMessageA(target, WM_KEYDOWN, static_cast<WPARAM>(virtual_key), down);
  PostMessageA(target, WM_KEYUP, static_cast<WPARAM>(virtual_key), up);
  FormsBackend().DispatchPending();
}

TControl* ToolkitFocus(TForm& form) {
  HWND focus = GetFocus();
  if (focus == nullptr) return nullptr;
  return ControlWithWindow(form, focus);
}

bool WidgetShown(TControl& control) {
  HWND window = WindowOf(control);
  return window != nullptr && IsWindowVisible(window);
}

std::string MemoWidgetText(TMemo& memo) {
  HWND window = WindowOf(memo);
  if (window == nullptr) return {};
  const int length = GetWindowTextLengthA(window);
  std::string text(static_cast<size_t>(std::max(length, 0)) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(window, text.data(), length + 1)));
  std::string lines;
  for (char c : text)
    if (c != '\r') lines += c;
  return lines;
}
