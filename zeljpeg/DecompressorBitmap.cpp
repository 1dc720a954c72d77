// TJPEGDecompressor's decodes into device-dependent bitmaps and TBitmap.
#include <memory>
#include <new>

#include "platform/graphics/GdiGuards.h"
#include "platform/graphics/Graphics.h"
#include "platform/graphics/Palettes.h"
#include "zeljpeg/DIBBits.h"
#include "zeljpeg/Decompressor.h"
#include "zeljpeg/Scopes.h"

void TJPEGDecompressor::ReadWinBitmap(HBITMAP& bitmap, HPALETTE& palette) {
  bitmap = nullptr;
  palette = nullptr;
  // A failure before or after the decode itself (allocation, handles) must
  // not leave the codec object half-way through an image.
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

  TGlobalBlock bits = AllocateDIBits(*this, type);
  TGlobalLock pixels(bits.Get());
  std::unique_ptr<uint8_t[]> info_block(new (std::nothrow) uint8_t[GetBitmapInfoSize(type)]());
  if (!info_block) OutOfMemoryError();
  BITMAPINFO* info = reinterpret_cast<BITMAPINFO*>(info_block.get());
  ReadDIBitmap(info, type, pixels.Data());

  TGdiObject<HPALETTE> new_palette;
  if (info->bmiHeader.biBitCount != 24) {
    const RGBQUAD* table =
        reinterpret_cast<const RGBQUAD*>(info_block.get() + sizeof(BITMAPINFOHEADER));
    new_palette.Reset(MakePalette(ColorTableEntries(table, info->bmiHeader.biClrUsed)));
  }
  TGdiObject<HBITMAP> result;
  {
    TPaletteSelection palette_selection(memory.Get(), new_palette.Get(), false, true);
    RealizePalette(memory.Get());
    result.Reset(CreateDIBitmap(memory.Get(), &info->bmiHeader, CBM_INIT, pixels.Data(), info,
                                DIB_RGB_COLORS));
  }
  // A bitmap that cannot be made is a failure, not an empty success.
  if (!result) OutOfMemoryError();
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
