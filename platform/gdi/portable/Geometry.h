// Internal to the portable graphics API: device-space geometry for drawing.
// Affine matrices in Windows' XFORM order, paths of lines and Bézier curves,
// their flattening, and the outlines of wide pens. The curve and outline
// generators are AGG's; everything here works in doubles.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gdi/Gdi.h"

namespace gdiport {

struct PointF {
  double x = 0;
  double y = 0;
};

// x' = x * m11 + y * m21 + dx; y' = x * m12 + y * m22 + dy.
struct Matrix {
  double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
  PointF Apply(double x, double y) const {
    return {x * m11 + y * m21 + dx, x * m12 + y * m22 + dy};
  }
  // This transform followed by next.
  Matrix Then(const Matrix& next) const;
  bool AxisAligned() const { return m12 == 0 && m21 == 0; }
  bool Finite() const;
  double Determinant() const { return m11 * m22 - m12 * m21; }
  // How much the transform lengthens distances on average (sqrt |det|).
  double Scale() const;
  static Matrix FromXform(const XFORM& x) { return {x.eM11, x.eM12, x.eM21, x.eM22, x.eDx, x.eDy}; }
};

// Limits that keep each drawing operation's cost in proportion to the
// target: device coordinates of curves and wide pens, and points in a path.
constexpr double kMaxDeviceCoordinate = 1 << 26;
constexpr size_t kMaxPathPoints = 1 << 20;

// Point types of a path, as GetPath reports them.
enum : uint8_t { kCloseFigure = 1, kLineTo = 2, kBezierTo = 4, kMoveTo = 6 };

// A path in device coordinates: figures of lines and cubic Bézier curves.
// A figure starts with a move; lines and curves continue the last figure.
struct Path {
  std::vector<PointF> points;
  std::vector<uint8_t> types;  // kMoveTo, kLineTo or kBezierTo, | kCloseFigure
  void MoveTo(PointF p);
  void LineTo(PointF p);
  // Three points: two control points and the end.
  void BezierTo(PointF c1, PointF c2, PointF end);
  void CloseFigure();
  bool Empty() const { return points.empty(); }
  bool TooLarge() const { return points.size() > kMaxPathPoints; }
  // False if a point is not finite or lies beyond kMaxDeviceCoordinate.
  bool Bounded() const;
  bool Finite() const;
};

// A flattened figure.
struct Figure {
  std::vector<PointF> points;
  bool closed = false;
};

// A device rectangle [left, right) x [top, bottom).
struct BoxF {
  double left = 0, top = 0, right = 0, bottom = 0;
};

// The path's figures with curves replaced by line segments, at most a
// quarter pixel from the curve where it can be seen: curves (or the parts
// of them) whose control points all lie outside the box are replaced by
// their control polygon, which changes nothing inside the box. So the
// points made stay in proportion to the box, however large the curves.
std::vector<Figure> Flatten(const Path& path, const BoxF& box);

// How a wide pen ends and joins its segments (PS_ENDCAP_* and PS_JOIN_*).
struct PenShape {
  double width = 1;
  int end_cap = 0;  // PS_ENDCAP_ROUND
  int join = 0;     // PS_JOIN_ROUND
  double miter_limit = 10;
  // Dash and gap lengths in device units; empty for a solid pen.
  std::vector<double> dashes;
};

// Liang-Barsky: the parameter range [t0, t1] of the segment a-b inside the
// box; false if none.
bool ClipSegment(const PointF& a, const PointF& b, const BoxF& box, double& t0, double& t1);

// The outline of a wide pen along the figures, as polygons to fill with the
// winding rule. Only what can reach the box is outlined (the figures are cut
// to its neighbourhood, keeping the dash phase), so the work stays in
// proportion to the box.
std::vector<std::vector<PointF>> PenOutline(const std::vector<Figure>& figures, const PenShape& pen,
                                            const BoxF& box);

// The points of an elliptical arc inside the box, from angle start sweeping
// by sweep (radians, counter-clockwise with y pointing down for positive
// sweeps), as fine as a device that magnifies by device_scale needs.
std::vector<PointF> ArcPoints(double left, double top, double right, double bottom, double start,
                              double sweep, double device_scale);

}  // namespace gdiport
