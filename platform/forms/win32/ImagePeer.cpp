// An image's peer: a child window of our own class that paints the picture
// at its natural size over the parent's colour and reports clicks.
#include "platform/forms/win32/Win32Backend.h"

namespace win32_backend {
namespace {

// Attaches a canvas to a context for one drawing and detaches it again.
class CanvasOn {
 public:
  CanvasOn(TCanvas& canvas, HDC dc) : canvas_(canvas) { canvas_.SetHandle(dc); }
  ~CanvasOn() { canvas_.SetHandle(nullptr); }
  CanvasOn(const CanvasOn&) = delete;
  CanvasOn& operator=(const CanvasOn&) = delete;

 private:
  TCanvas& canvas_;
};

class ImagePeer : public ChildPeer {
 public:
  ImagePeer(TImage& image, TControlPeer& parent) : ChildPeer(image, parent), image_(image) {
    CreateChild(kImageClass, 0, 0, std::string());
    UpdateAppearance();
  }
  ~ImagePeer() override { DestroyChild(); }

  bool Graphic() const override { return true; }
  bool TakeFocus() override { return false; }
  void UpdateAppearance() override {
    if (Handle() == nullptr) return;
    EnableWindow(Handle(), image_.Enabled() ? TRUE : FALSE);
    InvalidateRect(Handle(), nullptr, FALSE);
  }

 protected:
  bool HandleMessage(UINT message, WPARAM, LPARAM lparam, LRESULT& result) override {
    switch (message) {
      case WM_ERASEBKGND:
        result = 1;  // painting covers the whole window
        return true;
      case WM_PAINT:
        Paint();
        result = 0;
        return true;
      case WM_LBUTTONDOWN:
        SetCapture(Handle());
        result = 0;
        return true;
      case WM_LBUTTONUP: {
        if (GetCapture() == Handle()) ReleaseCapture();
        RECT client;
        GetClientRect(Handle(), &client);
        const POINT point{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
        if (PtInRect(&client, point)) {
          TImage& image = image_;
          DispatchGuarded([&image] { image.Click(); });
        }
        result = 0;
        return true;
      }
      default:
        return false;
    }
  }

 private:
  void Paint() {
    PaintSession paint(Handle());
    RECT client;
    GetClientRect(Handle(), &client);
    const int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) return;
    // Drawn off screen first, so that the picture never flickers over the
    // background.
    TMemoryDC memory(paint.Get());
    BitmapHandle bitmap(CreateCompatibleBitmap(paint.Get(), width, height));
    if (!bitmap) OutOfMemoryError();
    TSelection selected(memory.Get(), bitmap.Get());
    // Around the picture the parent's colour shows.
    const TColor face = image_.Parent() != nullptr ? image_.Parent()->Color() : clBtnFace;
    BrushHandle brush(CreateSolidBrush(ToColorRef(face)));
    if (!brush) OutOfMemoryError();
    FillRect(memory.Get(), &client, brush.Get());
    TGraphic* graphic = image_.Picture()->Graphic();
    if (graphic != nullptr && !graphic->Empty()) {
      const POINT origin = image_.PictureOrigin();
      TCanvas canvas;
      CanvasOn attached(canvas, memory.Get());
      try {
        canvas.Draw(origin.x, origin.y, graphic);
      } catch (const Exception&) {
        // An unreadable picture shows nothing.
      }
    }
    const RECT& area = paint.Area();
    BitBlt(paint.Get(), area.left, area.top, area.right - area.left, area.bottom - area.top,
           memory.Get(), area.left, area.top, SRCCOPY);
  }

  TImage& image_;
};

}  // namespace

std::unique_ptr<TControlPeer> Win32Backend::CreateImagePeer(TImage& image, TControlPeer& parent) {
  return std::make_unique<ImagePeer>(image, parent);
}

}  // namespace win32_backend
