// Internal to the portable graphics API: aliased drawing in device
// coordinates into the bitmap selected into a memory DC. Every operation clips
// to the bitmap and to the DC's clipping region.
#pragma once

#include <memory>
#include <vector>

#include "platform/gdi/portable/GdiObjects.h"
#include "platform/gdi/portable/PixelFormats.h"

namespace gdiport {

bool IsPatternRop(DWORD rop);
// Fills [x0, x1) x [y0, y1) (device) with the DC's brush under a pattern rop.
void PatternFill(const Dc& dc, int x0, int y0, int x1, int y1, DWORD rop);

// What a pen or brush lays down: a colour, or an 8 x 8 hatch pattern whose
// gaps take the background colour when they are opaque.
struct Ink {
  uint32_t raw = 0;
  bool hatched = false;
  uint8_t pattern[8] = {};  // row y, bit 7 - x
  POINT origin{0, 0};       // device pixel where the pattern starts
  bool opaque_gaps = false;
  uint32_t gap_raw = 0;
};

// The dash pattern of a cosmetic pen, counted in pixels along the lines it
// draws (it carries on from one line to the next).
struct Dashes {
  std::vector<uint32_t> lengths;  // on, off, on, off, ...
  uint64_t period = 0;
  uint64_t position = 0;
  bool opaque_gaps = false;
  uint32_t gap_raw = 0;
  bool On(uint64_t step) const;
};

class Painter {
 public:
  // Draws into dc's bitmap; draws nothing for DCs without pixels.
  explicit Painter(const Dc& dc);
  bool HasTarget() const { return target_ != nullptr; }
  // The stored value of a colour in the target format.
  uint32_t Raw(COLORREF colour);
  // The bitmap's rectangle cut to the clipping region's extents.
  RECT Bounds() const;
  // Spans and rectangles with a raster operation on stored values (blits).
  void Span(int y, int x0, int x1, uint32_t raw, RawOp op = RawOp::Copy);
  void Fill(int x0, int y0, int x1, int y1, uint32_t raw, RawOp op = RawOp::Copy);
  // Pens and brushes: the DC's mix mode (SetROP2) applies.
  void Paint(int y, int x0, int x1, const Ink& ink);
  void Dot(int x, int y, uint32_t raw);
  // Blends a colour over [x0, x1) of row y by coverage (0..255), for
  // smoothed text; formats of 8 bits and less take coverage >= 128 only.
  void Blend(int y, int x0, int x1, COLORREF colour, const uint8_t* coverage);
  // A line from (x0, y0) towards (x1, y1), the end point excluded, drawn with
  // a square pen of the given width. Pens wider than 256 pixels are drawn as
  // the convex hull of the squares at both ends (the end point included).
  // With dashes, one pixel wide, following the pattern.
  void Line(int x0, int y0, int x1, int y1, uint32_t raw, int width, Dashes* dashes = nullptr);
  // Fills the polygon (alternate or winding rule).
  void Polygon(const std::vector<POINT>& points, bool winding, uint32_t raw);
  // The ellipse inscribed in [l, r) x [t, b): interior and a ring of the
  // given width; either may be skipped.
  void Ellipse(int l, int t, int r, int b, const Ink* fill, bool ring, uint32_t ring_raw,
               int width);
  Bitmap* Target() const { return target_; }
  // Changes the mix mode (pattern blits use their own).
  void SetMix(int rop2) { rop2_ = rop2; }

 private:
  void PaintRaw(int y, int x0, int x1, uint32_t raw);
  template <class Fn>
  void Clipped(int y, int x0, int x1, Fn&& fn);

  const Dc& dc_;
  Bitmap* target_ = nullptr;
  std::unique_ptr<IndexMapper> mapper_;
  const Region* clip_ = nullptr;
  int rop2_ = R2_COPYPEN;
};

// Keeps the pixels of a device rectangle that lie outside the DC's clipping
// region as they were, for writers that do not clip themselves (the scaled
// copies of blits): a copy of the rectangle is taken first and the pixels
// outside are put back when the guard goes.
class ClipGuard {
 public:
  ClipGuard(const Dc& dc, Bitmap& target, int64_t x0, int64_t y0, int64_t x1, int64_t y1);
  ~ClipGuard();
  ClipGuard(const ClipGuard&) = delete;
  ClipGuard& operator=(const ClipGuard&) = delete;

 private:
  const Region* clip_;
  Bitmap& target_;
  RECT area_{};
  std::vector<uint32_t> saved_;
};

}  // namespace gdiport
