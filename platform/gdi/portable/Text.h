// Internal to the portable graphics API: text output with real fonts. A
// font's face name, weight and italic flag are matched by fontconfig (which
// maps Arial, Times New Roman and Courier New to the metric-compatible
// Liberation fonts) and its glyphs are hinted and rendered by FreeType at the
// device size: smoothed (grey levels) on targets of more than 8 bits unless
// the font asks for NONANTIALIASED_QUALITY, aliased otherwise.
#pragma once

#include <string>
#include <vector>

#include "platform/gdi/portable/GdiObjects.h"

namespace gdiport {

// One text output: EXTTEXTOUTW/A and TextOut.
struct TextRun {
  POINT reference{0, 0};  // logical; ignored with TA_UPDATECP
  UINT options = 0;       // ETO_OPAQUE, ETO_CLIPPED, ETO_GLYPH_INDEX, ETO_PDY
  RECT rect{0, 0, 0, 0};  // logical, for ETO_OPAQUE and ETO_CLIPPED
  std::u16string text;
  // Logical distances from each character to the next (pairs of x and y
  // with ETO_PDY); empty: the font's own advances.
  std::vector<int32_t> dx;
};

// Draws the text with the DC's font, text colour, background and alignment.
// False when it cannot be drawn: no font file, or a size beyond the limit
// (16384 pixels per em).
bool DrawText(Dc& dc, const TextRun& run);

}  // namespace gdiport
