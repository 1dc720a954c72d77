// Internal to the portable graphics API: the objects behind the handles, the
// handle table, and the small helpers the call implementations share.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/gdi/DibRows.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiTest.h"
#include "platform/gdi/portable/Geometry.h"

namespace gdiport {

enum class Kind : uint8_t { Dc, Bitmap, Palette, Brush, Pen, Font, Metafile, Global };

struct Object {
  explicit Object(Kind k) : kind(k) {}
  virtual ~Object() = default;
  Kind kind;
  bool stock = false;
  // References from DC states (current and saved); a referenced object
  // cannot be deleted. Atomic: stock objects are selected into the contexts
  // of every thread at once.
  std::atomic<int> refs{0};
};

// Zero-filled pixel memory. Large blocks are mapped with all their pages
// populated by one system call, which is much cheaper than a page fault per
// page.
class PixelBuffer {
 public:
  PixelBuffer() = default;
  ~PixelBuffer();
  PixelBuffer(const PixelBuffer&) = delete;
  PixelBuffer& operator=(const PixelBuffer&) = delete;
  // Replaces the block with size bytes, zero-filled unless zero is false;
  // false when out of memory.
  bool Allocate(size_t size, bool zero = true);
  uint8_t* get() const { return data_; }
  explicit operator bool() const { return data_ != nullptr; }

 private:
  void Free();
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
  bool mapped_ = false;
};

// The largest pixel block a bitmap may have.
constexpr int64_t kMaxBitmapBytes = int64_t(1) << 31;

struct Bitmap : Object {
  Bitmap() : Object(Kind::Bitmap) {}
  int width = 0;
  int height = 0;
  int bpp = 0;
  int64_t stride = 0;
  // Rows top-down, stride bytes each. At 32 bits a pixel the fourth byte
  // is read by nothing (readers mask it off, conversions to DIBs write 0
  // there): the layer writes 0, a decoder filling rows through BitmapRows
  // may leave its own filler.
  PixelBuffer pixels;
  // The memory DC it is selected into; taken with a compare-and-swap, so
  // that of two contexts selecting it at once only one gets it.
  std::atomic<HDC> owner{nullptr};
  uint8_t* Row(int y) const { return pixels.get() + stride * y; }
};

struct Palette : Object {
  Palette() : Object(Kind::Palette) {}
  std::vector<PALETTEENTRY> entries;
};

struct Brush : Object {
  Brush() : Object(Kind::Brush) {}
  LOGBRUSH log{};
};

struct Pen : Object {
  Pen() : Object(Kind::Pen) {}
  LOGPEN log{};  // lopnStyle holds the style bits only (PS_SOLID ... PS_INSIDEFRAME)
  // From ExtCreatePen: geometric pens keep their width under any transform
  // and have end caps and joins (PS_ENDCAP_*, PS_JOIN_*); CreatePen makes
  // geometric pens of widths above 1 with round ends and joins.
  bool geometric = false;
  DWORD end_cap = PS_ENDCAP_ROUND;
  DWORD join = PS_JOIN_ROUND;
  std::vector<DWORD> user_style;  // PS_USERSTYLE dash and gap lengths
};

class FontFace;

struct Font : Object {
  Font();
  ~Font() override;
  LOGFONTW log{};
  // The FreeType face, loaded at the first text drawn with the font. A face
  // serves one thread at a time: text drawing holds face_mutex (stock fonts
  // are shared by every thread's contexts).
  std::mutex face_mutex;
  std::unique_ptr<FontFace> face;
  bool face_failed = false;
};

struct Metafile : Object {
  Metafile() : Object(Kind::Metafile) {}
  std::vector<uint8_t> bytes;  // validated EMF data
  const ENHMETAHEADER& Header() const {
    return *reinterpret_cast<const ENHMETAHEADER*>(bytes.data());
  }
};

class MetaRecorder;
class Region;

// One axis of an affine map: out = in * scale + offset.
struct Axis {
  double scale = 1;
  double offset = 0;
  double Apply(double v) const { return v * scale + offset; }
};

// The selectable state of a DC; SaveDC pushes a copy.
struct DcState {
  HGDIOBJ bitmap = nullptr;
  HGDIOBJ brush = nullptr;
  HGDIOBJ pen = nullptr;
  HGDIOBJ palette = nullptr;
  HGDIOBJ font = nullptr;
  int stretch_mode = BLACKONWHITE;
  POINT brush_org{0, 0};
  POINT position{0, 0};
  int map_mode = MM_TEXT;
  POINT window_org{0, 0};
  SIZE window_ext{1, 1};
  POINT viewport_org{0, 0};
  SIZE viewport_ext{1, 1};
  COLORREF bk_colour = RGB(255, 255, 255);
  COLORREF text_colour = RGB(0, 0, 0);
  int bk_mode = OPAQUE;
  int fill_mode = ALTERNATE;
  int rop2 = R2_COPYPEN;
  UINT text_align = TA_LEFT | TA_TOP;
  int char_extra = 0;
  int arc_direction = AD_COUNTERCLOCKWISE;
  double miter_limit = 10;
  Matrix world;  // world to page
  // GM_ADVANCED while a metafile plays (rectangles then include their
  // right and bottom edges, as on Windows).
  int graphics_mode = GM_COMPATIBLE;
  // The clipping region in device pixels; null: no clipping.
  std::shared_ptr<const Region> clip;
  // The path under construction (open) or ended and ready for use.
  Path path;
  bool path_open = false;
  bool path_ready = false;
};

enum class DcType { Screen, Memory, Recording };

struct Dc : Object {
  Dc();
  ~Dc() override;
  DcType type = DcType::Memory;
  gditest::DisplayFormat display{};  // the display when the DC was made
  DcState state;
  std::vector<DcState> saved;
  // During metafile playback, device coordinates pass through this map, and
  // the fixed mapping modes use the metafile's reference device (pixels and
  // millimetres; zero: the screen).
  Axis play_x, play_y;
  SIZE reference_pixels{0, 0};
  SIZE reference_mm{0, 0};
  std::unique_ptr<MetaRecorder> recorder;
};

// ---------------------------------------------------------------------------
// Handle table

// The table may be used from any thread: lookups take no lock, adding and
// removing objects take a short one. An object itself is not locked; using
// one object from two threads at once is the caller's mistake, as on
// Windows.
// Stores an object and returns its new handle (never null).
void* AddObject(std::unique_ptr<Object> object);
// The object behind a handle if it is live and of the kind; otherwise null
// and the last error is ERROR_INVALID_HANDLE.
Object* Lookup(const void* handle);
template <class T>
T* Get(const void* handle, Kind kind) {
  Object* o = Lookup(handle);
  if (!o || o->kind != kind) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return static_cast<T*>(o);
}
inline Dc* GetDc(HDC h) {
  return Get<Dc>(h, Kind::Dc);
}
inline Bitmap* GetBitmap(const void* h) {
  return Get<Bitmap>(h, Kind::Bitmap);
}
inline Palette* GetPalette(const void* h) {
  return Get<Palette>(h, Kind::Palette);
}
// Frees the object behind a live handle.
void RemoveObject(const void* handle);
// Live handle counts by kind (stock objects excluded).
void CountObjects(gditest::HandleCounts& counts);

// Stock objects by GetStockObject index; null for unknown indices.
HGDIOBJ Stock(int index);
// The stock 1 x 1 monochrome bitmap of new memory DCs.
HBITMAP StockBitmap();

// Reference counting of objects selected into DC states.
void AddRef(HGDIOBJ object);
void Release(HGDIOBJ object);

// ---------------------------------------------------------------------------
// Display

// The display that new contexts and compatible bitmaps take; only test
// support (gditest::SetDisplayFormat and its friends) changes it.
struct DisplayState {
  gditest::DisplayFormat format = gditest::DisplayFormat::TrueColour32;
  int width = 1920;
  int height = 1080;
};
DisplayState& TheDisplay();
gditest::DisplayFormat CurrentDisplay();
int DisplayBpp(gditest::DisplayFormat format);
SIZE ScreenSize();
// The reference device size in millimetres and micrometres (96 dpi).
SIZE ScreenMillimetres();
SIZE ScreenMicrometres();

// ---------------------------------------------------------------------------
// Colours: 32-bit pixels are 0x00RRGGBB (bytes blue, green, red, 0).

inline uint32_t PixelOf(BYTE r, BYTE g, BYTE b) {
  return (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
}
inline uint32_t PixelFromColorref(COLORREF c) {
  return PixelOf(GetRValue(c), GetGValue(c), GetBValue(c));
}
inline COLORREF ColorrefFromPixel(uint32_t p) {
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

// The colours of the indices of a bpp-bit bitmap (1, 4 or 8) as seen through
// dc (see the rules in WinGdi.h); always 2^bpp entries.
std::vector<uint32_t> IndexColours(const Dc& dc, int bpp);
// The colour a COLORREF names in dc (PALETTEINDEX through its palette).
uint32_t ResolveColour(const Dc& dc, COLORREF colour);

// Device coordinates from logical ones (world transform, window/viewport
// mapping, then the playback map), axis by axis. Callers that can meet a
// rotating or shearing world transform use DeviceMatrix instead.
Axis DeviceAxisX(const Dc& dc);
Axis DeviceAxisY(const Dc& dc);
// The whole logical-to-device transform.
Matrix DeviceMatrix(const Dc& dc);
// Rounds to the nearest integer (halves up).
int RoundToInt(double v);

}  // namespace gdiport
