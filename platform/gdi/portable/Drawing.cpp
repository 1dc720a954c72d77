// Brush and pen drawing of device-space shapes.
#include "platform/gdi/portable/Drawing.h"

#include <algorithm>
#include <cmath>

#include "platform/gdi/portable/ScanConvert.h"

namespace gdiport {

namespace {

// Windows' hatch patterns, row by row (bit 7 is the left pixel).
void HatchRows(ULONG hatch, uint8_t rows[8]) {
  for (int y = 0; y < 8; ++y) {
    const uint8_t falling = static_cast<uint8_t>(0x80 >> y), rising = static_cast<uint8_t>(1 << y);
    switch (hatch) {
      case HS_HORIZONTAL:
        rows[y] = y == 3 ? 0xFF : 0;
        break;
      case HS_VERTICAL:
        rows[y] = 0x08;
        break;
      case HS_FDIAGONAL:
        rows[y] = falling;
        break;
      case HS_BDIAGONAL:
        rows[y] = rising;
        break;
      case HS_CROSS:
        rows[y] = y == 3 ? 0xFF : 0x08;
        break;
      default:
        rows[y] = falling | rising;
        break;
    }
  }
}

// Cosmetic dash patterns in pixels, as Windows draws them.
std::vector<uint32_t> CosmeticPattern(const PenUse& pen) {
  switch (pen.style) {
    case PS_DASH:
      return {18, 6};
    case PS_DOT:
      return {3, 3};
    case PS_DASHDOT:
      return {9, 6, 3, 6};
    case PS_DASHDOTDOT:
      return {9, 3, 3, 3, 3, 3};
    case PS_ALTERNATE:
      return {1, 1};
    case PS_USERSTYLE:
      return pen.user_style;
    default:
      return {};
  }
}

// Geometric dash patterns in pen widths.
std::vector<double> GeometricPattern(const PenUse& pen) {
  std::vector<double> unit;
  switch (pen.style) {
    case PS_DASH:
      unit = {3, 1};
      break;
    case PS_DOT:
      unit = {1, 1};
      break;
    case PS_DASHDOT:
      unit = {3, 1, 1, 1};
      break;
    case PS_DASHDOTDOT:
      unit = {3, 1, 1, 1, 1, 1};
      break;
    case PS_USERSTYLE:
      for (uint32_t v : pen.user_style) unit.push_back(std::max(1.0, double(v)) / pen.shape.width);
      break;
    default:
      return {};
  }
  if (unit.size() % 2) unit.insert(unit.end(), unit.begin(), unit.end());
  for (double& v : unit) v = std::max(1.0, v * pen.shape.width);
  return unit;
}

}  // namespace

PenUse PenOf(const Dc& dc) {
  PenUse use;
  const Pen* pen = static_cast<const Pen*>(Lookup(dc.state.pen));
  if (!pen) return use;
  use.style = static_cast<int>(pen->log.lopnStyle & PS_STYLE_MASK);
  if (use.style == PS_NULL) return use;
  use.visible = true;
  use.colour = pen->log.lopnColor;
  use.inside_frame = use.style == PS_INSIDEFRAME;
  use.user_style.assign(pen->user_style.begin(), pen->user_style.end());
  const Matrix m = DeviceMatrix(dc);
  const double scale = m.AxisAligned() ? std::fabs(m.m11) : m.Scale();
  const double width = double(pen->log.lopnWidth.x) * scale;
  if ((pen->geometric || pen->log.lopnWidth.x > 1) && width > 1.5) {
    use.wide = true;
    use.too_wide = !(width <= kMaxDeviceCoordinate);
    use.shape.width = std::round(width);
    use.shape.end_cap = static_cast<int>(pen->end_cap);
    use.shape.join = static_cast<int>(pen->join);
    use.shape.miter_limit = dc.state.miter_limit;
    // Pens made by CreatePen draw wide dashes solid, as on Windows.
    if (pen->geometric) use.shape.dashes = GeometricPattern(use);
  }
  return use;
}

bool BrushInk(const Dc& dc, Painter& painter, Ink& ink) {
  const Brush* brush = static_cast<const Brush*>(Lookup(dc.state.brush));
  if (!brush || brush->log.lbStyle == BS_NULL) return false;
  ink = Ink{};
  ink.raw = painter.Raw(brush->log.lbColor);
  if (brush->log.lbStyle == BS_HATCHED) {
    ink.hatched = true;
    HatchRows(static_cast<ULONG>(brush->log.lbHatch), ink.pattern);
    ink.origin = dc.state.brush_org;
    ink.opaque_gaps = dc.state.bk_mode == OPAQUE;
    ink.gap_raw = painter.Raw(dc.state.bk_colour);
  }
  return true;
}

void FillPolygons(const Dc& dc, Painter& painter, const std::vector<std::vector<PointF>>& polygons,
                  bool winding) {
  Ink ink;
  if (!painter.HasTarget() || !BrushInk(dc, painter, ink)) return;
  ScanPolygons(polygons, winding, painter.Bounds(),
               [&](int y, int a, int b) { painter.Paint(y, a, b, ink); });
}

bool StrokeFigures(const Dc& dc, Painter& painter, const std::vector<Figure>& figures) {
  const PenUse pen = PenOf(dc);
  if (!pen.visible || !painter.HasTarget()) return true;
  if (pen.too_wide) return false;
  const uint32_t raw = painter.Raw(pen.colour);
  if (pen.wide) {
    const RECT b = painter.Bounds();
    const BoxF box{double(b.left), double(b.top), double(b.right), double(b.bottom)};
    Ink ink;
    ink.raw = raw;
    ScanPolygons(PenOutline(figures, pen.shape, box), true, b,
                 [&](int y, int x0, int x1) { painter.Paint(y, x0, x1, ink); });
    return true;
  }
  Dashes dashes;
  dashes.lengths = CosmeticPattern(pen);
  for (uint32_t v : dashes.lengths) dashes.period += v;
  dashes.opaque_gaps = dc.state.bk_mode == OPAQUE;
  dashes.gap_raw = painter.Raw(dc.state.bk_colour);
  Dashes* dashed = dashes.period > 0 ? &dashes : nullptr;
  // Segments reaching far out are first cut to the target's neighbourhood,
  // in doubles, so that their slope survives the rounding to pixels.
  const RECT b = painter.Bounds();
  const double far = 1 << 20;
  const BoxF near{b.left - far, b.top - far, b.right + far, b.bottom + far};
  auto segment = [&](PointF a, PointF c) {
    if (std::fabs(a.x) > far || std::fabs(a.y) > far || std::fabs(c.x) > far ||
        std::fabs(c.y) > far) {
      double t0, t1;
      if (!ClipSegment(a, c, near, t0, t1)) return;
      const PointF d{c.x - a.x, c.y - a.y};
      c = {a.x + t1 * d.x, a.y + t1 * d.y};
      a = {a.x + t0 * d.x, a.y + t0 * d.y};
    }
    painter.Line(RoundToInt(a.x), RoundToInt(a.y), RoundToInt(c.x), RoundToInt(c.y), raw, 1,
                 dashed);
  };
  for (const Figure& f : figures) {
    for (size_t i = 0; i + 1 < f.points.size(); ++i) segment(f.points[i], f.points[i + 1]);
    if (f.closed && f.points.size() > 1) segment(f.points.back(), f.points[0]);
  }
  return true;
}

bool DrawPath(const Dc& dc, const Path& path, bool fill, bool stroke) {
  // Lines and fills take any finite coordinates (they are cut to the
  // target); curves are flattened first, so their points must stay near.
  if (path.TooLarge() || !path.Finite()) return false;
  if (std::find(path.types.begin(), path.types.end(), kBezierTo) != path.types.end() ||
      std::find(path.types.begin(), path.types.end(), kBezierTo | kCloseFigure) !=
          path.types.end()) {
    if (!path.Bounded()) return false;
  }
  Painter painter(dc);
  if (!painter.HasTarget()) return true;
  const RECT b = painter.Bounds();
  std::vector<Figure> figures =
      Flatten(path, BoxF{double(b.left), double(b.top), double(b.right), double(b.bottom)});
  if (fill) {
    std::vector<std::vector<PointF>> polygons;
    for (const Figure& f : figures) polygons.push_back(f.points);
    FillPolygons(dc, painter, polygons, dc.state.fill_mode == WINDING);
    for (Figure& f : figures) f.closed = true;
  }
  return !stroke || StrokeFigures(dc, painter, figures);
}

}  // namespace gdiport
