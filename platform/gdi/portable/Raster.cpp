// Aliased rasterisation of spans, lines, polygons and ellipses.
#include "platform/gdi/portable/Raster.h"

#include <algorithm>
#include <cmath>

#include "platform/gdi/portable/Drawing.h"
#include "platform/gdi/portable/Region.h"
#include "platform/gdi/portable/ScanConvert.h"

namespace gdiport {

namespace {

// Pens wider than this are drawn as one polygon instead of square by square.
constexpr int kWidePen = 256;

// The convex hull of points (Andrew's monotone chain), counter-clockwise.
std::vector<POINT> ConvexHull(std::vector<POINT> points) {
  std::sort(points.begin(), points.end(),
            [](const POINT& a, const POINT& b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
  auto cross = [](const POINT& o, const POINT& a, const POINT& b) {
    return (int64_t{a.x} - o.x) * (int64_t{b.y} - o.y) -
           (int64_t{a.y} - o.y) * (int64_t{b.x} - o.x);
  };
  std::vector<POINT> hull(2 * points.size());
  size_t k = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    while (k >= 2 && cross(hull[k - 2], hull[k - 1], points[i]) <= 0) --k;
    hull[k++] = points[i];
  }
  for (size_t i = points.size() - 1, lower = k + 1; i-- > 0;) {
    while (k >= lower && cross(hull[k - 2], hull[k - 1], points[i]) <= 0) --k;
    hull[k++] = points[i];
  }
  hull.resize(k > 0 ? k - 1 : 0);
  return hull;
}

}  // namespace

bool IsPatternRop(DWORD rop) {
  return rop == PATCOPY || rop == PATINVERT || rop == DSTINVERT || rop == BLACKNESS ||
         rop == WHITENESS;
}

bool Dashes::On(uint64_t step) const {
  if (period == 0) return true;
  uint64_t at = (position + step) % period;
  for (size_t i = 0; i < lengths.size(); ++i) {
    if (at < lengths[i]) return i % 2 == 0;
    at -= lengths[i];
  }
  return true;
}

Painter::Painter(const Dc& dc) : dc_(dc), rop2_(dc.state.rop2) {
  if (dc.type != DcType::Memory) return;
  target_ = static_cast<Bitmap*>(Lookup(dc.state.bitmap));
  if (target_ && target_->bpp <= 8) {
    mapper_ = std::make_unique<IndexMapper>(IndexColours(dc, target_->bpp));
  }
  clip_ = dc.state.clip.get();
}

RECT Painter::Bounds() const {
  if (!target_) return {0, 0, 0, 0};
  RECT r{0, 0, target_->width, target_->height};
  if (clip_) {
    const RECT e = clip_->Extents();
    r = {std::max(r.left, e.left), std::max(r.top, e.top), std::min(r.right, e.right),
         std::min(r.bottom, e.bottom)};
    if (r.left >= r.right || r.top >= r.bottom) r = {0, 0, 0, 0};
  }
  return r;
}

template <class Fn>
void Painter::Clipped(int y, int x0, int x1, Fn&& fn) {
  if (!target_ || y < 0 || y >= target_->height) return;
  x0 = std::max(x0, 0);
  x1 = std::min(x1, target_->width);
  if (x0 >= x1) return;
  if (clip_) {
    clip_->ForEachSpan(y, x0, x1, fn);
  } else {
    fn(x0, x1);
  }
}

namespace {

// The mix mode on stored values: bit by bit, (mode - 1) is the truth table
// of pen P and destination D, indexed by 2P + D.
uint32_t Mix(int mode, uint32_t pen, uint32_t dest, uint32_t all) {
  const unsigned t = static_cast<unsigned>(mode - 1);
  uint32_t out = 0;
  if (t & 8) out |= pen & dest;
  if (t & 4) out |= pen & ~dest;
  if (t & 2) out |= ~pen & dest;
  if (t & 1) out |= ~pen & ~dest;
  return out & all;
}

uint32_t AllBits(int bpp) {
  return bpp >= 24 ? 0xFFFFFF : bpp == 16 ? 0x7FFF : (1u << bpp) - 1;
}

}  // namespace

void Painter::PaintRaw(int y, int x0, int x1, uint32_t raw) {
  Clipped(y, x0, x1, [&](int a, int b) {
    uint8_t* row = target_->Row(y);
    if (rop2_ == R2_COPYPEN) {
      ApplyRaw(row, target_->bpp, a, b - a, raw, RawOp::Copy);
      return;
    }
    const uint32_t all = AllBits(target_->bpp);
    for (int x = a; x < b; ++x) {
      SetRaw(row, target_->bpp, x, Mix(rop2_, raw, GetRaw(row, target_->bpp, x), all));
    }
  });
}

void Painter::Paint(int y, int x0, int x1, const Ink& ink) {
  if (!ink.hatched) {
    PaintRaw(y, x0, x1, ink.raw);
    return;
  }
  if (!target_) return;
  x0 = std::max(x0, 0);
  x1 = std::min(x1, target_->width);
  const uint8_t bits = ink.pattern[static_cast<unsigned>(y - ink.origin.y) & 7];
  int x = x0;
  while (x < x1) {
    const bool on = (bits >> (7 - (static_cast<unsigned>(x - ink.origin.x) & 7))) & 1;
    int end = x + 1;
    while (end < x1 && (((bits >> (7 - (static_cast<unsigned>(end - ink.origin.x) & 7))) & 1) ==
                        static_cast<unsigned>(on))) {
      ++end;
    }
    if (on) {
      PaintRaw(y, x, end, ink.raw);
    } else if (ink.opaque_gaps) {
      PaintRaw(y, x, end, ink.gap_raw);
    }
    x = end;
  }
}

void Painter::Dot(int x, int y, uint32_t raw) {
  PaintRaw(y, x, x + 1, raw);
}

void Painter::Blend(int y, int x0, int x1, COLORREF colour, const uint8_t* coverage) {
  const uint32_t pixel = ResolveColour(dc_, colour);
  if (!target_ || target_->bpp <= 8) {
    const uint32_t raw = Raw(colour);
    for (int x = x0; x < x1; ++x) {
      if (coverage[x - x0] >= 128) PaintRaw(y, x, x + 1, raw);
    }
    return;
  }
  Clipped(y, x0, x1, [&](int a, int b) {
    uint8_t* row = target_->Row(y);
    for (int x = a; x < b; ++x) {
      const unsigned c = coverage[x - x0];
      if (c == 0) continue;
      uint32_t under;
      UnpackRow(row, target_->bpp, x, 1, nullptr, &under);
      uint32_t out = 0;
      for (int shift = 0; shift < 24; shift += 8) {
        const unsigned u = (under >> shift) & 0xFF, p = (pixel >> shift) & 0xFF;
        out |= ((p * c + u * (255 - c) + 127) / 255) << shift;
      }
      SetRaw(row, target_->bpp, x, RawValue(out, target_->bpp, nullptr));
    }
  });
}

uint32_t Painter::Raw(COLORREF colour) {
  if (!target_) return 0;
  return RawValue(ResolveColour(dc_, colour), target_->bpp, mapper_.get());
}

void Painter::Span(int y, int x0, int x1, uint32_t raw, RawOp op) {
  Clipped(y, x0, x1,
          [&](int a, int b) { ApplyRaw(target_->Row(y), target_->bpp, a, b - a, raw, op); });
}

void Painter::Fill(int x0, int y0, int x1, int y1, uint32_t raw, RawOp op) {
  if (!target_) return;
  y0 = std::max(y0, 0);
  y1 = std::min(y1, target_->height);
  for (int y = y0; y < y1; ++y) Span(y, x0, x1, raw, op);
}

void Painter::Line(int x0, int y0, int x1, int y1, uint32_t raw, int width, Dashes* dashes) {
  if (!target_) return;
  if (dashes) width = 1;
  const int half = (width - 1) / 2;
  if (width > kWidePen) {
    // The squares along the line cover the convex hull of the squares at its
    // ends. Filling that hull costs time in proportion to the target; stepping
    // square by square would cost it in proportion to the pen, without bound.
    // Corners far outside the target are pulled in; the hull stays convex.
    constexpr int64_t kFar = int64_t{1} << 30;
    auto at = [&](int64_t v) { return static_cast<LONG>(std::clamp(v, -kFar, kFar)); };
    std::vector<POINT> corners;
    for (const POINT end : {POINT{x0, y0}, POINT{x1, y1}})
      for (const int64_t dx : {int64_t{-half}, int64_t{width} - half})
        for (const int64_t dy : {int64_t{-half}, int64_t{width} - half})
          corners.push_back(POINT{at(end.x + dx), at(end.y + dy)});
    Polygon(ConvexHull(std::move(corners)), true, raw);
    return;
  }
  uint64_t skipped = 0;  // pixels of a dashed line before the part drawn
  const int64_t full_steps = std::max(std::abs(int64_t(x1) - x0), std::abs(int64_t(y1) - y0));
  auto dot = [&](int x, int y, int64_t step) {
    if (dashes) {
      if (dashes->On(skipped + static_cast<uint64_t>(step))) {
        Dot(x, y, raw);
      } else if (dashes->opaque_gaps) {
        Dot(x, y, dashes->gap_raw);
      }
    } else if (width <= 1) {
      Dot(x, y, raw);
    } else {
      for (int r = y - half; r < y - half + width; ++r)
        PaintRaw(r, x - half, x - half + width, raw);
    }
  };
  // Lines reaching far outside the target are first cut to its
  // neighbourhood (Liang-Barsky), so the step count stays bounded.
  const double margin = width + 2.0;
  const double lo_x = -margin, hi_x = target_->width + margin;
  const double lo_y = -margin, hi_y = target_->height + margin;
  auto far = [&](int x, int y) {
    return x < lo_x - 4096 || x > hi_x + 4096 || y < lo_y - 4096 || y > hi_y + 4096;
  };
  bool include_end = false;
  if (far(x0, y0) || far(x1, y1)) {
    const double ddx = double(x1) - x0, ddy = double(y1) - y0;
    double t0 = 0, t1 = 1;
    const double p[4] = {-ddx, ddx, -ddy, ddy};
    const double q[4] = {x0 - lo_x, hi_x - x0, y0 - lo_y, hi_y - y0};
    for (int i = 0; i < 4; ++i) {
      if (p[i] == 0) {
        if (q[i] < 0) return;
        continue;
      }
      const double t = q[i] / p[i];
      if (p[i] < 0) {
        t0 = std::max(t0, t);
      } else {
        t1 = std::min(t1, t);
      }
    }
    if (t0 > t1) {
      if (dashes) dashes->position += static_cast<uint64_t>(full_steps);
      return;
    }
    include_end = t1 < 1;
    skipped = static_cast<uint64_t>(std::llround(t0 * double(full_steps)));
    const int nx0 = RoundToInt(x0 + t0 * ddx), ny0 = RoundToInt(y0 + t0 * ddy);
    x1 = RoundToInt(x0 + t1 * ddx);
    y1 = RoundToInt(y0 + t1 * ddy);
    x0 = nx0;
    y0 = ny0;
  }
  // Bresenham, the last point excluded.
  const int64_t dx = std::abs(int64_t(x1) - x0), dy = -std::abs(int64_t(y1) - y0);
  const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
  int64_t err = dx + dy;
  int x = x0, y = y0;
  const int64_t steps = std::max(dx, -dy) + (include_end ? 1 : 0);
  for (int64_t i = 0; i < steps; ++i) {
    dot(x, y, i);
    const int64_t e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
  if (dashes) dashes->position += static_cast<uint64_t>(full_steps);
}

void Painter::Polygon(const std::vector<POINT>& points, bool winding, uint32_t raw) {
  if (!target_ || points.size() < 3) return;
  std::vector<std::vector<PointF>> polygon(1);
  for (const POINT& p : points) polygon[0].push_back({double(p.x), double(p.y)});
  ScanPolygons(polygon, winding, Bounds(), [&](int y, int a, int b) { PaintRaw(y, a, b, raw); });
}

void Painter::Ellipse(int l, int t, int r, int b, const Ink* fill, bool ring, uint32_t ring_raw,
                      int width) {
  if (!target_ || r <= l || b <= t) return;
  const double cx = (double(l) + r) / 2, cy = (double(t) + b) / 2;
  const double rx = (double(r) - l) / 2, ry = (double(b) - t) / 2;
  const double irx = rx - width, iry = ry - width;
  // Span of pixel centres inside an ellipse of radii (ax, ay) on row y.
  auto span = [&](int y, double ax, double ay, int& x0, int& x1) {
    const double v = (y + 0.5 - cy) / ay;
    if (ax <= 0 || ay <= 0 || v * v > 1) return false;
    const double d = ax * std::sqrt(1 - v * v);
    x0 = static_cast<int>(std::ceil(cx - d - 0.5));
    x1 = static_cast<int>(std::floor(cx + d - 0.5)) + 1;
    return x0 < x1;
  };
  const int y0 = std::max(t, 0), y1 = std::min(b, target_->height);
  for (int y = y0; y < y1; ++y) {
    int ox0, ox1;
    if (!span(y, rx, ry, ox0, ox1)) continue;
    int ix0 = 0, ix1 = 0;
    const bool has_inner = ring ? span(y, irx, iry, ix0, ix1) : false;
    if (fill) {
      if (ring && has_inner) {
        Paint(y, ix0, ix1, *fill);
      } else if (!ring) {
        Paint(y, ox0, ox1, *fill);
      }
    }
    if (ring) {
      if (has_inner) {
        PaintRaw(y, ox0, ix0, ring_raw);
        PaintRaw(y, ix1, ox1, ring_raw);
      } else {
        PaintRaw(y, ox0, ox1, ring_raw);
      }
    }
  }
}

void PatternFill(const Dc& dc, int x0, int y0, int x1, int y1, DWORD rop) {
  Painter painter(dc);
  if (!painter.HasTarget()) return;
  switch (rop) {
    case BLACKNESS:
      painter.Fill(x0, y0, x1, y1, painter.Raw(RGB(0, 0, 0)));
      return;
    case WHITENESS:
      painter.Fill(x0, y0, x1, y1, painter.Raw(RGB(255, 255, 255)));
      return;
    case DSTINVERT:
      painter.Fill(x0, y0, x1, y1, 0, RawOp::Invert);
      return;
    default:
      break;
  }
  const Brush* brush = static_cast<const Brush*>(Lookup(dc.state.brush));
  if (!brush || brush->log.lbStyle == BS_NULL) return;
  Ink ink;
  if (!BrushInk(dc, painter, ink)) return;
  painter.SetMix(rop == PATINVERT ? R2_XORPEN : R2_COPYPEN);
  const RECT bounds = painter.Bounds();
  for (int y = std::max<int>(y0, bounds.top); y < std::min<int>(y1, bounds.bottom); ++y) {
    painter.Paint(y, x0, x1, ink);
  }
}

ClipGuard::ClipGuard(const Dc& dc, Bitmap& target, int64_t x0, int64_t y0, int64_t x1, int64_t y1)
    : clip_(dc.state.clip.get()), target_(target) {
  if (!clip_) return;
  area_ = {static_cast<LONG>(std::max<int64_t>(0, std::min(x0, x1))),
           static_cast<LONG>(std::max<int64_t>(0, std::min(y0, y1))),
           static_cast<LONG>(std::min<int64_t>(target.width, std::max(x0, x1))),
           static_cast<LONG>(std::min<int64_t>(target.height, std::max(y0, y1)))};
  if (area_.left >= area_.right || area_.top >= area_.bottom) {
    clip_ = nullptr;
    return;
  }
  const int w = area_.right - area_.left;
  saved_.resize(size_t(w) * size_t(area_.bottom - area_.top));
  for (int y = area_.top; y < area_.bottom; ++y) {
    uint32_t* out = saved_.data() + size_t(y - area_.top) * size_t(w);
    for (int x = area_.left; x < area_.right; ++x) {
      out[x - area_.left] = GetRaw(target.Row(y), target.bpp, x);
    }
  }
}

ClipGuard::~ClipGuard() {
  if (!clip_) return;
  const int w = area_.right - area_.left;
  for (int y = area_.top; y < area_.bottom; ++y) {
    const uint32_t* in = saved_.data() + size_t(y - area_.top) * size_t(w);
    int x = area_.left;
    auto restore = [&](int until) {
      for (; x < until; ++x) SetRaw(target_.Row(y), target_.bpp, x, in[x - area_.left]);
    };
    clip_->ForEachSpan(y, area_.left, area_.right, [&](int a, int b) {
      restore(a);
      x = b;
    });
    restore(area_.right);
  }
}

}  // namespace gdiport
