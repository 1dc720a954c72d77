#include "platform/graphics/Palettes.h"

namespace graphics_internal {

std::vector<PALETTEENTRY> StandardPalette(int bits_per_pixel) {
  if (bits_per_pixel == 1) return {{0, 0, 0, 0}, {255, 255, 255, 0}};
  if (bits_per_pixel == 4)
    return {{0, 0, 0, 0},       {128, 0, 0, 0},   {0, 128, 0, 0},   {128, 128, 0, 0},
            {0, 0, 128, 0},     {128, 0, 128, 0}, {0, 128, 128, 0}, {192, 192, 192, 0},
            {128, 128, 128, 0}, {255, 0, 0, 0},   {0, 255, 0, 0},   {255, 255, 0, 0},
            {0, 0, 255, 0},     {255, 0, 255, 0}, {0, 255, 255, 0}, {255, 255, 255, 0}};
  std::vector<PALETTEENTRY> entries;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        entries.push_back(
            {static_cast<BYTE>(r * 51), static_cast<BYTE>(g * 51), static_cast<BYTE>(b * 51), 0});
  for (int i = 0; i < 40; ++i) {
    const BYTE v = static_cast<BYTE>((i * 255 + 19) / 39);
    entries.push_back({v, v, v, 0});
  }
  return entries;
}

}  // namespace graphics_internal
