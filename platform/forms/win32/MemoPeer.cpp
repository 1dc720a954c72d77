// A memo's peer: a system multi-line edit control.
#include "platform/forms/win32/Win32Backend.h"

namespace win32_backend {

namespace {

// The memo's lines as the edit control shows them: lines end in "\r\n", the
// last one without an end.
std::string EditText(const TMemo& memo) {
  std::string lines = memo.Lines()->Text();
  if (!lines.empty() && lines.back() == '\n') lines.pop_back();
  std::string text;
  text.reserve(lines.size() + lines.size() / 8);
  for (char c : lines) {
    if (c == '\n') text += '\r';
    text += c;
  }
  return text;
}

std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthA(window);
  if (length <= 0) return {};
  std::string text(static_cast<size_t>(length) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(window, text.data(), length + 1)));
  return text;
}

class MemoPeer : public ChildPeer {
 public:
  MemoPeer(TMemo& memo, TControlPeer& parent) : ChildPeer(memo, parent), memo_(memo) { Create(); }
  ~MemoPeer() override { DestroyChild(); }

  void UpdateAppearance() override {
    if (Handle() == nullptr) return;
    // Wrapping is chosen when an edit control is made: a change makes a new one.
    if (memo_.WordWrap() != word_wrap_) {
      const bool focused = HasFocus();
      DestroyChild();
      Create();
      if (focused) TakeFocus();
      return;
    }
    HWND window = Handle();
    const std::string text = EditText(memo_);
    if (text != WindowText(window)) {
      setting_text_ = true;
      SetWindowTextA(window, text.c_str());
      setting_text_ = false;
    }
    SendMessageA(window, EM_SETREADONLY, memo_.ReadOnly() ? TRUE : FALSE, 0);
    const LONG_PTR ex_style = GetWindowLongPtrA(window, GWL_EXSTYLE);
    const LONG_PTR wanted = memo_.BorderStyle() == bsSingle ? (ex_style | WS_EX_CLIENTEDGE)
                                                            : (ex_style & ~WS_EX_CLIENTEDGE);
    if (wanted != ex_style) {
      SetWindowLongPtrA(window, GWL_EXSTYLE, wanted);
      SetWindowPos(window, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    BrushHandle brush(CreateSolidBrush(ToColorRef(memo_.Color())));
    if (!brush) OutOfMemoryError();
    background_ = std::move(brush);
    ApplyFont();
    EnableWindow(window, memo_.Enabled() ? TRUE : FALSE);
    InvalidateRect(window, nullptr, TRUE);
  }

  void Command(int code) override {
    if (code != EN_CHANGE || setting_text_) return;
    // The user edited the text: the memo takes it, lines ending in "\n".
    std::string text;
    for (char c : WindowText(Handle()))
      if (c != '\r') text += c;
    TMemo& memo = memo_;
    DispatchGuarded([&memo, &text] { memo.TextEdited(text); });
  }

  HBRUSH ControlColor(HDC dc) override {
    SetTextColor(dc,
                 memo_.Enabled() ? ToColorRef(memo_.Font()->Color()) : GetSysColor(COLOR_GRAYTEXT));
    SetBkColor(dc, ToColorRef(memo_.Color()));
    return background_.Get();
  }

 private:
  void Create() {
    DWORD style = ES_MULTILINE | ES_AUTOVSCROLL | (memo_.TabStop() ? WS_TABSTOP : 0);
    if (!memo_.WordWrap()) style |= ES_AUTOHSCROLL;
    if (memo_.ReadOnly()) style |= ES_READONLY;
    const DWORD ex_style = memo_.BorderStyle() == bsSingle ? WS_EX_CLIENTEDGE : 0;
    word_wrap_ = memo_.WordWrap();
    // Making the window reports no change of its text.
    CreateChild("EDIT", style, ex_style, EditText(memo_));
    UpdateAppearance();
  }

  TMemo& memo_;
  bool word_wrap_ = true;
  bool setting_text_ = false;
  BrushHandle background_;
};

}  // namespace

std::unique_ptr<TControlPeer> Win32Backend::CreateMemoPeer(TMemo& memo, TControlPeer& parent) {
  return std::make_unique<MemoPeer>(memo, parent);
}

}  // namespace win32_backend
