// Logical palettes: making them from colour lists and DIB colour tables,
// reading and copying them, and the standard palettes of indexed bitmaps
// that have none of their own.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/Export.h"
#include "platform/gdi/Gdi.h"

// A new palette with the entries (1 to 1024 of them); null for an empty
// list. The caller owns it (DeleteObject). Raises EOutOfMemory when the
// palette cannot be made.
PLATFORM_API HPALETTE MakePalette(const std::vector<PALETTEENTRY>& entries);

// A new palette with the entries of palette; null for a null palette or one
// whose entries cannot be read. The caller owns it. Raises EOutOfMemory as
// MakePalette.
PLATFORM_API HPALETTE CopyPalette(HPALETTE palette);

// The entries of a palette (empty for a null or invalid palette).
PLATFORM_API std::vector<PALETTEENTRY> PaletteEntries(HPALETTE palette);

// The count colours of a DIB colour table as palette entries.
PLATFORM_API std::vector<PALETTEENTRY> ColorTableEntries(const RGBQUAD* table, size_t count);

// 1 bit: black and white; 4 bits: the 16 VGA colours; 8 bits: a 6 x 6 x 6
// colour cube followed by 40 grays.
PLATFORM_API std::vector<PALETTEENTRY> StandardPalette(int bits_per_pixel);
