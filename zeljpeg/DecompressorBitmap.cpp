// TJPEGDecompressor's decodes into device-dependent bitmaps and TBitmap.
#include <memory>
#include <new>
#include <optional>

#include "platform/gdi/BitmapRows.h"
#include "platform/graphics/GdiGuards.h"
#include "platform/graphics/Graphics.h"
#include "platform/graphics/Palettes.h"
#include "zeljpeg/Decompressor.h"
#include "zeljpeg/Scopes.h"

void TJPEGDecompressor::ReadWinBitmap(HBITMAP& bitmap, HPALETTE& palette) {
  bitmap = nullptr;
  palette = nullptr;
  // A decode from one of the component's own handlers is refused before it
  // touches the codec; a failure before or after the decode itself
  // (allocation, handles) must not leave the codec object half-way through
  // an image.
  TConversionScope conversion(*this, kBusyMessage);
  TCodecReset reset(*this);
  DecodeWinBitmap(bitmap, palette);
}

void TJPEGDecompressor::DecodeWinBitmap(HBITMAP& bitmap, HPALETTE& palette) {
  // A memory context holding a screen-compatible 1 x 1 bitmap, so that the
  // bitmap made below takes the screen's colour format.
  TScreenMemoryDC memory;

  TJPEGOutputType type;
  if (GrayScaleOutput || FDecompress.out_color_space == JCS_GRAYSCALE)
    type = jpGrayscale;
  else if (GetDeviceCaps(memory.Get(), RASTERCAPS) & RC_PALETTE)
    type = jp8bit;
  else if (GetDeviceCaps(memory.Get(), NUMCOLORS) == 16)
    type = jp4bit;
  else
    type = jp24bit;

  std::unique_ptr<uint8_t[]> info_block(new (std::nothrow) uint8_t[GetBitmapInfoSize(type)]());
  if (!info_block) OutOfMemoryError();
  BITMAPINFO* info = reinterpret_cast<BITMAPINFO*>(info_block.get());
  // Raises when the image is over the pixel limit or too large for a DIB.
  GetDIBitsSize(type);

  TGdiObject<HPALETTE> new_palette;
  TGdiObject<HBITMAP> result;
  std::optional<TPaletteSelection> palette_selection;
  if (type == jp24bit && OrientationApplied() == jtNone) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = static_cast<LONG>(OutputWidth());
    header.biHeight = static_cast<LONG>(OutputHeight());
    header.biPlanes = 1;
    header.biBitCount = 24;
    // Every pixel is set by the decode, so the bitmap starts uninitialised.
    result.Reset(CreateDIBitmap(memory.Get(), &header, 0, nullptr, nullptr, 0));
    if (!result) OutOfMemoryError();
    // Where the bitmap's own rows are reachable and hold 32-bit pixels, the
    // codec writes its blue-green-red-x output straight into them: no
    // conversion pass, and nothing but the bitmap is written.
    const TBitmapRows rows = BitmapRows(result.Get());
    if (rows.top != nullptr && rows.bits_per_pixel == 32) {
      FDecompress.out_color_space = JCS_EXT_BGRX;
      DecodeRows(
          info, type, [&](uint32_t y, int64_t) { return rows.top + rows.stride * y; }, nullptr);
      bitmap = result.Release();
      return;
    }
  }

  // Otherwise the bitmap is filled strip by strip through SetDIBits as the
  // rows are decoded, so the image never exists whole as a DIB (unless
  // AutoOrient turns it): no image-sized buffer beside the bitmap, and each
  // strip is converted soon after it is decoded.
  const TStripWriter put_rows = [&](uint32_t top, uint32_t count, const uint8_t* rows) {
    if (!result) {
      // The decode fills info, colour table included, before its first row.
      if (info->bmiHeader.biBitCount != 24) {
        const RGBQUAD* table =
            reinterpret_cast<const RGBQUAD*>(info_block.get() + sizeof(BITMAPINFOHEADER));
        new_palette.Reset(MakePalette(ColorTableEntries(table, info->bmiHeader.biClrUsed)));
      }
      palette_selection.emplace(memory.Get(), new_palette.Get(), false, true);
      RealizePalette(memory.Get());
      // Every pixel is set by the strips, so the bitmap starts uninitialised.
      result.Reset(CreateDIBitmap(memory.Get(), &info->bmiHeader, 0, nullptr, nullptr, 0));
      // A bitmap that cannot be made is a failure, not an empty success.
      if (!result) OutOfMemoryError();
    }
    // Scan lines count from the bottom of the bitmap; rows holds the strip as
    // a bottom-up DIB of count rows.
    const uint32_t start = static_cast<uint32_t>(info->bmiHeader.biHeight) - top - count;
    if (SetDIBits(memory.Get(), result.Get(), start, count, rows, info, DIB_RGB_COLORS) !=
        static_cast<int>(count))
      OutOfMemoryError();
  };

  DecodeStrips(info, type, put_rows);
  bitmap = result.Release();
  palette = new_palette.Release();
}

TBitmap* TJPEGDecompressor::ReadBitmap() {
  auto result = std::make_unique<TBitmap>();
  HBITMAP bitmap;
  HPALETTE palette;
  ReadWinBitmap(bitmap, palette);
  TGdiObject<HBITMAP> bitmap_owner(bitmap);
  TGdiObject<HPALETTE> palette_owner(palette);
  result->SetPalette(palette_owner.Release());
  result->SetHandle(bitmap_owner.Release());
  return result.release();
}
