#include "platform/graphics/Palettes.h"

#include <algorithm>
#include <cstdint>

#include "platform/sysutils/SysUtils.h"

HPALETTE MakePalette(const std::vector<PALETTEENTRY>& entries) {
  if (entries.empty()) return nullptr;
  std::vector<uint8_t> block(sizeof(LOGPALETTE) + entries.size() * sizeof(PALETTEENTRY));
  auto* log = reinterpret_cast<LOGPALETTE*>(block.data());
  log->palVersion = 0x300;
  log->palNumEntries = static_cast<WORD>(entries.size());
  // The entries run on past the one palPalEntry that LOGPALETTE declares.
  std::copy(entries.begin(), entries.end(),
            reinterpret_cast<PALETTEENTRY*>(block.data() + offsetof(LOGPALETTE, palPalEntry)));
  HPALETTE palette = CreatePalette(log);
  if (palette == nullptr) OutOfMemoryError();
  return palette;
}

HPALETTE CopyPalette(HPALETTE palette) {
  return MakePalette(PaletteEntries(palette));
}

std::vector<PALETTEENTRY> PaletteEntries(HPALETTE palette) {
  if (palette == nullptr) return {};
  const UINT count = GetPaletteEntries(palette, 0, 0, nullptr);
  if (count == 0 || count > 1024) return {};
  std::vector<PALETTEENTRY> entries(count);
  const UINT got = GetPaletteEntries(palette, 0, count, entries.data());
  entries.resize(std::min(got, count));
  return entries;
}

std::vector<PALETTEENTRY> ColorTableEntries(const RGBQUAD* table, size_t count) {
  std::vector<PALETTEENTRY> entries(count);
  for (size_t i = 0; i < count; ++i)
    entries[i] = PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
  return entries;
}

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
