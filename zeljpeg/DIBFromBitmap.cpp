#include "zeljpeg/DIBFromBitmap.h"

#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "platform/gdi/DibRows.h"
#include "platform/graphics/GdiGuards.h"
#include "platform/graphics/Graphics.h"
#include "platform/graphics/Palettes.h"
#include "platform/sysutils/SysUtils.h"

namespace {

static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER must be 40 bytes");
static_assert(sizeof(RGBQUAD) == 4, "RGBQUAD must be 4 bytes");

int DIBBitCount(int own_depth, TBitmapResolution resolution) {
  switch (resolution) {
    case bm16Colour:
      return 4;
    case bm256Colour:
      return 8;
    case bm24bit:
      return 24;
    case bmDefault:
    default:
      return own_depth <= 8 ? own_depth : 24;
  }
}

void RequireBitmap(const void* object, const char* what) {
  if (object == nullptr) throw Exception(Format("No %s to convert", what));
}

}  // namespace

void GetBitmapInfoHeader(HBITMAP bitmap, TBitmapResolution resolution, BITMAPINFOHEADER& header) {
  // Never build a header from an unread description: the handle must name a
  // bitmap and the whole description must be copied.
  BITMAP description{};
  if (bitmap == nullptr || GetObjectType(bitmap) != OBJ_BITMAP ||
      GetObjectA(bitmap, sizeof(description), &description) !=
          static_cast<int>(sizeof(description)))
    throw Exception("Cannot read the bitmap's description: not a valid bitmap handle");
  if (description.bmWidth < 0 || description.bmHeight < 0)
    throw Exception("Cannot read the bitmap's description: invalid bitmap size");

  const int bit_count = DIBBitCount(description.bmPlanes * description.bmBitsPixel, resolution);
  const int64_t row_length = DibRowBytes(description.bmWidth, bit_count);
  const int64_t image_size = row_length * description.bmHeight;
  if (image_size > std::numeric_limits<int32_t>::max())
    throw Exception("The bitmap is too large to be converted to a Device Independent Bitmap");

  header = BITMAPINFOHEADER{};
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = description.bmWidth;
  header.biHeight = description.bmHeight;
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(bit_count);
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(image_size);
}

void GetDIBSizes(HBITMAP bitmap, TBitmapResolution resolution, int32_t& header_size,
                 int32_t& image_size) {
  BITMAPINFOHEADER header;
  GetBitmapInfoHeader(bitmap, resolution, header);
  if (header.biBitCount > 8)
    header_size = sizeof(BITMAPINFOHEADER);
  else
    header_size = sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * (1 << header.biBitCount);
  image_size = static_cast<int32_t>(header.biSizeImage);
}

void Bitmap2DIB(TBitmap* bitmap, TBitmapResolution resolution, void* header_block, void* bits) {
  RequireBitmap(bitmap, "bitmap");
  const HBITMAP handle = bitmap->Handle();
  const HPALETTE palette = bitmap->Palette();
  BITMAPINFOHEADER header;
  GetBitmapInfoHeader(handle, resolution, header);
  std::memcpy(header_block, &header, sizeof(header));

  // The source bitmap is never selected into the memory context; a
  // screen-compatible 1 x 1 placeholder gives the context the screen's depth.
  TScreenMemoryDC memory;
  TPaletteSelection palette_selection(memory.Get(), palette);
  if (GetDIBits(memory.Get(), handle, 0, static_cast<UINT>(header.biHeight), bits,
                static_cast<BITMAPINFO*>(header_block), DIB_RGB_COLORS) == 0)
    throw Exception("Cannot obtain a Device Independent Bitmap");
}

TBitmap* CropBitmap(TBitmap* bitmap, int32_t width, int32_t height, const RECT& source) {
  RequireBitmap(bitmap, "bitmap");
  const HBITMAP source_handle = bitmap->Handle();
  const HPALETTE palette = bitmap->Palette();

  TGdiObject<HBITMAP> target;
  {
    TWindowDC screen;
    TMemoryDC source_dc(screen.Get());
    TMemoryDC target_dc(screen.Get());
    TSelection source_selection(source_dc.Get(), source_handle);
    target.Reset(CreateCompatibleBitmap(screen.Get(), width, height));
    if (!target) throw Exception(Format("Cannot create a bitmap of %d x %d pixels", width, height));
    TSelection target_selection(target_dc.Get(), target.Get());
    TPaletteSelection source_palette(source_dc.Get(), palette, false, /*realize_on_restore=*/true);
    TPaletteSelection target_palette(target_dc.Get(), palette, false, /*realize_on_restore=*/true);
    SetStretchBltMode(target_dc.Get(), HALFTONE);
    SetBrushOrgEx(target_dc.Get(), 0, 0, nullptr);
    if (!StretchBlt(target_dc.Get(), 0, 0, width, height, source_dc.Get(), source.left, source.top,
                    source.right - source.left, source.bottom - source.top, SRCCOPY))
      throw Exception("Cannot stretch the bitmap onto the new bitmap");
    // Leaving this block selects the old palettes and bitmaps back and frees
    // the contexts, so the new bitmap is unselected when it is handed over.
  }

  auto result = std::make_unique<TBitmap>();
  if (palette != nullptr) {
    TGdiObject<HPALETTE> palette_copy(CopyPalette(palette));
    result->SetPalette(palette_copy.Get());
    palette_copy.Release();
  }
  result->SetHandle(target.Get());
  target.Release();
  return result.release();
}

TBitmap* ReSizeBitmap(TBitmap* bitmap, int32_t width, int32_t height) {
  RequireBitmap(bitmap, "bitmap");
  const RECT whole{0, 0, bitmap->Width(), bitmap->Height()};
  return CropBitmap(bitmap, width, height, whole);
}

TBitmap* MetaToBitmap(TMetafile* metafile, int32_t width, int32_t height) {
  RequireBitmap(metafile, "metafile");
  // The size comes from a metafile's frame, which a few bytes can make huge.
  CheckPixelLimit(width, height, kDefaultMaxPixels);
  auto result = std::make_unique<TBitmap>();
  {
    TWindowDC screen;
    TGdiObject<HBITMAP> handle(CreateCompatibleBitmap(screen.Get(), width, height));
    if (!handle) throw Exception(Format("Cannot create a bitmap of %d x %d pixels", width, height));
    result->SetHandle(handle.Get());
    handle.Release();
  }

  TCanvas* canvas = result->Canvas();
  const HDC dc = canvas->Handle();
  {
    TPaletteSelection palette_selection(dc, metafile->Palette(), /*background=*/true);

    const RECT area{0, 0, width, height};
    canvas->FillRect(area);
    if (!metafile->Play(dc, area)) {
      const DWORD error = GetLastError();
      throw Exception(Format("Unable to render metafile as a bitmap - PlayEnhMetaFile returned %d",
                             static_cast<int>(error)));
    }
  }
  return result.release();
}
