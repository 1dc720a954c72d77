// Standard palettes for indexed bitmaps that have none of their own.
// Internal to platform/graphics.
#pragma once

#include <vector>

#include "platform/gdi/Gdi.h"

namespace graphics_internal {

// 1 bit: black and white; 4 bits: the 16 VGA colours; 8 bits: a 6 x 6 x 6
// colour cube followed by 40 grays.
std::vector<PALETTEENTRY> StandardPalette(int bits_per_pixel);

}  // namespace graphics_internal
