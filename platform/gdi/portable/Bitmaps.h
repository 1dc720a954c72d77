// Internal to the portable graphics API: bitmap creation shared by the calls.
#pragma once

#include "platform/gdi/portable/GdiObjects.h"

namespace gdiport {

// A new black bitmap (pixels left undefined when zero is false, for callers
// that write them all); 0 x 0 gives 1 x 1 monochrome. Null (with the last
// error set) for negative sizes or too much memory.
HBITMAP NewBitmap(int width, int height, int bpp, bool zero = true);
// The depth of bitmaps compatible with dc.
int DcBitmapDepth(const Dc& dc);

}  // namespace gdiport
