// Internal to the portable graphics API: the scan conversion of filled
// polygons with Windows' rule: pixel (x, y) belongs to the shape when the
// point (x, y) lies inside it (alternate or winding rule), so shapes with
// integer corners fill exactly as on Windows.
#pragma once

#include <functional>
#include <vector>

#include "platform/gdi/portable/Geometry.h"

namespace gdiport {

using SpanFn = std::function<void(int y, int x0, int x1)>;

// Calls span for each run of pixels inside the polygons (each implicitly
// closed), row by row, within [clip.left, clip.right) x [clip.top,
// clip.bottom). Points that are not finite are ignored. sample is where the
// pixel is tested, relative to its top-left corner (0, or 0.5 for centres).
// The work is in proportion to the clip height times the edges crossing it.
void ScanPolygons(const std::vector<std::vector<PointF>>& polygons, bool winding, const RECT& clip,
                  const SpanFn& span, double sample = 0);

}  // namespace gdiport
