// Picture controls.
#pragma once

#include <memory>

#include "platform/forms/Controls.h"

// Shows a picture on its parent's client area, beneath the windowed controls
// (buttons, memos) that overlap it. Not focusable.
//
// The picture is drawn at its natural size: at the control's top-left, or
// with Center in the middle of the control (possibly overlapping its edges,
// which clip it). Stretch is kept for streaming but the picture is never
// scaled. AutoSize makes the control as large as the picture unless an
// alignment sets its size. A mouse click fires OnClick.
class TImage : public TControl {
  VASK_CLASS(TImage, TControl)
 public:
  explicit TImage(TComponent* owner);
  ~TImage() override;

  // The picture (owned by the image); changes redraw the control.
  TPicture* Picture() const { return picture_.get(); }
  void SetPicture(TPicture* picture) { picture_->Assign(picture); }
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool auto_size);
  bool Center() const { return center_; }
  void SetCenter(bool center);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool stretch);

  // Where the picture's top-left corner lies, relative to the control.
  POINT PictureOrigin() const;

 protected:
  std::unique_ptr<TControlPeer> MakePeer(TControlPeer& parent_peer) override;

 private:
  void PictureChanged(TObject*);
  void ApplyAutoSize();
  std::unique_ptr<TPicture> picture_;
  bool auto_size_ = false;
  bool center_ = false;
  bool stretch_ = false;
};

// The pixels of a graphic as 8-bit red, green, blue triples, rows top to
// bottom, width * height * 3 bytes; empty for an empty graphic. Bitmaps are
// read with GetDIBits at 32 bits a pixel; other graphics are first drawn on
// a bitmap, within the pixel limit of CheckPixelLimit (kDefaultMaxPixels).
// Raises EInvalidGraphic when the pixels cannot be read.
std::vector<uint8_t> GraphicToRGB(TGraphic* graphic);
