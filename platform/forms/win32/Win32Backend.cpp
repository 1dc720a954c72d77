// The backend object: window classes, screen size, frames, the message loop.
#include "platform/forms/win32/Win32Backend.h"

#include <commctrl.h>

#include <algorithm>

namespace win32_backend {

void ReportException(std::exception_ptr exception) noexcept {
  try {
    DispatchGuarded([&exception] { std::rethrow_exception(exception); });
  } catch (...) {
    // Showing the error failed as well; nothing may reach the system.
  }
}

namespace {

bool RegisterWindowClass(const char* name, WNDPROC procedure, UINT style) {
  WNDCLASSEXA info{};
  info.cbSize = sizeof info;
  info.style = style;
  info.lpfnWndProc = procedure;
  info.hInstance = GetModuleHandleA(nullptr);
  info.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  info.lpszClassName = name;
  return RegisterClassExA(&info) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

BOOL CALLBACK CollectForm(HWND window, LPARAM data) {
  if (FormPeer::FromWindow(window) != nullptr)
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
  return TRUE;
}

}  // namespace

std::vector<HWND> FormWindows() {
  std::vector<HWND> windows;
  EnumThreadWindows(GetCurrentThreadId(), &CollectForm, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

void DispatchOne(MSG& message) {
  // A quit request belongs to the application, which ends by closing its
  // main form; it is not a window message.
  if (message.message == WM_QUIT) return;
  HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  if (FormPeer* form = FormPeer::FromWindow(root)) {
    // The Tab order may have changed since the last key: the dialog manager
    // walks the z-order, so bring it up to date first.
    if (message.message == WM_KEYDOWN && message.wParam == VK_TAB) form->ArrangeChildren();
    if (IsDialogMessageA(root, &message)) return;
  }
  TranslateMessage(&message);
  DispatchMessageA(&message);
}

// ---------------------------------------------------------------------------

bool Win32Backend::OpenDisplay() {
  if (open_) return true;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  // No double-click messages: two quick clicks on a picture are two clicks.
  if (!RegisterWindowClass(kFormClass, &FormPeer::WindowProc, 0)) return false;
  if (!RegisterWindowClass(kImageClass, &DefWindowProcA, CS_HREDRAW | CS_VREDRAW)) return false;
  open_ = true;
  return true;
}

int Win32Backend::ScreenWidth() {
  return GetSystemMetrics(SM_CXSCREEN);
}

int Win32Backend::ScreenHeight() {
  return GetSystemMetrics(SM_CYSCREEN);
}

TFrameExtents Win32Backend::FrameFor(const TCreateParams& params) const {
  RECT rect{0, 0, 0, 0};
  if (!AdjustWindowRectEx(&rect, params.Style, FALSE, params.ExStyle)) return {};
  return {static_cast<int>(-rect.left), static_cast<int>(-rect.top), static_cast<int>(rect.right),
          static_cast<int>(rect.bottom)};
}

std::unique_ptr<TFormPeer> Win32Backend::CreateFormPeer(TForm& form, const TCreateParams& params) {
  return std::make_unique<FormPeer>(form, params, FrameFor(params));
}

void Win32Backend::WaitAndDispatch(double timeout_seconds) {
  MSG message;
  if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    DWORD wait = INFINITE;
    if (timeout_seconds >= 0)
      wait = static_cast<DWORD>(std::min(timeout_seconds, 86400.0) * 1000.0 + 0.5);
    MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return;
  }
  DispatchOne(message);
}

void Win32Backend::DispatchPending() {
  // Bounded, so that a handler that keeps posting messages cannot hold the
  // caller here for ever.
  MSG message;
  for (int i = 0; i < 10000 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++i)
    DispatchOne(message);
  for (HWND window : FormWindows())
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

bool Win32Backend::AnyWindowShown() const {
  const std::vector<HWND> windows = FormWindows();
  return std::any_of(windows.begin(), windows.end(),
                     [](HWND window) { return IsWindowVisible(window) != FALSE; });
}

int Win32Backend::MessageBox(const TMessageBoxRequest& request) {
  return ShowSystemMessageBox(request);
}

}  // namespace win32_backend

TFormsBackend& FormsBackend() {
  // Never destroyed: windows may be freed by static destructors that run
  // after this function's statics would have been.
  static auto* backend = new win32_backend::Win32Backend();
  return *backend;
}
