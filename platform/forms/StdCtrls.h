// Standard controls: push buttons and multi-line text panels.
#pragma once

#include <memory>

#include "platform/classes/Strings.h"
#include "platform/forms/Controls.h"

// A push button with a caption. A mouse click, or Space or Return while it
// has the focus, fires OnClick. Tab stops at it.
class TButton : public TWinControl {
  VASK_CLASS(TButton, TWinControl)
 public:
  explicit TButton(TComponent* owner);

 protected:
  std::unique_ptr<TControlPeer> MakePeer(TControlPeer& parent_peer) override;
};

// A multi-line text panel. Lines holds the text, one string a line. Tab
// stops at it; with ReadOnly the user cannot change the text.
class TMemo : public TWinControl {
  VASK_CLASS(TMemo, TWinControl)
 public:
  explicit TMemo(TComponent* owner);
  ~TMemo() override;

  // The lines (owned by the memo).
  TStrings* Lines() const { return lines_.get(); }
  void SetLines(TStrings* lines) { lines_->Assign(lines); }
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool read_only);
  // Long lines wrap at the right edge when true; otherwise they run on.
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool word_wrap);
  // bsSingle draws a sunken border; bsNone none.
  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle style);

  // Called by the peer when the user edited the text.
  void TextEdited(const std::string& text);

 protected:
  std::unique_ptr<TControlPeer> MakePeer(TControlPeer& parent_peer) override;

 private:
  void LinesChanged(TObject*);
  std::unique_ptr<TStringList> lines_;
  bool read_only_ = false;
  bool word_wrap_ = true;
  TBorderStyle border_style_ = bsSingle;
  bool editing_ = false;
};
