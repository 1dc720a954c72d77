// Brushes, pens and the drawing calls: FillRect, Rectangle, Ellipse, Polygon,
// Polyline, MoveToEx, LineTo, SetPixel, GetPixel. On a recording DC they
// append metafile records; on a memory DC they draw into its bitmap.
#include <algorithm>
#include <cmath>

#include "platform/gdi/portable/MetaRecorder.h"
#include "platform/gdi/portable/Raster.h"

namespace gdiport {
namespace {

struct PenStyle {
  bool visible = false;
  COLORREF colour = 0;
  int width = 1;
};

PenStyle PenOf(const Dc& dc) {
  PenStyle s;
  const Pen* pen = static_cast<const Pen*>(Lookup(dc.state.pen));
  if (!pen || pen->log.lopnStyle == PS_NULL) return s;
  s.visible = true;
  s.colour = pen->log.lopnColor;
  if (pen->log.lopnWidth.x > 1) {
    const double scale = std::fabs(DeviceAxisX(dc).scale);
    s.width = std::clamp(RoundToInt(pen->log.lopnWidth.x * scale), 1, 1 << 16);
  }
  return s;
}

// The brush colour, or false for a hollow brush.
bool BrushOf(const Dc& dc, COLORREF& colour) {
  const Brush* brush = static_cast<const Brush*>(Lookup(dc.state.brush));
  if (!brush || brush->log.lbStyle == BS_NULL) return false;
  colour = brush->log.lbColor;
  return true;
}

POINT ToDevice(const Dc& dc, LONG x, LONG y) {
  return {RoundToInt(DeviceAxisX(dc).Apply(x)), RoundToInt(DeviceAxisY(dc).Apply(y))};
}

// Device box of a logical rectangle, normalised.
RECT DeviceBox(const Dc& dc, int l, int t, int r, int b) {
  const POINT a = ToDevice(dc, l, t), c = ToDevice(dc, r, b);
  return {std::min(a.x, c.x), std::min(a.y, c.y), std::max(a.x, c.x), std::max(a.y, c.y)};
}

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

void Outline(Painter& painter, const std::vector<POINT>& points, bool closed, const PenStyle& pen) {
  const uint32_t raw = painter.Raw(pen.colour);
  const size_t n = points.size();
  for (size_t i = 0; i + 1 < n; ++i) {
    painter.Line(points[i].x, points[i].y, points[i + 1].x, points[i + 1].y, raw, pen.width);
  }
  if (closed && n > 1) {
    painter.Line(points[n - 1].x, points[n - 1].y, points[0].x, points[0].y, raw, pen.width);
  }
}

}  // namespace
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
  if (b->log.lbStyle != BS_NULL) b->log.lbStyle = BS_SOLID;
  b->log.lbHatch = 0;
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
  Painter painter(*dc);
  if (!painter.HasTarget()) return TRUE;
  const RECT box = DeviceBox(*dc, l, t, r, b);
  const PenStyle pen = PenOf(*dc);
  COLORREF fill;
  if (BrushOf(*dc, fill)) {
    // Without a pen Windows fills one pixel less to the right and bottom.
    const int shrink = pen.visible ? 0 : 1;
    painter.Fill(box.left, box.top, box.right - shrink, box.bottom - shrink, painter.Raw(fill));
  }
  if (pen.visible && box.right > box.left && box.bottom > box.top) {
    Outline(painter,
            {{box.left, box.top},
             {box.right - 1, box.top},
             {box.right - 1, box.bottom - 1},
             {box.left, box.bottom - 1}},
            true, pen);
    if (box.right - box.left == 1 || box.bottom - box.top == 1) {
      painter.Fill(box.left, box.top, box.right, box.bottom, painter.Raw(pen.colour));
    }
  }
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
  Painter painter(*dc);
  if (!painter.HasTarget()) return TRUE;
  const RECT box = DeviceBox(*dc, l, t, r, b);
  const PenStyle pen = PenOf(*dc);
  COLORREF fill = 0;
  const bool filled = BrushOf(*dc, fill);
  const int shrink = pen.visible ? 0 : 1;
  painter.Ellipse(box.left, box.top, box.right - shrink, box.bottom - shrink, filled,
                  filled ? painter.Raw(fill) : 0, pen.visible,
                  pen.visible ? painter.Raw(pen.colour) : 0, pen.width);
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
  Painter painter(*dc);
  if (!painter.HasTarget()) return TRUE;
  std::vector<POINT> device(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    device[i] = ToDevice(*dc, points[i].x, points[i].y);
  }
  COLORREF fill;
  if (polygon && BrushOf(*dc, fill)) {
    painter.Polygon(device, dc->state.fill_mode == WINDING, painter.Raw(fill));
  }
  const PenStyle pen = PenOf(*dc);
  if (pen.visible) Outline(painter, device, polygon, pen);
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
  dc->state.position = {x, y};
  if (dc->recorder) dc->recorder->RecordInts(EMR_MOVETOEX, {x, y});
  return TRUE;
}

BOOL LineTo(HDC handle, int x, int y) {
  Dc* dc = GetDc(handle);
  if (!dc) return FALSE;
  const POINT from = dc->state.position;
  dc->state.position = {x, y};
  if (dc->recorder) {
    dc->recorder->AddBounds(*dc, std::min<int>(from.x, x), std::min<int>(from.y, y),
                            std::max<int>(from.x, x), std::max<int>(from.y, y));
    dc->recorder->RecordInts(EMR_LINETO, {x, y});
    return TRUE;
  }
  Painter painter(*dc);
  const PenStyle pen = PenOf(*dc);
  if (!painter.HasTarget() || !pen.visible) return TRUE;
  const POINT a = ToDevice(*dc, from.x, from.y), b = ToDevice(*dc, x, y);
  painter.Line(a.x, a.y, b.x, b.y, painter.Raw(pen.colour), pen.width);
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
  const POINT p = ToDevice(*dc, x, y);
  if (p.x < 0 || p.y < 0 || p.x >= b->width || p.y >= b->height) {
    return CLR_INVALID;
  }
  SetRaw(b->Row(p.y), b->bpp, p.x, painter.Raw(colour));
  return GetPixel(handle, x, y);
}

COLORREF GetPixel(HDC handle, int x, int y) {
  Dc* dc = GetDc(handle);
  if (!dc || dc->type != DcType::Memory) return CLR_INVALID;
  const Bitmap* b = static_cast<const Bitmap*>(Lookup(dc->state.bitmap));
  const POINT p = ToDevice(*dc, x, y);
  if (!b || p.x < 0 || p.y < 0 || p.x >= b->width || p.y >= b->height) {
    return CLR_INVALID;
  }
  std::vector<uint32_t> table;
  if (b->bpp <= 8) table = IndexColours(*dc, b->bpp);
  uint32_t pixel;
  UnpackRow(b->Row(p.y), b->bpp, p.x, 1, table.data(), &pixel);
  return ColorrefFromPixel(pixel);
}
