// Internal to the portable graphics API: the shapes of the drawing calls in
// logical coordinates, drawn on a DC with pixels or, between BeginPath and
// EndPath, added to its path. Each returns false when the shape cannot be
// drawn (points too far out, too many of them, a pen too wide); the metafile
// player counts those records as not drawn.
#pragma once

#include <vector>

#include "platform/gdi/portable/GdiObjects.h"

namespace gdiport {

bool DrawRectangle(Dc& dc, int left, int top, int right, int bottom);
bool DrawEllipse(Dc& dc, int left, int top, int right, int bottom);
bool DrawRoundRect(Dc& dc, int left, int top, int right, int bottom, int width, int height);

enum class ArcKind { Arc, Chord, Pie, ArcTo };
// The arc of the ellipse in the box from the ray through (xs, ys) to the ray
// through (xe, ye), in the DC's arc direction.
bool DrawArc(Dc& dc, ArcKind kind, const RECT& box, POINT start, POINT end);
// A line from the current position to the arc's start, the arc of the
// circle (counter-clockwise for positive sweeps, degrees), and the current
// position at its end.
bool DrawAngleArc(Dc& dc, int x, int y, DWORD radius, float start, float sweep);

// Polygons filled together (the DC's fill mode) and outlined.
bool DrawPolygons(Dc& dc, const std::vector<std::vector<POINT>>& polygons);
bool DrawPolylines(Dc& dc, const std::vector<std::vector<POINT>>& polylines);
// Lines or Bézier curves (three points each) from the current position,
// which moves to the last point. Without to, they start at points[0].
bool DrawPolylineTo(Dc& dc, const std::vector<POINT>& points);
bool DrawBeziers(Dc& dc, const std::vector<POINT>& points, bool to);
// Points with types (PT_MOVETO, PT_LINETO, PT_BEZIERTO | PT_CLOSEFIGURE).
bool DrawPolyDraw(Dc& dc, const std::vector<POINT>& points, const std::vector<BYTE>& types);
void MoveTo(Dc& dc, int x, int y);
bool DrawLineTo(Dc& dc, int x, int y);

// The device point of a logical one, rounded to whole pixels.
PointF DevicePoint(const Dc& dc, double x, double y);

}  // namespace gdiport
