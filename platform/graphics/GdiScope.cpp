#include "platform/graphics/GdiScope.h"

#include <algorithm>

namespace graphics_internal {

ScreenMemoryDC::ScreenMemoryDC() {
  ScreenDC screen;
  dc_ = CreateCompatibleDC(screen.Get());
  if (dc_ == nullptr) OutOfMemoryError();
  placeholder_ = CreateCompatibleBitmap(screen.Get(), 1, 1);
  if (placeholder_ != nullptr) old_ = SelectObject(dc_, placeholder_);
  if (placeholder_ == nullptr || old_ == nullptr) {
    if (placeholder_ != nullptr) DeleteObject(placeholder_);
    DeleteDC(dc_);
    OutOfMemoryError();
  }
}

ScreenMemoryDC::~ScreenMemoryDC() {
  SelectObject(dc_, old_);
  DeleteObject(placeholder_);
  DeleteDC(dc_);
}

std::vector<PALETTEENTRY> PaletteEntries(HPALETTE palette) {
  if (palette == nullptr) return {};
  const UINT count = GetPaletteEntries(palette, 0, 0, nullptr);
  if (count == 0 || count > 1024) return {};
  std::vector<PALETTEENTRY> entries(count);
  const UINT got = GetPaletteEntries(palette, 0, count, entries.data());
  entries.resize(std::min(got, count));
  return entries;
}

HPALETTE MakePalette(const std::vector<PALETTEENTRY>& entries) {
  if (entries.empty()) return nullptr;
  std::vector<uint8_t> block(sizeof(LOGPALETTE) + entries.size() * sizeof(PALETTEENTRY));
  auto* log = reinterpret_cast<LOGPALETTE*>(block.data());
  log->palVersion = 0x300;
  log->palNumEntries = static_cast<WORD>(entries.size());
  std::copy(entries.begin(), entries.end(), log->palPalEntry);
  HPALETTE palette = CreatePalette(log);
  if (palette == nullptr) OutOfMemoryError();
  return palette;
}

HPALETTE CopyPalette(HPALETTE palette) {
  if (palette == nullptr) return nullptr;
  return MakePalette(PaletteEntries(palette));
}

bool BitmapSize(HBITMAP bitmap, int& width, int& height, int& bits_per_pixel) {
  BITMAP info{};
  if (bitmap == nullptr || GetObjectA(bitmap, sizeof info, &info) == 0) return false;
  width = info.bmWidth;
  height = info.bmHeight;
  bits_per_pixel = info.bmBitsPixel * info.bmPlanes;
  return true;
}

HBITMAP MakeScreenBitmap(int width, int height, COLORREF fill, HBITMAP source, HPALETTE palette) {
  GdiObject<HBITMAP> result;
  {
    ScreenDC screen;
    result.Reset(CreateCompatibleBitmap(screen.Get(), width, height));
  }
  if (!result) OutOfMemoryError();

  MemoryDC target;
  Selection target_bitmap(target.Get(), result.Get());
  if (!target_bitmap.ok()) OutOfMemoryError();
  PaletteSelection target_palette(target.Get(), palette);
  {
    GdiObject<HBRUSH> brush(CreateSolidBrush(fill));
    const RECT all{0, 0, width, height};
    if (brush) ::FillRect(target.Get(), &all, brush.Get());
  }
  if (source != nullptr) {
    int w = 0, h = 0, bpp = 0;
    if (BitmapSize(source, w, h, bpp)) {
      MemoryDC from;
      Selection source_bitmap(from.Get(), source);
      if (source_bitmap.ok()) {
        PaletteSelection source_palette(from.Get(), palette);
        BitBlt(target.Get(), 0, 0, std::min(w, width), std::min(h, height), from.Get(), 0, 0,
               SRCCOPY);
      }
    }
  }
  return result.Release();
}

}  // namespace graphics_internal
