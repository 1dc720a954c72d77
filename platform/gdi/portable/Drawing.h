// Internal to the portable graphics API: filling and outlining shapes given
// in device coordinates with a DC's brush and pen, as Windows does: brushes
// solid or hatched (gaps in the background colour when the background mode
// is OPAQUE); cosmetic pens one pixel wide along Windows' lines, dashed in
// Windows' pixel patterns; wider pens outlined with their end caps and joins
// and filled with the winding rule. Everything clips to the DC's region.
#pragma once

#include <vector>

#include "platform/gdi/portable/Geometry.h"
#include "platform/gdi/portable/Raster.h"

namespace gdiport {

// The DC's pen in device units.
struct PenUse {
  bool visible = false;
  COLORREF colour = 0;
  bool wide = false;      // outlined (width above one pixel)
  bool too_wide = false;  // beyond kMaxDeviceCoordinate: not drawn
  bool inside_frame = false;
  int style = PS_SOLID;  // PS_SOLID ... PS_ALTERNATE
  std::vector<uint32_t> user_style;
  PenShape shape;
};
PenUse PenOf(const Dc& dc);

// The DC's brush as ink; false for a hollow brush.
bool BrushInk(const Dc& dc, Painter& painter, Ink& ink);

// Fills polygons with the brush.
void FillPolygons(const Dc& dc, Painter& painter, const std::vector<std::vector<PointF>>& polygons,
                  bool winding);
// Draws figures with the pen. False if the pen is too wide to draw.
bool StrokeFigures(const Dc& dc, Painter& painter, const std::vector<Figure>& figures);
// Fills (closing every figure) and/or outlines a path. False if it is not
// drawn: too many points, points too far out, or a pen too wide.
bool DrawPath(const Dc& dc, const Path& path, bool fill, bool stroke);

}  // namespace gdiport
