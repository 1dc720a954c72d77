// Screen and memory device contexts: creation, object selection, saved
// states, coordinate mapping and the simple DC attributes.
#include <algorithm>
#include <cmath>

#include "platform/gdi/portable/GdiObjects.h"
#include "platform/gdi/portable/MetaRecorder.h"

namespace gdiport {

Dc::Dc() : Object(Kind::Dc) {}
Dc::~Dc() = default;

int RoundToInt(double v) {
  const double r = std::floor(v + 0.5);
  if (r > 1e9) return 1000000000;
  if (r < -1e9) return -1000000000;
  return static_cast<int>(r);
}

namespace {

Axis LogicalAxis(int map_mode, LONG window_org, LONG window_ext, LONG viewport_org,
                 LONG viewport_ext) {
  Axis a;
  if (map_mode != MM_TEXT && window_ext != 0) {
    a.scale = double(viewport_ext) / double(window_ext);
  }
  a.offset = viewport_org - window_org * a.scale;
  return a;
}

// Logical units per millimetre of the fixed mapping modes (y points up).
double UnitsPerMillimetre(int map_mode) {
  switch (map_mode) {
    case MM_LOMETRIC:
      return 10;
    case MM_HIMETRIC:
      return 100;
    case MM_LOENGLISH:
      return 100 / 25.4;
    case MM_HIENGLISH:
      return 1000 / 25.4;
    case MM_TWIPS:
      return 1440 / 25.4;
    default:
      return 0;
  }
}

// The extents a mapping mode starts with, from the device's size in pixels
// and millimetres, as Windows sets them.
void ModeExtents(const Dc& dc, int mode, SIZE& window, SIZE& viewport) {
  SIZE pixels = dc.reference_pixels, mm = dc.reference_mm;
  if (pixels.cx <= 0 || pixels.cy <= 0 || mm.cx <= 0 || mm.cy <= 0) {
    pixels = ScreenSize();
    mm = ScreenMillimetres();
  }
  const double units = mode == MM_ISOTROPIC ? 10 : UnitsPerMillimetre(mode);
  window = {static_cast<LONG>(std::lround(std::min(mm.cx * units, 1e9))),
            static_cast<LONG>(std::lround(std::min(mm.cy * units, 1e9)))};
  viewport = {pixels.cx, -pixels.cy};
}

// In MM_ISOTROPIC the viewport extent shrinks on one axis so that a logical
// unit is as long on both (the smaller scale wins).
void Isotropic(DcState& s) {
  if (s.map_mode != MM_ISOTROPIC || s.window_ext.cx == 0 || s.window_ext.cy == 0) return;
  const double mx = std::fabs(double(s.viewport_ext.cx) / s.window_ext.cx);
  const double my = std::fabs(double(s.viewport_ext.cy) / s.window_ext.cy);
  auto sized = [](double magnitude, LONG sign) {
    const LONG v = static_cast<LONG>(std::lround(std::min(magnitude, 2e9)));
    return sign < 0 ? -v : v;
  };
  if (mx > my) {
    s.viewport_ext.cx = sized(std::fabs(double(s.window_ext.cx)) * my, s.viewport_ext.cx);
  } else if (my > mx) {
    s.viewport_ext.cy = sized(std::fabs(double(s.window_ext.cy)) * mx, s.viewport_ext.cy);
  }
}

Axis Compose(const Axis& inner, const Axis& outer) {
  return {inner.scale * outer.scale, inner.offset * outer.scale + outer.offset};
}

void RefState(const DcState& s) {
  for (HGDIOBJ o : {s.bitmap, s.brush, s.pen, s.palette, s.font}) AddRef(o);
}

void ReleaseState(const DcState& s) {
  for (HGDIOBJ o : {s.bitmap, s.brush, s.pen, s.palette, s.font}) Release(o);
}

DcState DefaultState(DcType type) {
  DcState s;
  s.bitmap = type == DcType::Memory ? StockBitmap() : nullptr;
  s.brush = Stock(WHITE_BRUSH);
  s.pen = Stock(BLACK_PEN);
  s.palette = Stock(DEFAULT_PALETTE);
  s.font = Stock(SYSTEM_FONT);
  return s;
}

HDC NewDc(DcType type) {
  auto dc = std::make_unique<Dc>();
  dc->type = type;
  dc->display = CurrentDisplay();
  dc->state = DefaultState(type);
  RefState(dc->state);
  return static_cast<HDC>(AddObject(std::move(dc)));
}

void DestroyDc(HDC handle, Dc* dc) {
  ReleaseState(dc->state);
  for (const DcState& s : dc->saved) ReleaseState(s);
  RemoveObject(handle);
}

}  // namespace

Axis DeviceAxisX(const Dc& dc) {
  const DcState& s = dc.state;
  return Compose(Compose(Axis{s.world.m11, s.world.dx},
                         LogicalAxis(s.map_mode, s.window_org.x, s.window_ext.cx, s.viewport_org.x,
                                     s.viewport_ext.cx)),
                 dc.play_x);
}

Axis DeviceAxisY(const Dc& dc) {
  const DcState& s = dc.state;
  return Compose(Compose(Axis{s.world.m22, s.world.dy},
                         LogicalAxis(s.map_mode, s.window_org.y, s.window_ext.cy, s.viewport_org.y,
                                     s.viewport_ext.cy)),
                 dc.play_y);
}

Matrix DeviceMatrix(const Dc& dc) {
  const DcState& s = dc.state;
  const Axis x = Compose(
      LogicalAxis(s.map_mode, s.window_org.x, s.window_ext.cx, s.viewport_org.x, s.viewport_ext.cx),
      dc.play_x);
  const Axis y = Compose(
      LogicalAxis(s.map_mode, s.window_org.y, s.window_ext.cy, s.viewport_org.y, s.viewport_ext.cy),
      dc.play_y);
  return s.world.Then(Matrix{x.scale, 0, 0, y.scale, x.offset, y.offset});
}

uint32_t ResolveColour(const Dc& dc, COLORREF colour) {
  if ((colour >> 24) == 1) {
    const Palette* pal = static_cast<const Palette*>(Lookup(dc.state.palette));
    const size_t i = colour & 0xFFFF;
    if (pal && i < pal->entries.size()) {
      const PALETTEENTRY& e = pal->entries[i];
      return PixelOf(e.peRed, e.peGreen, e.peBlue);
    }
    return 0;
  }
  return PixelFromColorref(colour);
}

}  // namespace gdiport

using namespace gdiport;

HDC GetDC(HWND window) {
  if (window) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return NewDc(DcType::Screen);
}

int ReleaseDC(HWND, HDC handle) {
  Dc* dc = GetDc(handle);
  if (!dc || dc->type != DcType::Screen) return 0;
  DestroyDc(handle, dc);
  return 1;
}

HDC CreateCompatibleDC(HDC reference) {
  if (reference && !GetDc(reference)) return nullptr;
  return NewDc(DcType::Memory);
}

BOOL DeleteDC(HDC handle) {
  Dc* dc = GetDc(handle);
  if (!dc) return FALSE;
  if (dc->type == DcType::Screen) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DestroyDc(handle, dc);
  return TRUE;
}

HGDIOBJ SelectObject(HDC handle, HGDIOBJ object) {
  Dc* dc = GetDc(handle);
  Object* o = Lookup(object);
  if (!dc || !o) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  HGDIOBJ* slot = nullptr;
  switch (o->kind) {
    case Kind::Bitmap: {
      if (dc->type != DcType::Memory) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
      }
      Bitmap* b = static_cast<Bitmap*>(o);
      HDC owner = nullptr;
      if (!b->stock && !b->owner.compare_exchange_strong(owner, handle) && owner != handle) {
        SetLastError(ERROR_BUSY);
        return nullptr;
      }
      slot = &dc->state.bitmap;
      break;
    }
    case Kind::Brush:
      slot = &dc->state.brush;
      break;
    case Kind::Pen:
      slot = &dc->state.pen;
      break;
    case Kind::Font:
      slot = &dc->state.font;
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
  HGDIOBJ previous = *slot;
  if (previous != object) {
    AddRef(object);
    *slot = object;
    Release(previous);
  }
  if (dc->recorder && (o->kind == Kind::Brush || o->kind == Kind::Pen)) {
    dc->recorder->Select(object);
  }
  return previous;
}

HGDIOBJ GetCurrentObject(HDC handle, UINT type) {
  Dc* dc = GetDc(handle);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_PEN:
      return dc->state.pen;
    case OBJ_BRUSH:
      return dc->state.brush;
    case OBJ_PAL:
      return dc->state.palette;
    case OBJ_BITMAP:
      return dc->state.bitmap;
    case OBJ_FONT:
      return dc->state.font;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
}

int SaveDC(HDC handle) {
  Dc* dc = GetDc(handle);
  if (!dc) return 0;
  dc->saved.push_back(dc->state);
  RefState(dc->state);
  if (dc->recorder) dc->recorder->RecordInts(EMR_SAVEDC, {});
  return static_cast<int>(dc->saved.size());
}

BOOL RestoreDC(HDC handle, int level) {
  Dc* dc = GetDc(handle);
  if (!dc) return FALSE;
  const int count = static_cast<int>(dc->saved.size());
  const int index = level < 0 ? count + level : level - 1;
  if (level == 0 || index < 0 || index >= count) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  ReleaseState(dc->state);
  dc->state = dc->saved[index];
  for (int i = index + 1; i < count; ++i) ReleaseState(dc->saved[i]);
  dc->saved.resize(index);
  if (dc->recorder) dc->recorder->RecordInts(EMR_RESTOREDC, {level});
  return TRUE;
}

int SetStretchBltMode(HDC handle, int mode) {
  Dc* dc = GetDc(handle);
  if (!dc) return 0;
  if (mode < BLACKONWHITE || mode > HALFTONE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const int previous = dc->state.stretch_mode;
  dc->state.stretch_mode = mode;
  if (dc->recorder) dc->recorder->RecordInts(EMR_SETSTRETCHBLTMODE, {mode});
  return previous;
}

int GetStretchBltMode(HDC handle) {
  Dc* dc = GetDc(handle);
  return dc ? dc->state.stretch_mode : 0;
}

BOOL SetBrushOrgEx(HDC handle, int x, int y, LPPOINT previous) {
  Dc* dc = GetDc(handle);
  if (!dc) return FALSE;
  if (previous) *previous = dc->state.brush_org;
  dc->state.brush_org = {x, y};
  if (dc->recorder) dc->recorder->RecordInts(EMR_SETBRUSHORGEX, {x, y});
  return TRUE;
}

COLORREF SetBkColor(HDC handle, COLORREF colour) {
  Dc* dc = GetDc(handle);
  if (!dc) return CLR_INVALID;
  const COLORREF previous = dc->state.bk_colour;
  dc->state.bk_colour = colour;
  if (dc->recorder) {
    dc->recorder->RecordInts(EMR_SETBKCOLOR, {static_cast<int32_t>(colour)});
  }
  return previous;
}

COLORREF GetBkColor(HDC handle) {
  Dc* dc = GetDc(handle);
  return dc ? dc->state.bk_colour : CLR_INVALID;
}

int SetBkMode(HDC handle, int mode) {
  Dc* dc = GetDc(handle);
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  const int previous = dc->state.bk_mode;
  dc->state.bk_mode = mode;
  if (dc->recorder) dc->recorder->RecordInts(EMR_SETBKMODE, {mode});
  return previous;
}

COLORREF SetTextColor(HDC handle, COLORREF colour) {
  Dc* dc = GetDc(handle);
  if (!dc) return CLR_INVALID;
  const COLORREF previous = dc->state.text_colour;
  dc->state.text_colour = colour;
  if (dc->recorder) {
    dc->recorder->RecordInts(EMR_SETTEXTCOLOR, {static_cast<int32_t>(colour)});
  }
  return previous;
}

int SetPolyFillMode(HDC handle, int mode) {
  Dc* dc = GetDc(handle);
  if (!dc || (mode != ALTERNATE && mode != WINDING)) return 0;
  const int previous = dc->state.fill_mode;
  dc->state.fill_mode = mode;
  if (dc->recorder) dc->recorder->RecordInts(EMR_SETPOLYFILLMODE, {mode});
  return previous;
}

int SetMapMode(HDC handle, int mode) {
  Dc* dc = GetDc(handle);
  if (!dc || mode < MM_TEXT || mode > MM_ANISOTROPIC) return 0;
  const int previous = dc->state.map_mode;
  dc->state.map_mode = mode;
  if (mode == MM_TEXT) {
    dc->state.window_ext = dc->state.viewport_ext = {1, 1};
  } else if (mode != MM_ANISOTROPIC) {
    ModeExtents(*dc, mode, dc->state.window_ext, dc->state.viewport_ext);
  }
  if (dc->recorder) dc->recorder->RecordInts(EMR_SETMAPMODE, {mode});
  return previous;
}

namespace {

template <class T>
BOOL SetPair(HDC handle, T DcState::*member, LONG a, LONG b, T* previous, DWORD record) {
  Dc* dc = GetDc(handle);
  if (!dc) return FALSE;
  if (previous) *previous = dc->state.*member;
  dc->state.*member = T{a, b};
  if (dc->recorder) dc->recorder->RecordInts(record, {a, b});
  return TRUE;
}

}  // namespace

BOOL SetWindowOrgEx(HDC dc, int x, int y, LPPOINT previous) {
  return SetPair(dc, &DcState::window_org, x, y, previous, EMR_SETWINDOWORGEX);
}

BOOL SetViewportOrgEx(HDC dc, int x, int y, LPPOINT previous) {
  return SetPair(dc, &DcState::viewport_org, x, y, previous, EMR_SETVIEWPORTORGEX);
}

namespace {

// Extents change in MM_ISOTROPIC and MM_ANISOTROPIC only.
BOOL SetExtent(HDC handle, SIZE DcState::*member, int x, int y, LPSIZE previous, DWORD record) {
  Dc* dc = GetDc(handle);
  if (!dc || x == 0 || y == 0) return FALSE;
  if (previous) *previous = dc->state.*member;
  if (dc->state.map_mode != MM_ISOTROPIC && dc->state.map_mode != MM_ANISOTROPIC) {
    if (dc->recorder) dc->recorder->RecordInts(record, {x, y});
    return TRUE;
  }
  if (!SetPair(handle, member, x, y, static_cast<SIZE*>(nullptr), record)) return FALSE;
  Isotropic(dc->state);
  return TRUE;
}

}  // namespace

BOOL SetWindowExtEx(HDC dc, int x, int y, LPSIZE previous) {
  return SetExtent(dc, &DcState::window_ext, x, y, previous, EMR_SETWINDOWEXTEX);
}

BOOL SetViewportExtEx(HDC dc, int x, int y, LPSIZE previous) {
  return SetExtent(dc, &DcState::viewport_ext, x, y, previous, EMR_SETVIEWPORTEXTEX);
}
