// TJPEGDecompressor's decodes into device-dependent bitmaps and TBitmap.
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "platform/graphics/Graphics.h"
#include "zeljpeg/Decompressor.h"
#include "zeljpeg/GdiGuards.h"

void TJPEGDecompressor::ReadWinBitmap(HBITMAP& bitmap, HPALETTE& palette) {
  bitmap = nullptr;
  palette = nullptr;
  try {
    DecodeWinBitmap(bitmap, palette);
  } catch (...) {
    // A failure before or after the decode itself (allocation, handles)
    // must not leave the codec object half-way through an image.
    Abort();
    throw;
  }
}

void TJPEGDecompressor::DecodeWinBitmap(HBITMAP& bitmap, HPALETTE& palette) {
  // A memory context holding a screen-compatible 1 x 1 bitmap, so that the
  // bitmap made below takes the screen's colour format.
  TScreenDC screen;
  TMemoryDC memory(screen.Handle());
  TGdiObjectOwner placeholder(CreateCompatibleBitmap(screen.Handle(), 1, 1));
  if (placeholder.Get() == nullptr) OutOfMemoryError();
  TObjectSelection placeholder_selection(memory.Handle(), placeholder.Get(),
                                         "Cannot select a bitmap into a memory context");

  TJPEGOutputType type;
  if (GrayScaleOutput || FDecompress.out_color_space == JCS_GRAYSCALE)
    type = jpGrayscale;
  else if (GetDeviceCaps(memory.Handle(), RASTERCAPS) & RC_PALETTE)
    type = jp8bit;
  else if (GetDeviceCaps(memory.Handle(), NUMCOLORS) == 16)
    type = jp4bit;
  else
    type = jp24bit;

  TLockedGlobalBlock bits(static_cast<size_t>(GetDIBitsSize(type)));
  std::unique_ptr<uint8_t[]> info_block(new (std::nothrow) uint8_t[GetBitmapInfoSize(type)]());
  if (!info_block) OutOfMemoryError();
  BITMAPINFO* info = reinterpret_cast<BITMAPINFO*>(info_block.get());
  ReadDIBitmap(info, type, bits.Data());

  TGdiObjectOwner new_palette;
  std::unique_ptr<TPaletteSelection> palette_selection;
  if (info->bmiHeader.biBitCount != 24) {
    const DWORD count = info->bmiHeader.biClrUsed;
    std::vector<uint8_t> log_block(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
    LOGPALETTE* log = reinterpret_cast<LOGPALETTE*>(log_block.data());
    log->palVersion = 0x300;
    log->palNumEntries = static_cast<WORD>(count);
    const RGBQUAD* table =
        reinterpret_cast<const RGBQUAD*>(info_block.get() + sizeof(BITMAPINFOHEADER));
    PALETTEENTRY* entries =
        reinterpret_cast<PALETTEENTRY*>(log_block.data() + offsetof(LOGPALETTE, palPalEntry));
    for (DWORD i = 0; i < count; ++i)
      entries[i] = PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
    new_palette.Reset(CreatePalette(log));
    if (new_palette.Get() == nullptr) OutOfMemoryError();
    palette_selection = std::make_unique<TPaletteSelection>(
        memory.Handle(), static_cast<HPALETTE>(new_palette.Get()), false, true);
  }
  RealizePalette(memory.Handle());
  HBITMAP result = CreateDIBitmap(memory.Handle(), &info->bmiHeader, CBM_INIT, bits.Data(), info,
                                  DIB_RGB_COLORS);
  // A bitmap that cannot be made is a failure, not an empty success.
  if (result == nullptr) OutOfMemoryError();
  palette_selection.reset();
  bitmap = result;
  palette = static_cast<HPALETTE>(new_palette.Release());
}

TBitmap* TJPEGDecompressor::ReadBitmap() {
  auto result = std::make_unique<TBitmap>();
  HBITMAP bitmap;
  HPALETTE palette;
  ReadWinBitmap(bitmap, palette);
  TGdiObjectOwner bitmap_owner(bitmap);
  TGdiObjectOwner palette_owner(palette);
  result->SetPalette(static_cast<HPALETTE>(palette_owner.Release()));
  result->SetHandle(static_cast<HBITMAP>(bitmap_owner.Release()));
  return result.release();
}
