#include "platform/graphics/Bitmap.h"

#include <algorithm>
#include <new>

#include "platform/graphics/BmpFormat.h"
#include "platform/graphics/GdiGuards.h"
#include "platform/graphics/Palettes.h"

using namespace graphics_internal;

// The bitmap's canvas: a memory context, made when drawing starts, with the
// bitmap and its palette selected; FreeContext takes them out again.
class TBitmap::TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(TBitmap* bitmap) : bitmap_(bitmap) {}
  ~TBitmapCanvas() override { FreeContext(); }

  void FreeContext() {
    if (!HandleAllocated()) return;
    HDC dc = Handle();
    SetHandle(nullptr);
    if (old_palette_ != nullptr) SelectPalette(dc, old_palette_, TRUE);
    if (old_bitmap_ != nullptr) SelectObject(dc, old_bitmap_);
    DeleteDC(dc);
    old_palette_ = nullptr;
    old_bitmap_ = nullptr;
  }

 protected:
  void CreateHandle() override {
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc == nullptr) OutOfMemoryError();
    if (bitmap_->handle_ != nullptr) {
      old_bitmap_ = SelectObject(dc, bitmap_->handle_);
      if (old_bitmap_ == nullptr) {
        DeleteDC(dc);
        throw EInvalidOperation("Cannot select the bitmap into its canvas");
      }
    }
    if (bitmap_->palette_ != nullptr) {
      old_palette_ = SelectPalette(dc, bitmap_->palette_, TRUE);
      RealizePalette(dc);
    }
    SetHandle(dc);
  }

 private:
  TBitmap* bitmap_;
  HGDIOBJ old_bitmap_ = nullptr;
  HPALETTE old_palette_ = nullptr;
};

namespace {

int BitsOf(TPixelFormat format) {
  switch (format) {
    case pf1bit:
      return 1;
    case pf4bit:
      return 4;
    case pf8bit:
      return 8;
    case pf15bit:
    case pf16bit:
      return 16;
    case pf32bit:
      return 32;
    default:
      return 24;
  }
}

TPixelFormat FormatOf(const Dib& dib) {
  switch (dib.file_bits) {
    case 1:
      return pf1bit;
    case 4:
      return pf4bit;
    case 8:
      return pf8bit;
    case 16:
      return dib.rgb565 ? pf16bit : pf15bit;
    case 32:
      return pf32bit;
    default:
      return pf24bit;
  }
}

// Width, height and bits per pixel of a bitmap; false for an invalid handle.
bool BitmapSize(HBITMAP bitmap, int& width, int& height, int& bits_per_pixel) {
  BITMAP info{};
  if (bitmap == nullptr || GetObjectA(bitmap, sizeof info, &info) == 0) return false;
  width = info.bmWidth;
  height = info.bmHeight;
  bits_per_pixel = info.bmBitsPixel * info.bmPlanes;
  return true;
}

// A new bitmap of the screen's format, width x height, filled with colour
// (an RGB value) and with the top-left part of source (when not null) copied
// in through palette. Raises EOutOfMemory when it cannot be made.
HBITMAP MakeScreenBitmap(int width, int height, COLORREF fill, HBITMAP source, HPALETTE palette) {
  TGdiObject<HBITMAP> result;
  {
    TWindowDC screen;
    result.Reset(CreateCompatibleBitmap(screen.Get(), width, height));
  }
  if (!result) OutOfMemoryError();

  TMemoryDC target;
  TSelection target_bitmap(target.Get(), result.Get());
  TPaletteSelection target_palette(target.Get(), palette);
  {
    TGdiObject<HBRUSH> brush(CreateSolidBrush(fill));
    const RECT all{0, 0, width, height};
    if (brush) ::FillRect(target.Get(), &all, brush.Get());
  }
  int w = 0, h = 0, bpp = 0;
  if (source != nullptr && BitmapSize(source, w, h, bpp)) {
    TMemoryDC from;
    TSelection source_bitmap(from.Get(), source);
    TPaletteSelection source_palette(from.Get(), palette);
    BitBlt(target.Get(), 0, 0, std::min(w, width), std::min(h, height), from.Get(), 0, 0, SRCCOPY);
  }
  return result.Release();
}

}  // namespace

VASK_DEFINE_CLASS(TBitmap)

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
  delete canvas_;
  if (handle_ != nullptr) DeleteObject(handle_);
  if (palette_ != nullptr) DeleteObject(palette_);
}

void TBitmap::FreeCanvasContext() {
  if (canvas_ != nullptr) canvas_->FreeContext();
}

void TBitmap::Replace(HBITMAP handle, HPALETTE palette) {
  FreeCanvasContext();
  if (handle != handle_) {
    if (handle_ != nullptr) DeleteObject(handle_);
    handle_ = handle;
  }
  if (palette != palette_) {
    if (palette_ != nullptr) DeleteObject(palette_);
    palette_ = palette;
  }
}

void TBitmap::Assign(TPersistent* source) {
  if (source == this) return;
  if (source == nullptr) {
    Replace(nullptr, nullptr);
    width_ = height_ = 0;
    pixel_format_ = pfDevice;
    Changed();
    return;
  }
  auto* other = dynamic_cast<TBitmap*>(source);
  if (other == nullptr) {
    inherited::Assign(source);
    return;
  }
  TGdiObject<HPALETTE> palette(CopyPalette(other->palette_));
  TGdiObject<HBITMAP> bitmap;
  if (!other->Empty()) {
    HBITMAP from = other->Handle();
    bitmap.Reset(
        MakeScreenBitmap(other->width_, other->height_, RGB(255, 255, 255), from, other->palette_));
  }
  Replace(bitmap.Release(), palette.Release());
  width_ = other->width_;
  height_ = other->height_;
  pixel_format_ = other->pixel_format_;
  Changed();
}

HBITMAP TBitmap::Handle() {
  FreeCanvasContext();
  return handle_;
}

void TBitmap::SetHandle(HBITMAP bitmap) {
  Replace(bitmap, palette_);
  int w = 0, h = 0, bpp = 0;
  if (bitmap == nullptr || !BitmapSize(bitmap, w, h, bpp)) w = h = 0;
  width_ = w;
  height_ = h;
  pixel_format_ = pfDevice;
  Changed();
}

HBITMAP TBitmap::ReleaseHandle() {
  FreeCanvasContext();
  HBITMAP result = handle_;
  handle_ = nullptr;
  width_ = height_ = 0;
  return result;
}

void TBitmap::SetPalette(HPALETTE palette) {
  Replace(handle_, palette);
  Changed();
}

HPALETTE TBitmap::ReleasePalette() {
  FreeCanvasContext();
  HPALETTE result = palette_;
  palette_ = nullptr;
  return result;
}

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_ && (handle_ != nullptr || width == 0 || height == 0))
    return;
  if (width == 0 || height == 0) {
    Replace(nullptr, palette_);
  } else {
    const TColor fill = ColorToRGB(canvas_ != nullptr ? canvas_->Brush()->Color() : clWhite);
    FreeCanvasContext();
    HBITMAP bitmap =
        MakeScreenBitmap(width, height, static_cast<COLORREF>(fill), handle_, palette_);
    Replace(bitmap, palette_);
  }
  width_ = width;
  height_ = height;
  Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == pixel_format_) return;
  const int bits = BitsOf(format);
  if (bits <= 8 && palette_ == nullptr) {
    HPALETTE palette = MakePalette(StandardPalette(bits));
    Replace(handle_, palette);
  }
  pixel_format_ = format;
  Changed();
}

TCanvas* TBitmap::Canvas() {
  if (canvas_ == nullptr) {
    canvas_ = new TBitmapCanvas(this);
    canvas_->OnChange = [this](TObject*) { Changed(); };
  }
  return canvas_;
}

void TBitmap::LoadFromStream(TStream& stream) {
  ReadBmp(stream, stream.Size() - stream.Position());
}

void TBitmap::SaveToStream(TStream& stream) {
  WriteBmp(stream);
}

void TBitmap::ReadBmp(TStream& stream, int64_t limit) {
  const Dib dib = ReadBmpFile(stream, limit);
  TGdiObject<HPALETTE> palette;
  if (dib.file_bits <= 8)
    palette.Reset(
        MakePalette(ColorTableEntries(dib.Colors(), static_cast<size_t>(dib.colors_used))));
  TGdiObject<HBITMAP> bitmap;
  {
    TScreenMemoryDC dc;
    TPaletteSelection selection(dc.Get(), palette.Get());
    bitmap.Reset(CreateDIBitmap(dc.Get(), &dib.Header(), CBM_INIT, dib.bits.data(), dib.Info(),
                                DIB_RGB_COLORS));
  }
  if (!bitmap) OutOfMemoryError();
  Replace(bitmap.Release(), palette.Release());
  width_ = dib.Header().biWidth;
  height_ = dib.Header().biHeight;
  pixel_format_ = FormatOf(dib);
  Changed();
}

void TBitmap::WriteBmp(TStream& stream) {
  if (Empty()) return;
  HBITMAP bitmap = Handle();
  int bits = BitsOf(pixel_format_);
  if (pixel_format_ == pfDevice) {
    int w = 0, h = 0, device_bits = 0;
    if (BitmapSize(bitmap, w, h, device_bits) && device_bits <= 8) bits = device_bits;
  }

  std::vector<RGBQUAD> colors;
  if (bits <= 8) {
    std::vector<PALETTEENTRY> entries = PaletteEntries(palette_);
    if (entries.empty()) entries = StandardPalette(bits);
    entries.resize(std::min<size_t>(entries.size(), size_t{1} << bits));
    for (const PALETTEENTRY& e : entries)
      colors.push_back(RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0});
  }

  std::vector<uint8_t> pixels;
  try {
    pixels.resize(static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4);
  } catch (const std::bad_alloc&) {
    OutOfMemoryError();
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = height_;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  {
    TScreenMemoryDC dc;
    TPaletteSelection selection(dc.Get(), palette_);
    if (GetDIBits(dc.Get(), bitmap, 0, static_cast<UINT>(height_), pixels.data(), &info,
                  DIB_RGB_COLORS) == 0)
      throw EInvalidGraphic("Cannot obtain a Device Independent Bitmap");
  }
  const std::vector<uint8_t> rows =
      ConvertFromBgrx(pixels.data(), width_, height_, bits, pixel_format_ == pf16bit, colors);
  WriteBmpFile(stream, width_, height_, bits, pixel_format_ == pf16bit, colors, rows);
}

void TBitmap::ReadData(TStream& stream) {
  uint32_t length = 0;
  stream.ReadBuffer(&length, sizeof length);
  if (length == 0) {
    Replace(nullptr, nullptr);
    width_ = height_ = 0;
    pixel_format_ = pfDevice;
    Changed();
    return;
  }
  const int64_t start = stream.Position();
  if (static_cast<int64_t>(length) > stream.Size() - start) InvalidBitmap();
  ReadBmp(stream, length);
  stream.Seek(start + length, soFromBeginning);
}

void TBitmap::WriteData(TStream& stream) {
  TMemoryStream file;
  WriteBmp(file);
  const uint32_t length = static_cast<uint32_t>(file.Size());
  stream.WriteBuffer(&length, sizeof length);
  if (length > 0) stream.WriteBuffer(file.Memory(), static_cast<int32_t>(length));
}

void TBitmap::Draw(TCanvas& canvas, const RECT& rect) {
  if (Empty()) return;
  HDC source = Canvas()->Handle();
  HDC dest = canvas.Handle();
  TPaletteSelection selection(dest, palette_, true);
  const int old_mode = SetStretchBltMode(dest, COLORONCOLOR);
  StretchBlt(dest, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, source, 0,
             0, width_, height_, SRCCOPY);
  if (old_mode != 0) SetStretchBltMode(dest, old_mode);
}
