// A button's peer: a system push button.
#include "platform/forms/win32/Win32Backend.h"

namespace win32_backend {
namespace {

class ButtonPeer : public ChildPeer {
 public:
  ButtonPeer(TButton& button, TControlPeer& parent) : ChildPeer(button, parent), button_(button) {
    // '&' in the caption marks the mnemonic, as the system shows it.
    CreateChild("BUTTON", BS_PUSHBUTTON | (button.TabStop() ? WS_TABSTOP : 0), 0, button.Caption());
    UpdateAppearance();
  }
  ~ButtonPeer() override { DestroyChild(); }

  void UpdateAppearance() override {
    HWND window = Handle();
    if (window == nullptr) return;
    SetWindowTextA(window, button_.Caption().c_str());
    ApplyFont();
    EnableWindow(window, button_.Enabled() ? TRUE : FALSE);
    InvalidateRect(window, nullptr, TRUE);
  }
  bool PressedByReturn() const override { return true; }
  void Command(int code) override {
    // A click, Space, Return (through the dialog manager) or a mnemonic.
    if (code == BN_CLICKED) {
      TButton& button = button_;
      DispatchGuarded([&button] { button.Click(); });
    }
  }

 private:
  TButton& button_;
};

}  // namespace

std::unique_ptr<TControlPeer> Win32Backend::CreateButtonPeer(TButton& button,
                                                             TControlPeer& parent) {
  return std::make_unique<ButtonPeer>(button, parent);
}

}  // namespace win32_backend
