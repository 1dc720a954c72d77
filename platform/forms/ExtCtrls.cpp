#include "platform/forms/ExtCtrls.h"

#include <cstring>

#include "platform/forms/Backend.h"

TClass TImage::StaticClass() {
  static const TClassInfo info = TClassInfo::Make<TImage>(
      "TImage", inherited::StaticClass(),
      {
          rtti::Enum<TImage>("Align", AlignNames(), &TImage::Align, &TImage::SetAlign, alNone),
          rtti::Bool<TImage>("AutoSize", &TImage::AutoSize, &TImage::SetAutoSize, false),
          rtti::Bool<TImage>("Center", &TImage::Center, &TImage::SetCenter, false),
          rtti::Bool<TImage>("Enabled", &TImage::Enabled, &TImage::SetEnabled, true),
          rtti::Object<TImage>("Picture", TPicture::StaticClass(), &TImage::Picture),
          rtti::Bool<TImage>("Stretch", &TImage::Stretch, &TImage::SetStretch, false),
          rtti::Bool<TImage>("Visible", &TImage::Visible, &TImage::SetVisible, true),
          rtti::Event<TControl>("OnClick", &TControl::OnClick),
      });
  return &info;
}

TImage::TImage(TComponent* owner) : TControl(owner), picture_(std::make_unique<TPicture>()) {
  SetBounds(0, 0, 105, 105);
  picture_->OnChange = TNotifyEvent(this, &TImage::PictureChanged);
}

TImage::~TImage() {
  DestroyPeer();
  picture_->OnChange = nullptr;
}

void TImage::SetAutoSize(bool auto_size) {
  auto_size_ = auto_size;
  ApplyAutoSize();
}

void TImage::SetCenter(bool center) {
  center_ = center;
  Invalidate();
}

void TImage::SetStretch(bool stretch) {
  stretch_ = stretch;
  Invalidate();
}

POINT TImage::PictureOrigin() const {
  if (!center_) return {0, 0};
  return {(width_ - picture_->Width()) / 2, (height_ - picture_->Height()) / 2};
}

void TImage::ApplyAutoSize() {
  // An alignment decides the size itself.
  if (!auto_size_ || Align() != alNone) return;
  if (picture_->Width() > 0 && picture_->Height() > 0)
    SetBounds(left_, top_, picture_->Width(), picture_->Height());
}

void TImage::PictureChanged(TObject*) {
  ApplyAutoSize();
  if (peer_) peer_->UpdateAppearance();
}

std::unique_ptr<TControlPeer> TImage::MakePeer(TControlPeer& parent_peer) {
  return FormsBackend().CreateImagePeer(*this, parent_peer);
}

std::vector<uint8_t> GraphicToRGB(TGraphic* graphic) {
  std::vector<uint8_t> rgb;
  if (graphic == nullptr || graphic->Empty()) return rgb;
  const int w = graphic->Width(), h = graphic->Height();
  // Non-bitmap graphics are drawn on a bitmap first.
  std::unique_ptr<TBitmap> drawn;
  TBitmap* bitmap = Is<TBitmap>(graphic) ? static_cast<TBitmap*>(graphic) : nullptr;
  if (bitmap == nullptr) {
    // A metafile's frame, which a few bytes can make huge, sizes this bitmap.
    CheckPixelLimit(w, h, kDefaultMaxPixels);
    drawn = std::make_unique<TBitmap>();
    drawn->SetPixelFormat(pf24bit);
    drawn->SetSize(w, h);
    drawn->Canvas()->Draw(0, 0, graphic);
    bitmap = drawn.get();
  }
  BITMAPINFOHEADER info{};
  info.biSize = sizeof(BITMAPINFOHEADER);
  info.biWidth = w;
  info.biHeight = h;  // bottom-up
  info.biPlanes = 1;
  info.biBitCount = 32;
  info.biCompression = BI_RGB;
  std::vector<uint8_t> bgra(static_cast<size_t>(w) * h * 4);
  HBITMAP handle = bitmap->Handle();
  HDC dc = GetDC(nullptr);
  if (dc == nullptr) throw EInvalidGraphic("Cannot read the picture's pixels");
  const int rows = GetDIBits(dc, handle, 0, static_cast<UINT>(h), bgra.data(),
                             reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  if (rows != h) throw EInvalidGraphic("Cannot read the picture's pixels");
  rgb.resize(static_cast<size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = &bgra[static_cast<size_t>(h - 1 - y) * w * 4];
    uint8_t* dst = &rgb[static_cast<size_t>(y) * w * 3];
    for (int x = 0; x < w; ++x) {
      dst[3 * x] = src[4 * x + 2];
      dst[3 * x + 1] = src[4 * x + 1];
      dst[3 * x + 2] = src[4 * x];
    }
  }
  return rgb;
}
