// TBitmap: an image held as a device-dependent bitmap with an optional
// palette, loaded from and saved to BMP files.
#pragma once

#include <cstdint>

#include "platform/Export.h"
#include "platform/gdi/Gdi.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Graphic.h"

// The format a bitmap is saved in. pfDevice: that of the device bitmap (its
// own depth up to 8 bits, 24 bits above). pf15bit is 5-5-5, pf16bit 5-6-5.
enum TPixelFormat : uint8_t {
  pfDevice,
  pf1bit,
  pf4bit,
  pf8bit,
  pf15bit,
  pf16bit,
  pf24bit,
  pf32bit,
  pfCustom
};

class PLATFORM_API TBitmap : public TGraphic {
  VASK_CLASS(TBitmap, TGraphic)
 public:
  // An empty bitmap: no handle, no palette, 0 x 0.
  TBitmap();
  ~TBitmap() override;

  // Copies a bitmap (a new device bitmap and palette of its own) or a
  // picture's bitmap; null empties this bitmap. Other sources raise
  // EConvertError.
  void Assign(TPersistent* source) override;

  // The device-dependent bitmap (null when empty). It is never selected into
  // the canvas's context when returned; the bitmap keeps owning it.
  HBITMAP Handle();
  // Takes ownership of bitmap (null empties), frees the previous one, takes
  // the size from it and keeps the palette; pixel format becomes pfDevice.
  // Signals a change.
  void SetHandle(HBITMAP bitmap);
  // Gives the handle up to the caller; the bitmap is empty afterwards.
  HBITMAP ReleaseHandle();
  // The palette (null when none); the bitmap keeps owning it.
  HPALETTE Palette() const { return palette_; }
  // Takes ownership of palette (null: none) and frees the previous one.
  // Signals a change.
  void SetPalette(HPALETTE palette);
  // Gives the palette up to the caller; the bitmap has none afterwards.
  HPALETTE ReleasePalette();

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // Changes the size, keeping the top-left part of the image; new parts are
  // filled with the canvas brush colour. 0 in either dimension empties the
  // bitmap. Raises EOutOfMemory when the device bitmap cannot be made.
  void SetWidth(int width) override { SetSize(width, height_); }
  void SetHeight(int height) override { SetSize(width_, height); }
  void SetSize(int width, int height);
  bool Empty() const override { return handle_ == nullptr; }

  // The format SaveToStream writes. Setting an indexed format (1, 4, 8
  // bits) on a bitmap without a palette gives it a standard one.
  TPixelFormat PixelFormat() const { return pixel_format_; }
  void SetPixelFormat(TPixelFormat format);

  // A canvas that draws on the bitmap through a memory context of its own;
  // owned by the bitmap. Its brush starts solid white.
  TCanvas* Canvas();

  // Reads a BMP file (see the file header reader for the formats). Raises
  // EInvalidGraphic "Bitmap image is not valid" for bad data, EOutOfMemory
  // for an image too large to hold; the bitmap is unchanged then.
  void LoadFromStream(TStream& stream) override;
  // Writes a BMP file in PixelFormat(); an empty bitmap writes nothing.
  void SaveToStream(TStream& stream) override;

 protected:
  void Draw(TCanvas& canvas, const RECT& rect) override;
  // Stored data: a 4-byte little-endian length L, then L bytes holding a BMP
  // file (L = 0: an empty bitmap). Reads and writes BMP whatever a subclass
  // does with LoadFromStream and SaveToStream.
  void ReadData(TStream& stream) override;
  void WriteData(TStream& stream) override;

  // The BMP reader and writer behind LoadFromStream and SaveToStream.
  void ReadBmp(TStream& stream, int64_t limit);
  void WriteBmp(TStream& stream);

 private:
  class TBitmapCanvas;
  friend class TBitmapCanvas;

  // Takes the bitmap out of the canvas's context (deleting the context).
  void FreeCanvasContext();
  // Replaces handle and palette (each only when different) without signalling.
  void Replace(HBITMAP handle, HPALETTE palette);

  HBITMAP handle_ = nullptr;
  HPALETTE palette_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  TPixelFormat pixel_format_ = pfDevice;
  TBitmapCanvas* canvas_ = nullptr;
};
