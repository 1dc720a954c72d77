#include "zeljpeg/DIBFromBitmap.h"

#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "platform/gdi/DibRows.h"
#include "platform/graphics/Graphics.h"
#include "platform/sysutils/SysUtils.h"
#include "zeljpeg/GdiGuards.h"

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

// A new palette with the same entries; the caller owns it.
HPALETTE CopyPaletteHandle(HPALETTE palette) {
  const UINT count = GetPaletteEntries(palette, 0, 0, nullptr);
  if (count == 0 || count > 0xFFFF) throw Exception("Cannot copy the bitmap's palette");
  std::vector<uint8_t> block(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
  auto* log = reinterpret_cast<LOGPALETTE*>(block.data());
  log->palVersion = 0x300;
  log->palNumEntries = static_cast<WORD>(count);
  if (GetPaletteEntries(palette, 0, count, log->palPalEntry) != count)
    throw Exception("Cannot copy the bitmap's palette");
  HPALETTE copy = CreatePalette(log);
  if (copy == nullptr) throw Exception("Cannot copy the bitmap's palette");
  return copy;
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
  TScreenDC screen;
  TMemoryDC memory(screen.Handle());
  TGdiObjectOwner placeholder(CreateCompatibleBitmap(screen.Handle(), 1, 1));
  if (placeholder.Get() == nullptr) throw Exception("Cannot obtain a Device Independent Bitmap");
  TObjectSelection placeholder_selection(memory.Handle(), placeholder.Get(),
                                         "Cannot obtain a Device Independent Bitmap");
  std::optional<TPaletteSelection> palette_selection;
  if (palette != nullptr)
    palette_selection.emplace(memory.Handle(), palette, /*background=*/false,
                              /*realize_on_restore=*/false);

  if (GetDIBits(memory.Handle(), handle, 0, static_cast<UINT>(header.biHeight), bits,
                static_cast<BITMAPINFO*>(header_block), DIB_RGB_COLORS) == 0)
    throw Exception("Cannot obtain a Device Independent Bitmap");
}

TBitmap* CropBitmap(TBitmap* bitmap, int32_t width, int32_t height, const RECT& source) {
  RequireBitmap(bitmap, "bitmap");
  const HBITMAP source_handle = bitmap->Handle();
  const HPALETTE palette = bitmap->Palette();

  TGdiObjectOwner target;
  {
    TScreenDC screen;
    TMemoryDC source_dc(screen.Handle());
    TMemoryDC target_dc(screen.Handle());
    TObjectSelection source_selection(source_dc.Handle(), source_handle,
                                      "Cannot select the bitmap into a device context");
    target.Reset(CreateCompatibleBitmap(screen.Handle(), width, height));
    if (target.Get() == nullptr)
      throw Exception(Format("Cannot create a bitmap of %d x %d pixels", width, height));
    TObjectSelection target_selection(target_dc.Handle(), target.Get(),
                                      "Cannot select the bitmap into a device context");
    std::optional<TPaletteSelection> source_palette, target_palette;
    if (palette != nullptr) {
      source_palette.emplace(source_dc.Handle(), palette, false, /*realize_on_restore=*/true);
      target_palette.emplace(target_dc.Handle(), palette, false, /*realize_on_restore=*/true);
    }
    SetStretchBltMode(target_dc.Handle(), HALFTONE);
    SetBrushOrgEx(target_dc.Handle(), 0, 0, nullptr);
    if (!StretchBlt(target_dc.Handle(), 0, 0, width, height, source_dc.Handle(), source.left,
                    source.top, source.right - source.left, source.bottom - source.top, SRCCOPY))
      throw Exception("Cannot stretch the bitmap onto the new bitmap");
    // Leaving this block selects the old palettes and bitmaps back and frees
    // the contexts, so the new bitmap is unselected when it is handed over.
  }

  auto result = std::make_unique<TBitmap>();
  if (palette != nullptr) {
    TGdiObjectOwner palette_copy(CopyPaletteHandle(palette));
    result->SetPalette(static_cast<HPALETTE>(palette_copy.Get()));
    palette_copy.Release();
  }
  result->SetHandle(static_cast<HBITMAP>(target.Get()));
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
    TScreenDC screen;
    TGdiObjectOwner handle(CreateCompatibleBitmap(screen.Handle(), width, height));
    if (handle.Get() == nullptr)
      throw Exception(Format("Cannot create a bitmap of %d x %d pixels", width, height));
    result->SetHandle(static_cast<HBITMAP>(handle.Get()));
    handle.Release();
  }

  TCanvas* canvas = result->Canvas();
  const HDC dc = canvas->Handle();
  {
    std::optional<TPaletteSelection> palette_selection;
    if (HPALETTE palette = metafile->Palette(); palette != nullptr)
      palette_selection.emplace(dc, palette, /*background=*/true, /*realize_on_restore=*/false);

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
