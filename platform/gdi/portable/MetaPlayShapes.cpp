// The metafile player's records for shapes, curves, paths, clipping,
// transforms, fonts, pens and text. Each reader checks its counts against the
// record's size (a record that does not hold what it claims ends playback
// with a failure); shapes that cannot be drawn are counted.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gdi/portable/Drawing.h"
#include "platform/gdi/portable/MetaPlayer.h"
#include "platform/gdi/portable/Region.h"
#include "platform/gdi/portable/ScanConvert.h"
#include "platform/gdi/portable/ShapeOps.h"
#include "platform/gdi/portable/Text.h"

namespace gdiport {

namespace {

// Offsets in the records (from the record start).
constexpr size_t kBoundsEnd = 24;     // EMR and rclBounds
constexpr size_t kRgnHeader = 32;     // RGNDATAHEADER
constexpr size_t kLogFontSize = 92;   // LOGFONTW
constexpr size_t kTextRecord = 76;    // EMREXTTEXTOUTW without string and spacing
constexpr size_t kExtPenRecord = 52;  // EMREXTCREATEPEN without style entries

bool Finite(float v) {
  return std::isfinite(v);
}

}  // namespace

bool Player::PlayPoly(bool small, DWORD kind) {
  uint32_t count = 0;
  if (!ReadAt(kBoundsEnd, &count, 4) || !Fits(kBoundsEnd + 4, count, small ? 4 : 8)) return false;
  const std::vector<POINT> points = PointsAt(kBoundsEnd + 4, count, small);
  bool drawn = true;
  switch (kind) {
    case EMR_POLYGON:
      if (count < 2) return true;
      drawn = dc_.recorder ? Polygon(handle_, points.data(), static_cast<int>(count)) != 0
                           : DrawPolygons(dc_, {points});
      break;
    case EMR_POLYLINE:
      if (count < 2) return true;
      drawn = dc_.recorder ? Polyline(handle_, points.data(), static_cast<int>(count)) != 0
                           : DrawPolylines(dc_, {points});
      break;
    case EMR_POLYLINETO:
      drawn = DrawPolylineTo(dc_, points);
      break;
    case EMR_POLYBEZIER:
      drawn = count == 0 || ((count - 1) % 3 == 0 && DrawBeziers(dc_, points, false));
      break;
    default:  // EMR_POLYBEZIERTO
      drawn = count % 3 == 0 && DrawBeziers(dc_, points, true);
      break;
  }
  if (!drawn) NotDrawn();
  return true;
}

bool Player::PlayPolyPoly(bool small, bool polygon) {
  uint32_t polys = 0, total = 0;
  if (!ReadAt(kBoundsEnd, &polys, 4) || !ReadAt(kBoundsEnd + 4, &total, 4) ||
      !Fits(kBoundsEnd + 8, polys, 4)) {
    return false;
  }
  const uint64_t points_at = kBoundsEnd + 8 + uint64_t{polys} * 4;
  if (!Fits(points_at, total, small ? 4 : 8)) return false;
  std::vector<uint32_t> counts(polys);
  if (polys) std::memcpy(counts.data(), record_ + kBoundsEnd + 8, 4 * size_t{polys});
  uint64_t sum = 0;
  for (uint32_t c : counts) sum += c;
  if (sum != total) return false;
  const std::vector<POINT> points = PointsAt(static_cast<size_t>(points_at), total, small);
  std::vector<std::vector<POINT>> figures;
  size_t at = 0;
  for (uint32_t c : counts) {
    figures.emplace_back(points.begin() + at, points.begin() + at + c);
    at += c;
  }
  if (!(polygon ? DrawPolygons(dc_, figures) : DrawPolylines(dc_, figures))) NotDrawn();
  return true;
}

bool Player::PlayPolyDraw(bool small) {
  uint32_t count = 0;
  if (!ReadAt(kBoundsEnd, &count, 4) || !Fits(kBoundsEnd + 4, count, small ? 5 : 9)) return false;
  const std::vector<POINT> points = PointsAt(kBoundsEnd + 4, count, small);
  const uint8_t* t = record_ + kBoundsEnd + 4 + size_t{count} * (small ? 4 : 8);
  const std::vector<BYTE> types(t, t + count);
  if (!DrawPolyDraw(dc_, points, types)) NotDrawn();
  return true;
}

bool Player::PlayShape(bool& known) {
  known = true;
  int32_t v[8];
  bool drawn = true;
  switch (emr_.iType) {
    case EMR_RECTANGLE:
    case EMR_ELLIPSE: {
      int32_t box[4];
      if (!Params(box)) return false;
      if (dc_.recorder) {
        (emr_.iType == EMR_RECTANGLE ? Rectangle : Ellipse)(handle_, box[0], box[1], box[2],
                                                            box[3]);
      } else if (emr_.iType == EMR_RECTANGLE) {
        drawn = DrawRectangle(dc_, box[0], box[1], box[2], box[3]);
      } else {
        drawn = DrawEllipse(dc_, box[0], box[1], box[2], box[3]);
      }
      break;
    }
    case EMR_ROUNDRECT: {
      int32_t r[6];
      if (!Params(r)) return false;
      drawn = DrawRoundRect(dc_, r[0], r[1], r[2], r[3], r[4], r[5]);
      break;
    }
    case EMR_ARC:
    case EMR_CHORD:
    case EMR_PIE:
    case EMR_ARCTO: {
      if (!Params(v)) return false;
      const ArcKind kind = emr_.iType == EMR_ARC     ? ArcKind::Arc
                           : emr_.iType == EMR_CHORD ? ArcKind::Chord
                           : emr_.iType == EMR_PIE   ? ArcKind::Pie
                                                     : ArcKind::ArcTo;
      drawn =
          DrawArc(dc_, kind, RECT{v[0], v[1], v[2], v[3]}, POINT{v[4], v[5]}, POINT{v[6], v[7]});
      break;
    }
    case EMR_ANGLEARC: {
      int32_t centre[2];
      uint32_t radius = 0;
      float angles[2];
      if (!Params(centre) || !ReadAt(16, &radius, 4) || !ReadAt(20, angles, 8)) return false;
      drawn = DrawAngleArc(dc_, centre[0], centre[1], radius, angles[0], angles[1]);
      break;
    }
    case EMR_POLYGON:
    case EMR_POLYLINE:
    case EMR_POLYBEZIER:
    case EMR_POLYBEZIERTO:
    case EMR_POLYLINETO:
      return PlayPoly(false, emr_.iType);
    case EMR_POLYGON16:
      return PlayPoly(true, EMR_POLYGON);
    case EMR_POLYLINE16:
      return PlayPoly(true, EMR_POLYLINE);
    case EMR_POLYBEZIER16:
      return PlayPoly(true, EMR_POLYBEZIER);
    case EMR_POLYBEZIERTO16:
      return PlayPoly(true, EMR_POLYBEZIERTO);
    case EMR_POLYLINETO16:
      return PlayPoly(true, EMR_POLYLINETO);
    case EMR_POLYPOLYGON:
    case EMR_POLYPOLYGON16:
      return PlayPolyPoly(emr_.iType == EMR_POLYPOLYGON16, true);
    case EMR_POLYPOLYLINE:
    case EMR_POLYPOLYLINE16:
      return PlayPolyPoly(emr_.iType == EMR_POLYPOLYLINE16, false);
    case EMR_POLYDRAW:
    case EMR_POLYDRAW16:
      return PlayPolyDraw(emr_.iType == EMR_POLYDRAW16);
    case EMR_MOVETOEX:
    case EMR_LINETO: {
      int32_t p[2];
      if (!Params(p)) return false;
      if (dc_.recorder) {
        if (emr_.iType == EMR_MOVETOEX) {
          MoveToEx(handle_, p[0], p[1], nullptr);
        } else {
          LineTo(handle_, p[0], p[1]);
        }
      } else if (emr_.iType == EMR_MOVETOEX) {
        MoveTo(dc_, p[0], p[1]);
      } else {
        drawn = DrawLineTo(dc_, p[0], p[1]);
      }
      break;
    }
    case EMR_EXTTEXTOUTW:
    case EMR_EXTTEXTOUTA:
      return PlayText(emr_.iType == EMR_EXTTEXTOUTW);
    case EMR_FILLRGN:
    case EMR_PAINTRGN:
    case EMR_INVERTRGN:
      return PlayRegionPaint();
    default:
      known = false;
      return true;
  }
  if (!drawn) NotDrawn();
  return true;
}

bool Player::PlayPath(bool& known) {
  known = true;
  DcState& s = dc_.state;
  switch (emr_.iType) {
    case EMR_BEGINPATH:
      s.path = Path{};
      s.path_open = true;
      s.path_ready = false;
      return true;
    case EMR_ENDPATH:
      if (s.path_open) {
        s.path_open = false;
        s.path_ready = true;
      }
      return true;
    case EMR_CLOSEFIGURE:
      if (s.path_open) s.path.CloseFigure();
      return true;
    case EMR_ABORTPATH:
      s.path = Path{};
      s.path_open = s.path_ready = false;
      return true;
    case EMR_FILLPATH:
    case EMR_STROKEPATH:
    case EMR_STROKEANDFILLPATH: {
      if (!s.path_ready) return true;  // no path: the call fails on Windows too
      const bool fill = emr_.iType != EMR_STROKEPATH, stroke = emr_.iType != EMR_FILLPATH;
      if (!DrawPath(dc_, s.path, fill, stroke)) NotDrawn();
      s.path = Path{};
      s.path_ready = false;
      return true;
    }
    case EMR_FLATTENPATH:
    case EMR_WIDENPATH: {
      if (!s.path_ready) return true;
      if (s.path.TooLarge() || !s.path.Bounded()) {
        NotDrawn();
        return true;
      }
      Painter painter(dc_);
      const RECT b = painter.Bounds();
      const BoxF box{double(b.left), double(b.top), double(b.right), double(b.bottom)};
      std::vector<Figure> figures = Flatten(s.path, box);
      std::vector<std::vector<PointF>> outlines;
      if (emr_.iType == EMR_WIDENPATH) {
        const PenUse pen = PenOf(dc_);
        if (pen.too_wide) {
          NotDrawn();
          return true;
        }
        PenShape shape = pen.shape;
        if (!pen.wide) shape.width = 1;
        outlines = PenOutline(figures, shape, box);
        figures.clear();
        for (auto& o : outlines) figures.push_back({std::move(o), true});
      }
      s.path = Path{};
      for (const Figure& f : figures) {
        if (f.points.empty()) continue;
        s.path.MoveTo(f.points[0]);
        for (size_t i = 1; i < f.points.size(); ++i) s.path.LineTo(f.points[i]);
        if (f.closed) s.path.CloseFigure();
      }
      return true;
    }
    case EMR_SELECTCLIPPATH: {
      int32_t mode;
      if (!Param(0, mode)) return false;
      if (!s.path_ready) return true;
      if (s.path.TooLarge() || !s.path.Bounded() || mode < RGN_AND || mode > RGN_COPY) {
        NotDrawn();
      } else {
        std::vector<std::vector<PointF>> polygons;
        const Bitmap* target = dc_.type == DcType::Memory
                                   ? static_cast<const Bitmap*>(Lookup(dc_.state.bitmap))
                                   : nullptr;
        const BoxF box{0, 0, target ? double(target->width) : 0,
                       target ? double(target->height) : 0};
        for (Figure& f : Flatten(s.path, box)) polygons.push_back(std::move(f.points));
        CombineClip(PolygonRegion(polygons, s.fill_mode == WINDING), mode);
      }
      s.path = Path{};
      s.path_ready = false;
      return true;
    }
    default:
      known = false;
      return true;
  }
}

Region Player::PolygonRegion(const std::vector<std::vector<PointF>>& polygons, bool winding) const {
  const Bitmap* target =
      dc_.type == DcType::Memory ? static_cast<const Bitmap*>(Lookup(dc_.state.bitmap)) : nullptr;
  if (!target) return Region();
  std::vector<RECT> rects;
  ScanPolygons(polygons, winding, RECT{0, 0, target->width, target->height},
               [&](int y, int a, int b) {
                 rects.push_back({a, y, b, y + 1});
               });
  return Region(rects);
}

void Player::CombineClip(const Region& region, int mode) {
  Region result = dc_.state.clip ? *dc_.state.clip
                                 : Region(-kRegionLimit, -kRegionLimit, kRegionLimit, kRegionLimit);
  result.Combine(region, mode);
  if (base_clip_) result.Combine(*base_clip_, RGN_AND);
  dc_.state.clip = std::make_shared<const Region>(std::move(result));
}

bool Player::ReadRegion(size_t offset, DWORD size, Region& out) const {
  DWORD header[4];
  if (size < kRgnHeader || !Fits(offset, 1, size) || !ReadAt(offset, header, sizeof header)) {
    return false;
  }
  const DWORD header_size = header[0], count = header[2];
  if (header_size < kRgnHeader || header_size > size ||
      count > (size - header_size) / sizeof(RECT)) {
    return false;
  }
  std::vector<RECT> rects(count);
  if (count) std::memcpy(rects.data(), record_ + offset + header_size, count * sizeof(RECT));
  // Reference-device pixels to the target's.
  for (RECT& r : rects) {
    r = {RoundToInt(dc_.play_x.Apply(r.left)), RoundToInt(dc_.play_y.Apply(r.top)),
         RoundToInt(dc_.play_x.Apply(r.right)), RoundToInt(dc_.play_y.Apply(r.bottom))};
    if (r.left > r.right) std::swap(r.left, r.right);
    if (r.top > r.bottom) std::swap(r.top, r.bottom);
  }
  out = Region(rects);
  return true;
}

bool Player::PlayClip(bool& known) {
  known = true;
  switch (emr_.iType) {
    case EMR_INTERSECTCLIPRECT:
    case EMR_EXCLUDECLIPRECT: {
      int32_t r[4];
      if (!Params(r)) return false;
      const int mode = emr_.iType == EMR_INTERSECTCLIPRECT ? RGN_AND : RGN_DIFF;
      const Matrix m = DeviceMatrix(dc_);
      if (m.AxisAligned()) {
        const PointF a = DevicePoint(dc_, r[0], r[1]), b = DevicePoint(dc_, r[2], r[3]);
        if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) ||
            !std::isfinite(b.y)) {
          NotDrawn();
          return true;
        }
        CombineClip(Region(RoundToInt(std::min(a.x, b.x)), RoundToInt(std::min(a.y, b.y)),
                           RoundToInt(std::max(a.x, b.x)), RoundToInt(std::max(a.y, b.y))),
                    mode);
      } else {
        CombineClip(PolygonRegion({{m.Apply(r[0], r[1]), m.Apply(r[2], r[1]), m.Apply(r[2], r[3]),
                                    m.Apply(r[0], r[3])}},
                                  false),
                    mode);
      }
      return true;
    }
    case EMR_OFFSETCLIPRGN: {
      int32_t p[2];
      if (!Params(p)) return false;
      if (dc_.state.clip) {
        const Matrix m = DeviceMatrix(dc_);
        const double dx = p[0] * m.m11 + p[1] * m.m21, dy = p[0] * m.m12 + p[1] * m.m22;
        if (!std::isfinite(dx) || !std::isfinite(dy)) {
          NotDrawn();
          return true;
        }
        Region moved = *dc_.state.clip;
        moved.Offset(RoundToInt(dx), RoundToInt(dy));
        if (base_clip_) moved.Combine(*base_clip_, RGN_AND);
        dc_.state.clip = std::make_shared<const Region>(std::move(moved));
      }
      return true;
    }
    case EMR_EXTSELECTCLIPRGN: {
      DWORD size = 0, mode = 0;
      if (!ReadAt(8, &size, 4) || !ReadAt(12, &mode, 4)) return false;
      if (mode < RGN_AND || mode > RGN_COPY) {
        NotDrawn();
        return true;
      }
      if (size == 0) {
        // No region: RGN_COPY goes back to no clipping.
        if (mode == RGN_COPY) dc_.state.clip = base_clip_;
        return true;
      }
      Region region;
      if (!ReadRegion(16, size, region)) return false;
      CombineClip(region, static_cast<int>(mode));
      return true;
    }
    case EMR_SETMETARGN:
      base_clip_ = dc_.state.clip;
      return true;
    default:
      known = false;
      return true;
  }
}

bool Player::PlayTransform(bool& known) {
  known = true;
  switch (emr_.iType) {
    case EMR_SETWORLDTRANSFORM:
    case EMR_MODIFYWORLDTRANSFORM: {
      XFORM x;
      int32_t mode = MWT_SET;
      if (!ReadAt(8, &x, sizeof x)) return false;
      if (emr_.iType == EMR_MODIFYWORLDTRANSFORM && !ReadAt(8 + sizeof x, &mode, 4)) return false;
      const Matrix m = Matrix::FromXform(x);
      if (mode == MWT_IDENTITY) {
        dc_.state.world = Matrix{};
        return true;
      }
      // Windows refuses transforms that cannot be inverted.
      if (!m.Finite() || !(std::fabs(m.Determinant()) > 1e-20) || mode < MWT_IDENTITY ||
          mode > MWT_SET) {
        NotDrawn();
        return true;
      }
      Matrix& w = dc_.state.world;
      const Matrix next = mode == MWT_LEFTMULTIPLY    ? m.Then(w)
                          : mode == MWT_RIGHTMULTIPLY ? w.Then(m)
                                                      : m;
      if (!next.Finite()) {
        NotDrawn();
        return true;
      }
      w = next;
      return true;
    }
    case EMR_SCALEVIEWPORTEXTEX:
    case EMR_SCALEWINDOWEXTEX: {
      int32_t r[4];
      if (!Params(r)) return false;
      const bool viewport = emr_.iType == EMR_SCALEVIEWPORTEXTEX;
      const SIZE e = viewport ? dc_.state.viewport_ext : dc_.state.window_ext;
      if (r[1] == 0 || r[3] == 0) return true;
      const int64_t x = int64_t{e.cx} * r[0] / r[1], y = int64_t{e.cy} * r[2] / r[3];
      if (x == 0 || y == 0 || x != int32_t(x) || y != int32_t(y)) {
        NotDrawn();
        return true;
      }
      if (viewport) {
        SetViewportExtEx(handle_, int(x), int(y), nullptr);
      } else {
        SetWindowExtEx(handle_, int(x), int(y), nullptr);
      }
      return true;
    }
    default:
      known = false;
      return true;
  }
}

bool Player::PlayText(bool wide) {
  if (emr_.nSize < kTextRecord) return false;
  POINTL reference;
  DWORD chars = 0, off_string = 0, options = 0, off_dx = 0;
  RECTL rect;
  ReadAt(36, &reference, 8);
  ReadAt(44, &chars, 4);
  ReadAt(48, &off_string, 4);
  ReadAt(52, &options, 4);
  ReadAt(56, &rect, 16);
  ReadAt(72, &off_dx, 4);
  if (!Fits(off_string, chars, wide ? 2 : 1)) return false;
  const uint64_t per_char = (options & ETO_PDY) ? 2 : 1;
  if (off_dx != 0 && !Fits(off_dx, chars * per_char, 4)) return false;
  TextRun run;
  run.reference = {reference.x, reference.y};
  run.options = options;
  run.rect = {rect.left, rect.top, rect.right, rect.bottom};
  run.text.resize(chars);
  for (DWORD i = 0; i < chars; ++i) {
    if (wide) {
      std::memcpy(&run.text[i], record_ + off_string + 2 * size_t{i}, 2);
    } else {
      run.text[i] = record_[off_string + i];  // Latin-1
    }
  }
  if (off_dx != 0) {
    run.dx.resize(chars * per_char);
    if (!run.dx.empty()) std::memcpy(run.dx.data(), record_ + off_dx, 4 * run.dx.size());
  }
  if (dc_.state.path_open || !DrawText(dc_, run)) NotDrawn();
  return true;
}

bool Player::PlayRegionPaint() {
  DWORD size = 0, brush = 0;
  size_t at = kBoundsEnd + 4;
  if (!ReadAt(kBoundsEnd, &size, 4)) return false;
  if (emr_.iType == EMR_FILLRGN) {
    if (!ReadAt(kBoundsEnd + 4, &brush, 4)) return false;
    at += 4;
  }
  Region region;
  if (!ReadRegion(at, size, region)) return false;
  HGDIOBJ old = nullptr;
  if (emr_.iType == EMR_FILLRGN) {
    HGDIOBJ b = ObjectAt(brush);
    if (GetObjectType(b) != OBJ_BRUSH) return true;
    old = SelectObject(handle_, b);
  }
  {
    Painter painter(dc_);
    Ink ink;
    const bool invert = emr_.iType == EMR_INVERTRGN;
    if (invert) painter.SetMix(R2_NOT);
    if (painter.HasTarget() && (invert || BrushInk(dc_, painter, ink))) {
      if (!invert) painter.SetMix(R2_COPYPEN);
      const RECT e = region.Extents(), b = painter.Bounds();
      for (int y = std::max(e.top, b.top); y < std::min(e.bottom, b.bottom); ++y) {
        region.ForEachSpan(y, b.left, b.right,
                           [&](int x0, int x1) { painter.Paint(y, x0, x1, ink); });
      }
    }
  }
  if (old) SelectObject(handle_, old);
  return true;
}

bool Player::PlayObjects(bool& known) {
  known = true;
  DcState& s = dc_.state;
  int32_t v = 0;
  switch (emr_.iType) {
    case EMR_CREATEPEN: {
      EMRCREATEPEN r;
      if (!Read(r) || !Slot(r.ihPen)) return false;
      auto pen = std::make_unique<Pen>();
      const UINT style = r.lopn.lopnStyle;
      pen->log = {
          style & PS_STYLE_MASK, {std::max<LONG>(r.lopn.lopnWidth.x, 0), 0}, r.lopn.lopnColor};
      if (pen->log.lopnStyle > PS_ALTERNATE) pen->log.lopnStyle = PS_SOLID;
      pen->end_cap = style & PS_ENDCAP_MASK;
      pen->join = style & PS_JOIN_MASK;
      pen->geometric = (style & PS_TYPE_MASK) == PS_GEOMETRIC;
      Store(r.ihPen, AddObject(std::move(pen)));
      return true;
    }
    case EMR_EXTCREATEPEN: {
      DWORD index = 0, style = 0, width = 0, brush_style = 0, colour = 0, entries = 0;
      if (emr_.nSize < kExtPenRecord) return false;
      ReadAt(8, &index, 4);
      ReadAt(28, &style, 4);
      ReadAt(32, &width, 4);
      ReadAt(36, &brush_style, 4);
      ReadAt(40, &colour, 4);
      ReadAt(48, &entries, 4);
      if (!Slot(index) || !Fits(kExtPenRecord, entries, 4)) return false;
      auto pen = std::make_unique<Pen>();
      pen->log = {brush_style == BS_NULL ? UINT(PS_NULL) : style & PS_STYLE_MASK,
                  {static_cast<LONG>(std::min<DWORD>(width, 1u << 30)), 0},
                  colour};
      if (pen->log.lopnStyle > PS_ALTERNATE) pen->log.lopnStyle = PS_SOLID;
      pen->geometric = (style & PS_TYPE_MASK) == PS_GEOMETRIC;
      pen->end_cap = style & PS_ENDCAP_MASK;
      pen->join = style & PS_JOIN_MASK;
      if ((style & PS_STYLE_MASK) == PS_USERSTYLE) {
        pen->user_style.resize(std::min<DWORD>(entries, 16));
        if (!pen->user_style.empty()) {
          std::memcpy(pen->user_style.data(), record_ + kExtPenRecord, 4 * pen->user_style.size());
        }
      }
      // Pattern brushes in pens are drawn in the pen's colour.
      if (brush_style != BS_SOLID && brush_style != BS_NULL && brush_style != BS_HATCHED) {
        NotDrawn();
      }
      Store(index, AddObject(std::move(pen)));
      return true;
    }
    case EMR_EXTCREATEFONTINDIRECTW: {
      DWORD index = 0;
      if (emr_.nSize < 12 + kLogFontSize || !ReadAt(8, &index, 4) || !Slot(index)) return false;
      auto font = std::make_unique<Font>();
      std::memcpy(&font->log, record_ + 12, kLogFontSize);
      Store(index, AddObject(std::move(font)));
      return true;
    }
    case EMR_CREATEMONOBRUSH:
    case EMR_CREATEDIBPATTERNBRUSHPT: {
      DWORD index = 0;
      if (!ReadAt(8, &index, 4) || !Slot(index)) return false;
      // Pattern brushes are not drawn: they stand in as hollow brushes.
      const LOGBRUSH hollow{BS_NULL, 0, 0};
      Store(index, CreateBrushIndirect(&hollow));
      NotDrawn();
      return true;
    }
    case EMR_SETROP2:
      if (!Param(0, v)) return false;
      if (v >= R2_BLACK && v <= R2_WHITE) s.rop2 = v;
      return true;
    case EMR_SETTEXTALIGN:
      if (!Param(0, v)) return false;
      s.text_align = static_cast<UINT>(v);
      return true;
    case EMR_SETARCDIRECTION:
      if (!Param(0, v)) return false;
      if (v == AD_COUNTERCLOCKWISE || v == AD_CLOCKWISE) s.arc_direction = v;
      return true;
    case EMR_SETMITERLIMIT: {
      float limit;
      if (!ReadAt(8, &limit, 4)) return false;
      if (Finite(limit) && limit >= 1) s.miter_limit = std::min(limit, 1e6f);
      return true;
    }
    case EMR_SETPALETTEENTRIES: {
      DWORD r[3];
      if (!ReadAt(8, r, sizeof r) || !Fits(20, r[2], 4)) return false;
      HGDIOBJ pal = ObjectAt(r[0]);
      if (GetObjectType(pal) == OBJ_PAL && r[2] > 0) {
        std::vector<PALETTEENTRY> entries(r[2]);
        std::memcpy(entries.data(), record_ + 20, 4 * entries.size());
        SetPaletteEntries(static_cast<HPALETTE>(pal), r[1], r[2], entries.data());
      }
      return true;
    }
    case EMR_SETDIBITSTODEVICE: {
      int32_t p[6];
      DWORD d[7];
      if (!Params(p) || !ReadAt(48, d, sizeof d)) return false;
      // p: xDest yDest xSrc ySrc cxSrc cySrc (after rclBounds)
      int32_t q[10];
      if (!ReadAt(24, q, 24)) return false;
      const void* bits = nullptr;
      const BITMAPINFO* info = Dib(d[0], d[1], d[2], d[3], bits);
      if (!info) return false;
      const LONG h = std::abs(info->bmiHeader.biHeight);
      if (d[5] != 0 || int64_t{d[6]} < h || !dc_.state.world.AxisAligned()) {
        NotDrawn();  // bands of scan lines
        return true;
      }
      StretchDIBits(handle_, q[0], q[1], q[4], q[5], q[2], q[3], q[4], q[5], bits, info, d[4],
                    SRCCOPY);
      return true;
    }
    default:
      known = false;
      return true;
  }
}

}  // namespace gdiport
