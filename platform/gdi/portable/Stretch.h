// Internal to the portable graphics API: scaled copies of pixel sources into
// bitmaps (the work behind StretchBlt, BitBlt and StretchDIBits).
#pragma once

#include <vector>

#include "platform/gdi/portable/GdiObjects.h"
#include "platform/gdi/portable/PixelFormats.h"

namespace gdiport {

// Rows of 0x00RRGGBB pixels (the fourth byte may hold anything).
class PixelSource {
 public:
  virtual ~PixelSource() = default;
  // Pixels [x0, x0 + count) of row y (top-down). May return scratch, which
  // has room for count pixels.
  virtual const uint32_t* Row(int y, int x0, int count, uint32_t* scratch) = 0;
  // The stored row and format when they can be copied as they are (same
  // format and colours as the target), else null.
  virtual const uint8_t* RawRow(int y) const = 0;
  virtual int Bpp() const = 0;
  virtual const std::vector<uint32_t>& Colours() const = 0;
  int width = 0;
  int height = 0;
};

// A bitmap seen through a DC's palette. A copy of the pixels is taken when
// the bitmap is also the target (overlapping copies).
class BitmapSource : public PixelSource {
 public:
  BitmapSource(const Dc& dc, const Bitmap& bitmap, bool copy);
  const uint32_t* Row(int y, int x0, int count, uint32_t* scratch) override;
  const uint8_t* RawRow(int y) const override;
  int Bpp() const override { return bpp_; }
  const std::vector<uint32_t>& Colours() const override { return colours_; }

 private:
  const uint8_t* pixels_;
  int64_t stride_;
  int bpp_;
  std::vector<uint8_t> copy_;
  std::vector<uint32_t> colours_;
};

// A DIB in caller memory (format checked by ParseDibHeader).
class DibSource : public PixelSource {
 public:
  DibSource(const DibFormat& format, const uint8_t* bits);
  const uint32_t* Row(int y, int x0, int count, uint32_t* scratch) override;
  const uint8_t* RawRow(int y) const override;
  int Bpp() const override { return format_.bpp; }
  const std::vector<uint32_t>& Colours() const override { return format_.colours; }

 private:
  const DibFormat& format_;
  const uint8_t* bits_;
};

// Copies the source rectangle [sx, sx + sw) x [sy, sy + sh) (inside the
// source, sw and sh > 0) onto the device rectangle at (dx, dy) of size
// dw x dh (negative sizes mirror) of target, clipped to the target. mode is
// the stretch mode; rop one of SRCCOPY, NOTSRCCOPY, SRCPAINT, SRCAND,
// SRCINVERT. target's colours are those of dc.
void DrawScaled(const Dc& dc, Bitmap& target, PixelSource& source, int sx, int sy, int sw, int sh,
                int dx, int dy, int dw, int dh, int mode, DWORD rop);

}  // namespace gdiport
