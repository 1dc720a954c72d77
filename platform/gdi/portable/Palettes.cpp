// Logical palettes: creation, selection into DCs, realisation, entries.
#include <algorithm>

#include "platform/gdi/portable/GdiObjects.h"
#include "platform/gdi/portable/MetaRecorder.h"
#include "platform/gdi/portable/PixelFormats.h"

using namespace gdiport;

HPALETTE CreatePalette(const LOGPALETTE* log) {
  if (!log || log->palVersion != 0x300 || log->palNumEntries == 0 || log->palNumEntries > 1024) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto p = std::make_unique<Palette>();
  p->entries.assign(log->palPalEntry, log->palPalEntry + log->palNumEntries);
  return static_cast<HPALETTE>(AddObject(std::move(p)));
}

HPALETTE SelectPalette(HDC handle, HPALETTE palette, BOOL) {
  Dc* dc = GetDc(handle);
  if (!dc || !GetPalette(palette)) return nullptr;
  HGDIOBJ previous = dc->state.palette;
  if (previous != palette) {
    AddRef(palette);
    dc->state.palette = palette;
    Release(previous);
  }
  if (dc->recorder) dc->recorder->Select(palette);
  return static_cast<HPALETTE>(previous);
}

UINT RealizePalette(HDC handle) {
  Dc* dc = GetDc(handle);
  if (!dc) return GDI_ERROR;
  if (dc->recorder) dc->recorder->RecordInts(EMR_REALIZEPALETTE, {});
  const Palette* p = GetPalette(dc->state.palette);
  if (dc->display != gditest::DisplayFormat::Palette8 || !p || p->stock) {
    return 0;
  }
  return static_cast<UINT>(std::min<size_t>(p->entries.size(), 236));
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, LPPALETTEENTRY entries) {
  const Palette* p = GetPalette(palette);
  if (!p) return 0;
  const UINT size = static_cast<UINT>(p->entries.size());
  if (!entries) return size;
  if (start >= size) return 0;
  const UINT n = std::min(count, size - start);
  std::copy_n(p->entries.begin() + start, n, entries);
  return n;
}

UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries) {
  Palette* p = GetPalette(palette);
  if (!p || p->stock || !entries) return 0;
  const UINT size = static_cast<UINT>(p->entries.size());
  if (start >= size) return 0;
  const UINT n = std::min(count, size - start);
  std::copy_n(entries, n, p->entries.begin() + start);
  return n;
}

UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF colour) {
  const Palette* p = GetPalette(palette);
  if (!p) return CLR_INVALID;
  std::vector<uint32_t> table;
  for (const PALETTEENTRY& e : p->entries) {
    table.push_back(PixelOf(e.peRed, e.peGreen, e.peBlue));
  }
  if (table.size() > 256) {
    // The mapper works on byte indices; search the long palette directly.
    UINT best = 0;
    int best_distance = 1 << 30;
    for (size_t i = 0; i < table.size(); ++i) {
      const int dr = GetRValue(colour) - int((table[i] >> 16) & 0xFF);
      const int dg = GetGValue(colour) - int((table[i] >> 8) & 0xFF);
      const int db = GetBValue(colour) - int(table[i] & 0xFF);
      const int d = dr * dr + dg * dg + db * db;
      if (d < best_distance) {
        best_distance = d;
        best = static_cast<UINT>(i);
      }
    }
    return best;
  }
  IndexMapper mapper(std::move(table));
  return mapper.Map(PixelFromColorref(colour));
}
