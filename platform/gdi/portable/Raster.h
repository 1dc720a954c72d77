// Internal to the portable graphics API: aliased drawing in device
// coordinates into the bitmap selected into a memory DC. Pixel centres decide
// coverage; every operation clips to the bitmap.
#pragma once

#include <memory>
#include <vector>

#include "platform/gdi/portable/GdiObjects.h"
#include "platform/gdi/portable/PixelFormats.h"

namespace gdiport {

bool IsPatternRop(DWORD rop);
// Fills [x0, x1) x [y0, y1) (device) with the DC's brush under a pattern rop.
void PatternFill(const Dc& dc, int x0, int y0, int x1, int y1, DWORD rop);

class Painter {
 public:
  // Draws into dc's bitmap; draws nothing for DCs without pixels.
  explicit Painter(const Dc& dc);
  bool HasTarget() const { return target_ != nullptr; }
  // The stored value of a colour in the target format.
  uint32_t Raw(COLORREF colour);
  void Span(int y, int x0, int x1, uint32_t raw, RawOp op = RawOp::Copy);
  void Fill(int x0, int y0, int x1, int y1, uint32_t raw, RawOp op = RawOp::Copy);
  // A line from (x0, y0) towards (x1, y1), the end point excluded, drawn with
  // a square pen of the given width. Pens wider than 256 pixels are drawn as
  // the convex hull of the squares at both ends (the end point included).
  void Line(int x0, int y0, int x1, int y1, uint32_t raw, int width);
  // Fills the polygon (alternate or winding rule).
  void Polygon(const std::vector<POINT>& points, bool winding, uint32_t raw);
  // The ellipse inscribed in [l, r) x [t, b): interior and a ring of the
  // given width; either may be skipped.
  void Ellipse(int l, int t, int r, int b, bool fill, uint32_t fill_raw, bool ring,
               uint32_t ring_raw, int width);
  Bitmap* Target() const { return target_; }

 private:
  const Dc& dc_;
  Bitmap* target_ = nullptr;
  std::unique_ptr<IndexMapper> mapper_;
};

}  // namespace gdiport
