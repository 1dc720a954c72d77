// Aliased rasterisation of spans, lines, polygons and ellipses.
#include "platform/gdi/portable/Raster.h"

#include <algorithm>
#include <cmath>

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

Painter::Painter(const Dc& dc) : dc_(dc) {
  if (dc.type != DcType::Memory) return;
  target_ = static_cast<Bitmap*>(Lookup(dc.state.bitmap));
  if (target_ && target_->bpp <= 8) {
    mapper_ = std::make_unique<IndexMapper>(IndexColours(dc, target_->bpp));
  }
}

uint32_t Painter::Raw(COLORREF colour) {
  if (!target_) return 0;
  return RawValue(ResolveColour(dc_, colour), target_->bpp, mapper_.get());
}

void Painter::Span(int y, int x0, int x1, uint32_t raw, RawOp op) {
  if (!target_ || y < 0 || y >= target_->height) return;
  x0 = std::max(x0, 0);
  x1 = std::min(x1, target_->width);
  if (x0 >= x1) return;
  ApplyRaw(target_->Row(y), target_->bpp, x0, x1 - x0, raw, op);
}

void Painter::Fill(int x0, int y0, int x1, int y1, uint32_t raw, RawOp op) {
  if (!target_) return;
  y0 = std::max(y0, 0);
  y1 = std::min(y1, target_->height);
  for (int y = y0; y < y1; ++y) Span(y, x0, x1, raw, op);
}

void Painter::Line(int x0, int y0, int x1, int y1, uint32_t raw, int width) {
  if (!target_) return;
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
  auto dot = [&](int x, int y) {
    if (width <= 1) {
      if (x >= 0 && y >= 0 && x < target_->width && y < target_->height) {
        SetRaw(target_->Row(y), target_->bpp, x, raw);
      }
    } else {
      Fill(x - half, y - half, x - half + width, y - half + width, raw);
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
    if (t0 > t1) return;
    include_end = t1 < 1;
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
    dot(x, y);
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
}

void Painter::Polygon(const std::vector<POINT>& points, bool winding, uint32_t raw) {
  if (!target_ || points.size() < 3) return;
  LONG top = points[0].y, bottom = points[0].y;
  for (const POINT& p : points) {
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  }
  const int y0 = std::max<LONG>(top, 0);
  const int y1 = std::min<LONG>(bottom, target_->height);
  struct Crossing {
    double x;
    int dir;
  };
  std::vector<Crossing> crossings;
  for (int y = y0; y < y1; ++y) {
    const double yc = y + 0.5;
    crossings.clear();
    for (size_t i = 0; i < points.size(); ++i) {
      const POINT& a = points[i];
      const POINT& b = points[(i + 1) % points.size()];
      if (a.y == b.y) continue;
      const bool down = a.y < b.y;
      const double ya = down ? a.y : b.y, yb = down ? b.y : a.y;
      if (yc < ya || yc >= yb) continue;
      const double x = a.x + (yc - a.y) * double(b.x - a.x) / double(b.y - a.y);
      crossings.push_back({x, down ? 1 : -1});
    }
    std::sort(crossings.begin(), crossings.end(),
              [](const Crossing& l, const Crossing& r) { return l.x < r.x; });
    int count = 0;
    for (size_t i = 0; i + 1 < crossings.size(); ++i) {
      count += winding ? crossings[i].dir : 1;
      const bool inside = winding ? count != 0 : (count & 1) != 0;
      if (!inside) continue;
      // Pixels whose centres lie in [xa, xb).
      const double xa = crossings[i].x, xb = crossings[i + 1].x;
      const double first = std::ceil(xa - 0.5), end = std::ceil(xb - 0.5);
      Span(y, static_cast<int>(std::max(first, -1.0)),
           static_cast<int>(std::min(end, double(target_->width) + 1)), raw);
    }
  }
}

void Painter::Ellipse(int l, int t, int r, int b, bool fill, uint32_t fill_raw, bool ring,
                      uint32_t ring_raw, int width) {
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
        Span(y, ix0, ix1, fill_raw);
      } else if (!ring) {
        Span(y, ox0, ox1, fill_raw);
      }
    }
    if (ring) {
      if (has_inner) {
        Span(y, ox0, ix0, ring_raw);
        Span(y, ix1, ox1, ring_raw);
      } else {
        Span(y, ox0, ox1, ring_raw);
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
  const uint32_t raw = painter.Raw(brush->log.lbColor);
  painter.Fill(x0, y0, x1, y1, raw, rop == PATINVERT ? RawOp::Xor : RawOp::Copy);
}

}  // namespace gdiport
