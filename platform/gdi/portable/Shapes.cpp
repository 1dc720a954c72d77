// Brushes, pens and the drawing calls: FillRect, Rectangle, Ellipse, Polygon,
// Polyline, MoveToEx, LineTo, SetPixel, GetPixel, and the shapes behind them
// (ShapeOps.h). On a recording DC the calls append metafile records; on a
// memory DC they draw into its bitmap.
#include <algorithm>
#include <cmath>

#include "platform/gdi/portable/Drawing.h"
#include "platform/gdi/portable/MetaRecorder.h"
#include "platform/gdi/portable/Raster.h"
#include "platform/gdi/portable/Region.h"
#include "platform/gdi/portable/ShapeOps.h"

namespace gdiport {
namespace {

void RecordPoints(Dc& dc, DWORD type16, DWORD type32, const POINT* points, int count) {
  LONG l = points[0].x, t = points[0].y, r = l, b = t;
  bool small = true;
  for (int i = 0; i < count; ++i) {
    l = std::min(l, points[i].x);
    r = std::max(r, points[i].x);
    t = std::min(t, points[i].y);
    b = std::max(b, points[i].y);
    small = small && points[i].x >= -32768 && points[i].x <= 32767 && points[i].y >= -32768 &&
            points[i].y <= 32767;
  }
  dc.recorder->AddBounds(dc, l, t, r, b);
  std::vector<int32_t> body = {l, t, r, b, count};
  if (small) {
    for (int i = 0; i < count; ++i) {
      body.push_back(
          static_cast<int32_t>((uint32_t(uint16_t(points[i].y)) << 16) | uint16_t(points[i].x)));
    }
  } else {
    for (int i = 0; i < count; ++i) {
      body.push_back(points[i].x);
      body.push_back(points[i].y);
    }
  }
  dc.recorder->Record(small ? type16 : type32, body.data(), body.size() * sizeof(int32_t));
}

// Ellipse-family shapes sit half a pixel up and left, so that their
// integer-sampled fills match the pixel-centred ellipse of Windows.
PointF CurvePoint(const Matrix& m, double x, double y) {
  const PointF p = m.Apply(x, y);
  return {p.x - 0.5, p.y - 0.5};
}

// Adds a shape's figures to the DC's open path, or draws them.
bool Finish(Dc& dc, Path& shape, bool fill, bool stroke) {
  if (dc.state.path_open) {
    Path& path = dc.state.path;
    if (path.points.size() + shape.points.size() > kMaxPathPoints) return false;
    path.points.insert(path.points.end(), shape.points.begin(), shape.points.end());
    path.types.insert(path.types.end(), shape.types.begin(), shape.types.end());
    return true;
  }
  return DrawPath(dc, shape, fill, stroke);
}

// The four Bézier curves of an ellipse in a device box.
void EllipseFigure(Path& path, const Matrix& m, double l, double t, double r, double b) {
  const double k = 0.5522847498;
  const double cx = (l + r) / 2, cy = (t + b) / 2, rx = (r - l) / 2, ry = (b - t) / 2;
  auto at = [&](double x, double y) { return CurvePoint(m, x, y); };
  path.MoveTo(at(r, cy));
  path.BezierTo(at(r, cy - k * ry), at(cx + k * rx, t), at(cx, t));
  path.BezierTo(at(cx - k * rx, t), at(l, cy - k * ry), at(l, cy));
  path.BezierTo(at(l, cy + k * ry), at(cx - k * rx, b), at(cx, b));
  path.BezierTo(at(cx + k * rx, b), at(r, cy + k * ry), at(r, cy));
  path.CloseFigure();
}

double AngleOf(double cx, double cy, double rx, double ry, double x, double y) {
  return std::atan2(-(y - cy) / std::max(ry, 1e-9), (x - cx) / std::max(rx, 1e-9));
}

// The sweep from a to b in the direction (counter-clockwise: positive).
double Sweep(double a, double b, bool counter_clockwise) {
  const double two_pi = 2 * M_PI;
  double d = std::fmod(counter_clockwise ? b - a : a - b, two_pi);
  if (d <= 1e-12) d += two_pi;
  return counter_clockwise ? d : -d;
}

std::vector<PointF> Transformed(const Matrix& m, const std::vector<PointF>& logical) {
  std::vector<PointF> out;
  out.reserve(logical.size());
  for (const PointF& p : logical) out.push_back(CurvePoint(m, p.x, p.y));
  return out;
}

// The device points of the current position and a figure that continues it.
void Continue(Dc& dc, Path& shape) {
  Path& path = dc.state.path;
  if (dc.state.path_open && !path.Empty()) return;  // the figure goes on
  const POINT cp = dc.state.position;
  shape.MoveTo(DevicePoint(dc, cp.x, cp.y));
}

}  // namespace

PointF DevicePoint(const Dc& dc, double x, double y) {
  const PointF p = DeviceMatrix(dc).Apply(x, y);
  auto whole = [](double v) {
    return std::isfinite(v) ? std::floor(std::clamp(v, -1e12, 1e12) + 0.5) : v;
  };
  return {whole(p.x), whole(p.y)};
}

bool DrawRectangle(Dc& dc, int l, int t, int r, int b) {
  const Matrix m = DeviceMatrix(dc);
  if (dc.state.path_open || !m.AxisAligned()) {
    Path shape;
    const PointF a = DevicePoint(dc, l, t), c = DevicePoint(dc, r, b);
    if (m.AxisAligned()) {
      shape.MoveTo(a);
      shape.LineTo({c.x, a.y});
      shape.LineTo(c);
      shape.LineTo({a.x, c.y});
    } else {
      shape.MoveTo(m.Apply(l, t));
      shape.LineTo(m.Apply(r, t));
      shape.LineTo(m.Apply(r, b));
      shape.LineTo(m.Apply(l, b));
    }
    shape.CloseFigure();
    return Finish(dc, shape, true, true);
  }
  Painter painter(dc);
  if (!painter.HasTarget()) return true;
  const PointF a = DevicePoint(dc, l, t), c = DevicePoint(dc, r, b);
  if (!std::isfinite(a.x) || !std::isfinite(c.x) || !std::isfinite(a.y) || !std::isfinite(c.y)) {
    return false;
  }
  // In the advanced graphics mode the right and bottom edges belong to it.
  const int edge = dc.state.graphics_mode == GM_ADVANCED ? 1 : 0;
  const RECT box{RoundToInt(std::min(a.x, c.x)), RoundToInt(std::min(a.y, c.y)),
                 RoundToInt(std::max(a.x, c.x)) + edge, RoundToInt(std::max(a.y, c.y)) + edge};
  const PenUse pen = PenOf(dc);
  Ink ink;
  if (BrushInk(dc, painter, ink)) {
    // The brush covers [left, right) x [top, bottom) of the box with its
    // edges; without a pen Windows fills one pixel less to the right and
    // bottom in the compatible graphics mode.
    const int shrink = edge + (pen.visible || edge ? 0 : 1);
    const RECT bounds = painter.Bounds();
    const int bottom = std::min<LONG>(box.bottom - shrink, bounds.bottom);
    for (int y = std::max<LONG>(box.top, bounds.top); y < bottom; ++y) {
      painter.Paint(y, box.left, box.right - shrink, ink);
    }
  }
  if (!pen.visible || box.right <= box.left || box.bottom <= box.top) return true;
  double inset = 0;
  if (pen.inside_frame && pen.wide) inset = pen.shape.width / 2;
  const double x0 = box.left + inset, y0 = box.top + inset;
  const double x1 = std::max(x0, box.right - 1 - inset), y1 = std::max(y0, box.bottom - 1 - inset);
  const bool drawn = StrokeFigures(dc, painter, {{{{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}, true}});
  if (!pen.wide && (box.right - box.left == 1 || box.bottom - box.top == 1)) {
    Ink line;
    line.raw = painter.Raw(pen.colour);
    const RECT bounds = painter.Bounds();
    const int bottom = std::min<LONG>(box.bottom, bounds.bottom);
    for (int y = std::max<LONG>(box.top, bounds.top); y < bottom; ++y) {
      painter.Paint(y, box.left, box.right, line);
    }
  }
  return drawn;
}

bool DrawEllipse(Dc& dc, int l, int t, int r, int b) {
  const Matrix m = DeviceMatrix(dc);
  const PenUse pen = PenOf(dc);
  if (!dc.state.path_open && m.AxisAligned() && !pen.wide && pen.style != PS_DASH &&
      pen.style != PS_DOT && pen.style != PS_DASHDOT && pen.style != PS_DASHDOTDOT &&
      pen.style != PS_ALTERNATE && pen.style != PS_USERSTYLE) {
    Painter painter(dc);
    if (!painter.HasTarget()) return true;
    const PointF a = DevicePoint(dc, l, t), c = DevicePoint(dc, r, b);
    if (!(std::fabs(a.x) <= kMaxDeviceCoordinate && std::fabs(a.y) <= kMaxDeviceCoordinate &&
          std::fabs(c.x) <= kMaxDeviceCoordinate && std::fabs(c.y) <= kMaxDeviceCoordinate)) {
      return false;
    }
    Ink ink;
    const bool filled = BrushInk(dc, painter, ink);
    painter.Ellipse(RoundToInt(std::min(a.x, c.x)), RoundToInt(std::min(a.y, c.y)),
                    RoundToInt(std::max(a.x, c.x)), RoundToInt(std::max(a.y, c.y)),
                    filled ? &ink : nullptr, pen.visible, pen.visible ? painter.Raw(pen.colour) : 0,
                    1);
    return true;
  }
  Path shape;
  if (m.AxisAligned()) {
    const PointF a = DevicePoint(dc, l, t), c = DevicePoint(dc, r, b);
    EllipseFigure(shape, Matrix{}, a.x, a.y, c.x, c.y);
  } else {
    EllipseFigure(shape, m, l, t, r, b);
  }
  return Finish(dc, shape, true, true);
}

bool DrawRoundRect(Dc& dc, int l, int t, int r, int b, int w, int h) {
  const Matrix m = DeviceMatrix(dc);
  const double left = std::min(l, r), right = std::max(l, r);
  const double top = std::min(t, b), bottom = std::max(t, b);
  const double rw = std::min(std::fabs(double(w)), right - left);
  const double rh = std::min(std::fabs(double(h)), bottom - top);
  const double scale = m.Scale();
  std::vector<PointF> logical;
  auto corner = [&](double cl, double ct, double start) {
    const auto arc = ArcPoints(cl, ct, cl + rw, ct + rh, start, M_PI / 2, scale);
    logical.insert(logical.end(), arc.begin(), arc.end());
  };
  corner(right - rw, top, 0);
  corner(left, top, M_PI / 2);
  corner(left, bottom - rh, M_PI);
  corner(right - rw, bottom - rh, 3 * M_PI / 2);
  Path shape;
  const std::vector<PointF> device = Transformed(m, logical);
  shape.MoveTo(device[0]);
  for (size_t i = 1; i < device.size(); ++i) shape.LineTo(device[i]);
  shape.CloseFigure();
  return Finish(dc, shape, true, true);
}

bool DrawArc(Dc& dc, ArcKind kind, const RECT& box, POINT start, POINT end) {
  const Matrix m = DeviceMatrix(dc);
  const double l = box.left, t = box.top, r = box.right, b = box.bottom;
  const double cx = (l + r) / 2, cy = (t + b) / 2;
  const double rx = std::fabs(r - l) / 2, ry = std::fabs(b - t) / 2;
  const double a0 = AngleOf(cx, cy, rx, ry, start.x, start.y);
  const double a1 = AngleOf(cx, cy, rx, ry, end.x, end.y);
  // The direction is that seen on the device.
  bool ccw = dc.state.arc_direction == AD_COUNTERCLOCKWISE;
  if (m.Determinant() < 0) ccw = !ccw;
  const double sweep = Sweep(a0, a1, ccw);
  const std::vector<PointF> device = Transformed(m, ArcPoints(l, t, r, b, a0, sweep, m.Scale()));
  Path shape;
  if (kind == ArcKind::ArcTo) {
    Continue(dc, shape);
    shape.LineTo(device.front());
  } else {
    shape.MoveTo(device.front());
  }
  for (size_t i = 1; i < device.size(); ++i) shape.LineTo(device[i]);
  if (kind == ArcKind::Pie) shape.LineTo(CurvePoint(m, cx, cy));
  if (kind == ArcKind::Chord || kind == ArcKind::Pie) shape.CloseFigure();
  if (kind == ArcKind::ArcTo) {
    dc.state.position = {RoundToInt(cx + rx * std::cos(a0 + sweep)),
                         RoundToInt(cy - ry * std::sin(a0 + sweep))};
  }
  const bool closed = kind == ArcKind::Chord || kind == ArcKind::Pie;
  return Finish(dc, shape, closed, true);
}

bool DrawAngleArc(Dc& dc, int x, int y, DWORD radius, float start, float sweep) {
  if (!std::isfinite(start) || !std::isfinite(sweep) || radius > (1u << 30)) return false;
  const Matrix m = DeviceMatrix(dc);
  const double r = radius;
  const double a0 = std::fmod(double(start), 360.0) * M_PI / 180;
  // More than a turn draws the circle once more at most.
  const double s = std::clamp(double(sweep), -720.0, 720.0) * M_PI / 180;
  const std::vector<PointF> device =
      Transformed(m, ArcPoints(x - r, y - r, x + r, y + r, a0, s, m.Scale()));
  Path shape;
  Continue(dc, shape);
  for (const PointF& p : device) shape.LineTo(p);
  dc.state.position = {RoundToInt(x + r * std::cos(a0 + s)), RoundToInt(y - r * std::sin(a0 + s))};
  return Finish(dc, shape, false, true);
}

bool DrawPolygons(Dc& dc, const std::vector<std::vector<POINT>>& polygons) {
  Path shape;
  for (const auto& polygon : polygons) {
    if (polygon.size() < 2) continue;
    shape.MoveTo(DevicePoint(dc, polygon[0].x, polygon[0].y));
    for (size_t i = 1; i < polygon.size(); ++i) {
      shape.LineTo(DevicePoint(dc, polygon[i].x, polygon[i].y));
    }
    shape.CloseFigure();
  }
  if (shape.Empty()) return true;
  return Finish(dc, shape, true, true);
}

bool DrawPolylines(Dc& dc, const std::vector<std::vector<POINT>>& polylines) {
  Path shape;
  for (const auto& line : polylines) {
    if (line.size() < 2) continue;
    shape.MoveTo(DevicePoint(dc, line[0].x, line[0].y));
    for (size_t i = 1; i < line.size(); ++i) shape.LineTo(DevicePoint(dc, line[i].x, line[i].y));
  }
  if (shape.Empty()) return true;
  return Finish(dc, shape, false, true);
}

bool DrawPolylineTo(Dc& dc, const std::vector<POINT>& points) {
  if (points.empty()) return true;
  Path shape;
  Continue(dc, shape);
  for (const POINT& p : points) shape.LineTo(DevicePoint(dc, p.x, p.y));
  dc.state.position = points.back();
  return Finish(dc, shape, false, true);
}

bool DrawBeziers(Dc& dc, const std::vector<POINT>& points, bool to) {
  const size_t first = to ? 0 : 1;
  if (points.size() < first + 3) return true;
  Path shape;
  if (to) {
    Continue(dc, shape);
  } else {
    shape.MoveTo(DevicePoint(dc, points[0].x, points[0].y));
  }
  for (size_t i = first; i + 2 < points.size(); i += 3) {
    shape.BezierTo(DevicePoint(dc, points[i].x, points[i].y),
                   DevicePoint(dc, points[i + 1].x, points[i + 1].y),
                   DevicePoint(dc, points[i + 2].x, points[i + 2].y));
    if (to) dc.state.position = points[i + 2];
  }
  return Finish(dc, shape, false, true);
}

bool DrawPolyDraw(Dc& dc, const std::vector<POINT>& points, const std::vector<BYTE>& types) {
  Path shape;
  Continue(dc, shape);
  for (size_t i = 0; i < points.size(); ++i) {
    const BYTE type = types[i] & ~kCloseFigure;
    const PointF p = DevicePoint(dc, points[i].x, points[i].y);
    if (type == kBezierTo && i + 2 < points.size()) {
      shape.BezierTo(p, DevicePoint(dc, points[i + 1].x, points[i + 1].y),
                     DevicePoint(dc, points[i + 2].x, points[i + 2].y));
      i += 2;
    } else if (type == kMoveTo) {
      shape.MoveTo(p);
    } else {
      shape.LineTo(p);
    }
    if (types[i] & kCloseFigure) shape.CloseFigure();
    dc.state.position = points[i];
  }
  return Finish(dc, shape, false, true);
}

void MoveTo(Dc& dc, int x, int y) {
  dc.state.position = {x, y};
  if (dc.state.path_open && dc.state.path.points.size() < kMaxPathPoints) {
    dc.state.path.MoveTo(DevicePoint(dc, x, y));
  }
}

bool DrawLineTo(Dc& dc, int x, int y) {
  Path shape;
  Continue(dc, shape);
  shape.LineTo(DevicePoint(dc, x, y));
  dc.state.position = {x, y};
  return Finish(dc, shape, false, true);
}

}  // namespace gdiport

using namespace gdiport;

HBRUSH CreateSolidBrush(COLORREF colour) {
  LOGBRUSH log{BS_SOLID, colour, 0};
  return CreateBrushIndirect(&log);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* log) {
  if (!log) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto b = std::make_unique<Brush>();
  b->log = *log;
  if (b->log.lbStyle == BS_HATCHED && b->log.lbHatch > HS_DIAGCROSS) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (b->log.lbStyle != BS_NULL && b->log.lbStyle != BS_HATCHED) b->log.lbStyle = BS_SOLID;
  if (b->log.lbStyle != BS_HATCHED) b->log.lbHatch = 0;
  return static_cast<HBRUSH>(AddObject(std::move(b)));
}

HPEN CreatePen(int style, int width, COLORREF colour) {
  LOGPEN log{static_cast<UINT>(style), {width, 0}, colour};
  return CreatePenIndirect(&log);
}

HPEN CreatePenIndirect(const LOGPEN* log) {
  if (!log || log->lopnStyle > PS_INSIDEFRAME) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto p = std::make_unique<Pen>();
  p->log = *log;
  p->log.lopnWidth.y = 0;
  if (p->log.lopnWidth.x < 0) p->log.lopnWidth.x = 0;
  return static_cast<HPEN>(AddObject(std::move(p)));
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
  if (!rect || !GetDc(dc) || !Get<Brush>(brush, Kind::Brush)) return 0;
  HGDIOBJ old = SelectObject(dc, brush);
  if (!old) return 0;
  const BOOL ok = PatBlt(dc, rect->left, rect->top, rect->right - rect->left,
                         rect->bottom - rect->top, PATCOPY);
  SelectObject(dc, old);
  return ok;
}

BOOL Rectangle(HDC handle, int l, int t, int r, int b) {
  Dc* dc = GetDc(handle);
  if (!dc) return FALSE;
  if (dc->recorder) {
    dc->recorder->AddBounds(*dc, l, t, r - 1, b - 1);
    dc->recorder->RecordInts(EMR_RECTANGLE, {l, t, r, b});
    return TRUE;
  }
  DrawRectangle(*dc, l, t, r, b);
  return TRUE;
}

BOOL Ellipse(HDC handle, int l, int t, int r, int b) {
  Dc* dc = GetDc(handle);
  if (!dc) return FALSE;
  if (dc->recorder) {
    dc->recorder->AddBounds(*dc, l, t, r - 1, b - 1);
    dc->recorder->RecordInts(EMR_ELLIPSE, {l, t, r, b});
    return TRUE;
  }
  DrawEllipse(*dc, l, t, r, b);
  return TRUE;
}

namespace {

BOOL DrawPoints(HDC handle, const POINT* points, int count, bool polygon) {
  Dc* dc = GetDc(handle);
  if (!dc) return FALSE;
  if (!points || count < 2 || count > (1 << 24)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (dc->recorder) {
    if (polygon) {
      RecordPoints(*dc, EMR_POLYGON16, EMR_POLYGON, points, count);
    } else {
      RecordPoints(*dc, EMR_POLYLINE16, EMR_POLYLINE, points, count);
    }
    return TRUE;
  }
  const std::vector<std::vector<POINT>> figure{{points, points + count}};
  if (polygon) {
    DrawPolygons(*dc, figure);
  } else {
    DrawPolylines(*dc, figure);
  }
  return TRUE;
}

}  // namespace

BOOL Polygon(HDC dc, const POINT* points, int count) {
  return DrawPoints(dc, points, count, true);
}

BOOL Polyline(HDC dc, const POINT* points, int count) {
  return DrawPoints(dc, points, count, false);
}

BOOL MoveToEx(HDC handle, int x, int y, LPPOINT previous) {
  Dc* dc = GetDc(handle);
  if (!dc) return FALSE;
  if (previous) *previous = dc->state.position;
  if (dc->recorder) {
    dc->state.position = {x, y};
    dc->recorder->RecordInts(EMR_MOVETOEX, {x, y});
    return TRUE;
  }
  MoveTo(*dc, x, y);
  return TRUE;
}

BOOL LineTo(HDC handle, int x, int y) {
  Dc* dc = GetDc(handle);
  if (!dc) return FALSE;
  if (dc->recorder) {
    const POINT from = dc->state.position;
    dc->state.position = {x, y};
    dc->recorder->AddBounds(*dc, std::min<int>(from.x, x), std::min<int>(from.y, y),
                            std::max<int>(from.x, x), std::max<int>(from.y, y));
    dc->recorder->RecordInts(EMR_LINETO, {x, y});
    return TRUE;
  }
  DrawLineTo(*dc, x, y);
  return TRUE;
}

COLORREF SetPixel(HDC handle, int x, int y, COLORREF colour) {
  Dc* dc = GetDc(handle);
  if (!dc) return CLR_INVALID;
  if (dc->recorder) {
    dc->recorder->AddBounds(*dc, x, y, x, y);
    dc->recorder->RecordInts(EMR_SETPIXELV, {x, y, static_cast<int32_t>(colour)});
    return colour & 0xFFFFFF;
  }
  Painter painter(*dc);
  Bitmap* b = painter.Target();
  if (!b) return colour & 0xFFFFFF;
  const PointF d = DevicePoint(*dc, x, y);
  const POINT p{RoundToInt(d.x), RoundToInt(d.y)};
  const RECT bounds = painter.Bounds();
  if (p.x < bounds.left || p.y < bounds.top || p.x >= bounds.right || p.y >= bounds.bottom) {
    return CLR_INVALID;
  }
  bool inside = !dc->state.clip;
  if (dc->state.clip)
    dc->state.clip->ForEachSpan(p.y, p.x, p.x + 1, [&](int, int) { inside = true; });
  if (!inside) return CLR_INVALID;
  SetRaw(b->Row(p.y), b->bpp, p.x, painter.Raw(colour));
  return GetPixel(handle, x, y);
}

COLORREF GetPixel(HDC handle, int x, int y) {
  Dc* dc = GetDc(handle);
  if (!dc || dc->type != DcType::Memory) return CLR_INVALID;
  const Bitmap* b = static_cast<const Bitmap*>(Lookup(dc->state.bitmap));
  const PointF d = DevicePoint(*dc, x, y);
  const POINT p{RoundToInt(d.x), RoundToInt(d.y)};
  if (!b || p.x < 0 || p.y < 0 || p.x >= b->width || p.y >= b->height) {
    return CLR_INVALID;
  }
  std::vector<uint32_t> table;
  if (b->bpp <= 8) table = IndexColours(*dc, b->bpp);
  uint32_t pixel;
  UnpackRow(b->Row(p.y), b->bpp, p.x, 1, table.data(), &pixel);
  return ColorrefFromPixel(pixel);
}
