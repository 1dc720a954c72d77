// Matrices, paths, flattening (AGG's adaptive Bézier subdivision) and the
// outlines of wide pens (AGG's stroke and dash generators).
#include "platform/gdi/portable/Geometry.h"

#include <agg_conv_dash.h>
#include <agg_conv_stroke.h>
#include <agg_curves.h>
#include <agg_path_storage.h>

#include <algorithm>
#include <cmath>

namespace gdiport {

Matrix Matrix::Then(const Matrix& n) const {
  return {m11 * n.m11 + m12 * n.m21,      m11 * n.m12 + m12 * n.m22,
          m21 * n.m11 + m22 * n.m21,      m21 * n.m12 + m22 * n.m22,
          dx * n.m11 + dy * n.m21 + n.dx, dx * n.m12 + dy * n.m22 + n.dy};
}

bool Matrix::Finite() const {
  for (double v : {m11, m12, m21, m22, dx, dy}) {
    if (!std::isfinite(v)) return false;
  }
  return true;
}

double Matrix::Scale() const {
  return std::sqrt(std::fabs(Determinant()));
}

void Path::MoveTo(PointF p) {
  points.push_back(p);
  types.push_back(kMoveTo);
}

void Path::LineTo(PointF p) {
  points.push_back(p);
  types.push_back(kLineTo);
}

void Path::BezierTo(PointF c1, PointF c2, PointF end) {
  for (const PointF& p : {c1, c2, end}) {
    points.push_back(p);
    types.push_back(kBezierTo);
  }
}

void Path::CloseFigure() {
  if (!types.empty()) types.back() |= kCloseFigure;
}

bool Path::Bounded() const {
  for (const PointF& p : points) {
    if (!(std::fabs(p.x) <= kMaxDeviceCoordinate && std::fabs(p.y) <= kMaxDeviceCoordinate)) {
      return false;
    }
  }
  return true;
}

bool Path::Finite() const {
  for (const PointF& p : points) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
  }
  return true;
}

namespace {

bool Outside(const PointF (&c)[4], const BoxF& box) {
  double l = c[0].x, r = c[0].x, t = c[0].y, b = c[0].y;
  for (const PointF& p : c) {
    l = std::min(l, p.x);
    r = std::max(r, p.x);
    t = std::min(t, p.y);
    b = std::max(b, p.y);
  }
  return r < box.left || l > box.right || b < box.top || t > box.bottom;
}

// Appends the curve from c[0] (already in out) to c[3].
void FlattenCurve(const PointF (&c)[4], const BoxF& box, int depth, agg::curve4_div& curve,
                  std::vector<PointF>& out) {
  if (Outside(c, box)) {
    out.insert(out.end(), {c[1], c[2], c[3]});
    return;
  }
  // Curves much larger than the box are halved (de Casteljau) first.
  const double size = std::max(
      {std::fabs(c[1].x - c[0].x) + std::fabs(c[2].x - c[1].x) + std::fabs(c[3].x - c[2].x),
       std::fabs(c[1].y - c[0].y) + std::fabs(c[2].y - c[1].y) + std::fabs(c[3].y - c[2].y)});
  const double span = std::max(box.right - box.left, box.bottom - box.top) + 64;
  if (size > 4 * span && depth < 48) {
    auto mid = [](PointF a, PointF b) { return PointF{(a.x + b.x) / 2, (a.y + b.y) / 2}; };
    const PointF ab = mid(c[0], c[1]), bc = mid(c[1], c[2]), cd = mid(c[2], c[3]);
    const PointF abc = mid(ab, bc), bcd = mid(bc, cd), m = mid(abc, bcd);
    FlattenCurve({c[0], ab, abc, m}, box, depth + 1, curve, out);
    FlattenCurve({m, bcd, cd, c[3]}, box, depth + 1, curve, out);
    return;
  }
  curve.init(c[0].x, c[0].y, c[1].x, c[1].y, c[2].x, c[2].y, c[3].x, c[3].y);
  double x, y;
  curve.rewind(0);
  curve.vertex(&x, &y);  // the start point, already there
  while (!agg::is_stop(curve.vertex(&x, &y))) out.push_back({x, y});
}

}  // namespace

std::vector<Figure> Flatten(const Path& path, const BoxF& box) {
  std::vector<Figure> out;
  agg::curve4_div curve;
  curve.approximation_scale(2.0);  // a quarter pixel
  for (size_t i = 0; i < path.points.size(); ++i) {
    const uint8_t type = path.types[i] & ~kCloseFigure;
    if (type == kMoveTo || out.empty()) {
      out.push_back({{path.points[i]}, false});
    } else if (type == kBezierTo && i + 2 < path.points.size()) {
      const PointF c[4] = {out.back().points.back(), path.points[i], path.points[i + 1],
                           path.points[i + 2]};
      FlattenCurve(c, box, 0, curve, out.back().points);
      i += 2;
    } else {
      out.back().points.push_back(path.points[i]);
    }
    if (path.types[i] & kCloseFigure) out.back().closed = true;
  }
  return out;
}

namespace {

// AGG's vertex source over one polyline.
class PolylineSource {
 public:
  PolylineSource(const std::vector<PointF>& points, bool closed)
      : points_(points), closed_(closed) {}
  void rewind(unsigned) { index_ = 0; }
  unsigned vertex(double* x, double* y) {
    if (index_ < points_.size()) {
      *x = points_[index_].x;
      *y = points_[index_].y;
      return index_++ == 0 ? agg::path_cmd_move_to : agg::path_cmd_line_to;
    }
    if (closed_ && index_++ == points_.size()) {
      return static_cast<unsigned>(agg::path_cmd_end_poly) |
             static_cast<unsigned>(agg::path_flags_close);
    }
    return agg::path_cmd_stop;
  }

 private:
  const std::vector<PointF>& points_;
  bool closed_;
  size_t index_ = 0;
};

template <class Source>
void Collect(Source& source, std::vector<std::vector<PointF>>& out) {
  double x, y;
  unsigned cmd;
  source.rewind(0);
  while (!agg::is_stop(cmd = source.vertex(&x, &y))) {
    if (agg::is_move_to(cmd)) {
      out.push_back({{x, y}});
    } else if (agg::is_vertex(cmd) && !out.empty()) {
      out.back().push_back({x, y});
    }
  }
}

agg::line_cap_e CapOf(int cap) {
  switch (cap) {
    case PS_ENDCAP_SQUARE:
      return agg::square_cap;
    case PS_ENDCAP_FLAT:
      return agg::butt_cap;
    default:
      return agg::round_cap;
  }
}

agg::line_join_e JoinOf(int join) {
  switch (join) {
    case PS_JOIN_BEVEL:
      return agg::bevel_join;
    case PS_JOIN_MITER:
      return agg::miter_join_revert;  // beyond the limit: a bevel, as Windows
    default:
      return agg::round_join;
  }
}

template <class Source>
void Stroke(Source& source, const PenShape& pen, std::vector<std::vector<PointF>>& out) {
  agg::conv_stroke<Source> stroke(source);
  stroke.width(pen.width);
  stroke.line_cap(CapOf(pen.end_cap));
  stroke.line_join(JoinOf(pen.join));
  stroke.miter_limit(std::max(pen.miter_limit, 1.0));
  // Round joins of very wide pens get at most a few hundred points.
  stroke.approximation_scale(std::min(1.0, 4096.0 / pen.width));
  Collect(stroke, out);
}

// A part of a figure inside the box, and its distance from the start of the
// figure (for the dash phase).
struct Piece {
  std::vector<PointF> points;
  bool closed = false;
  double start = 0;
};

bool Inside(const PointF& p, const BoxF& b) {
  return p.x >= b.left && p.x <= b.right && p.y >= b.top && p.y <= b.bottom;
}

}  // namespace

bool ClipSegment(const PointF& a, const PointF& b, const BoxF& box, double& t0, double& t1) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x - box.left, box.right - a.x, a.y - box.top, box.bottom - a.y};
  t0 = 0;
  t1 = 1;
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
  }
  return t0 <= t1;
}

namespace {

void CutFigure(const Figure& f, const BoxF& box, std::vector<Piece>& out) {
  const auto outside = std::find_if(f.points.begin(), f.points.end(),
                                    [&](const PointF& p) { return !Inside(p, box); });
  if (outside == f.points.end()) {
    out.push_back({f.points, f.closed, 0});
    return;
  }
  // A closed figure is walked from a point outside, back to that point.
  std::vector<PointF> points;
  double length = 0;
  if (f.closed) {
    const size_t first = static_cast<size_t>(outside - f.points.begin());
    for (size_t i = 0; i < first; ++i) {
      const PointF& a = f.points[i];
      const PointF& b = f.points[i + 1];
      length += std::hypot(b.x - a.x, b.y - a.y);
    }
    points.assign(outside, f.points.end());
    points.insert(points.end(), f.points.begin(), outside + 1);
  } else {
    points = f.points;
  }
  bool open = false;
  for (size_t i = 0; i + 1 < points.size(); ++i) {
    const PointF& a = points[i];
    const PointF& b = points[i + 1];
    const double segment = std::hypot(b.x - a.x, b.y - a.y);
    double t0, t1;
    if (ClipSegment(a, b, box, t0, t1)) {
      const PointF p0{a.x + t0 * (b.x - a.x), a.y + t0 * (b.y - a.y)};
      const PointF p1{a.x + t1 * (b.x - a.x), a.y + t1 * (b.y - a.y)};
      if (!open || t0 > 0) {
        out.push_back({{p0}, false, length + t0 * segment});
        open = true;
      }
      out.back().points.push_back(p1);
      open = t1 >= 1;
    } else {
      open = false;
    }
    length += segment;
  }
}

}  // namespace

std::vector<std::vector<PointF>> PenOutline(const std::vector<Figure>& figures, const PenShape& pen,
                                            const BoxF& box) {
  // A pen reaches at most this far from its centre line (miters included).
  const double reach = std::max(pen.miter_limit, 1.5) * pen.width / 2 + 2;
  const BoxF near{box.left - reach, box.top - reach, box.right + reach, box.bottom + reach};
  std::vector<Piece> pieces;
  for (const Figure& f : figures) {
    if (!f.points.empty()) CutFigure(f, near, pieces);
  }
  std::vector<std::vector<PointF>> out;
  for (const Piece& piece : pieces) {
    if (pen.dashes.empty()) {
      PolylineSource source(piece.points, piece.closed);
      Stroke(source, pen, out);
      continue;
    }
    // A closed dashed figure runs back to its start.
    std::vector<PointF> points = piece.points;
    if (piece.closed) points.push_back(points.front());
    PolylineSource open(points, false);
    agg::conv_dash<PolylineSource> dash(open);
    double period = 0;
    for (size_t i = 0; i + 1 < pen.dashes.size(); i += 2) {
      dash.add_dash(pen.dashes[i], pen.dashes[i + 1]);
      period += pen.dashes[i] + pen.dashes[i + 1];
    }
    if (!(period > 0)) continue;
    dash.dash_start(std::fmod(piece.start, period));
    Stroke(dash, pen, out);
  }
  return out;
}

std::vector<PointF> ArcPoints(double left, double top, double right, double bottom, double start,
                              double sweep, double device_scale) {
  const double cx = (left + right) / 2, cy = (top + bottom) / 2;
  const double rx = std::fabs(right - left) / 2, ry = std::fabs(bottom - top) / 2;
  // Steps as fine as a quarter pixel of the device needs, at most 4096.
  const double radius = (rx + ry) / 2 * std::max(device_scale, 1e-9);
  const double step = radius > 0.25 ? 2 * std::acos(radius / (radius + 0.25)) : M_PI / 2;
  const int n =
      static_cast<int>(std::clamp(std::ceil(std::fabs(sweep) / std::max(step, 1e-6)), 1.0, 4096.0));
  std::vector<PointF> points;
  points.reserve(n + 1);
  for (int i = 0; i <= n; ++i) {
    const double a = start + sweep * i / n;
    points.push_back({cx + rx * std::cos(a), cy - ry * std::sin(a)});
  }
  return points;
}

}  // namespace gdiport
