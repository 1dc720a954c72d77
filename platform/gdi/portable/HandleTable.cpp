// The handle table and the calls that work on any GDI object: stock objects,
// DeleteObject, GetObjectA, GetObjectType.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>

#include "platform/gdi/portable/GdiObjects.h"
#include "platform/gdi/portable/MetaRecorder.h"

namespace gdiport {
namespace {

// A handle is (generation << 20) | (slot + 1): a slot reused after a delete
// gets a new generation, so the old handle stays invalid. Values stay below
// 2^31 so that they survive a trip through a 32-bit integer.
constexpr uint32_t kSlotBits = 20;
constexpr uint32_t kMaxSlots = (1u << kSlotBits) - 1;
constexpr uint32_t kGenerations = 2047;

// Slots live in chunks that never move once made, so that a lookup needs no
// lock: it reads the chunk, the generation and the object atomically, and
// threads that use separate objects never wait for each other. Adding and
// removing objects (and walks over every slot) take the table's mutex for a
// moment; objects are destroyed outside it.
constexpr uint32_t kChunkBits = 12;
constexpr uint32_t kChunkSlots = 1u << kChunkBits;
constexpr uint32_t kChunks = (kMaxSlots + kChunkSlots - 1) / kChunkSlots;

struct Slot {
  std::atomic<Object*> object{nullptr};
  std::atomic<uint32_t> generation{1};
};

struct Chunk {
  Slot slots[kChunkSlots];
};

struct Table {
  std::mutex mutex;
  std::atomic<Chunk*> chunks[kChunks] = {};
  uint32_t used = 0;                // slots handed out so far
  std::deque<uint32_t> free_slots;  // oldest first, to delay reuse
  ~Table() {
    for (auto& c : chunks) {
      Chunk* chunk = c.exchange(nullptr);
      if (!chunk) continue;
      for (Slot& s : chunk->slots) delete s.object.exchange(nullptr);
      delete chunk;
    }
  }
  Slot& At(uint32_t slot) {
    return chunks[slot >> kChunkBits]
        .load(std::memory_order_relaxed)
        ->slots[slot & (kChunkSlots - 1)];
  }
};

Table& TheTable() {
  static Table table;
  return table;
}

void* Encode(uint32_t slot, uint32_t generation) {
  return reinterpret_cast<void*>(static_cast<uintptr_t>((generation << kSlotBits) | (slot + 1)));
}

}  // namespace

void* AddObject(std::unique_ptr<Object> object) {
  Table& t = TheTable();
  std::lock_guard<std::mutex> lock(t.mutex);
  uint32_t slot;
  if (!t.free_slots.empty() && (t.free_slots.size() > 64 || t.used >= kMaxSlots)) {
    slot = t.free_slots.front();
    t.free_slots.pop_front();
  } else if (t.used < kMaxSlots) {
    slot = t.used;
    std::atomic<Chunk*>& chunk = t.chunks[slot >> kChunkBits];
    if (!chunk.load(std::memory_order_relaxed)) chunk.store(new Chunk, std::memory_order_release);
    ++t.used;
  } else {
    // A million live objects: treat as exhaustion, as Windows does.
    throw std::bad_alloc();
  }
  Slot& s = t.At(slot);
  const uint32_t generation = s.generation.load(std::memory_order_relaxed);
  s.object.store(object.release(), std::memory_order_release);
  return Encode(slot, generation);
}

Object* Lookup(const void* handle) {
  const uintptr_t v = reinterpret_cast<uintptr_t>(handle);
  if (v == 0 || v >= (uintptr_t(1) << 31)) return nullptr;
  const uint32_t slot = static_cast<uint32_t>(v & kMaxSlots);
  const uint32_t generation = static_cast<uint32_t>(v >> kSlotBits);
  if (slot == 0) return nullptr;
  const Chunk* chunk = TheTable().chunks[(slot - 1) >> kChunkBits].load(std::memory_order_acquire);
  if (!chunk) return nullptr;
  const Slot& s = chunk->slots[(slot - 1) & (kChunkSlots - 1)];
  if (s.generation.load(std::memory_order_acquire) != generation) return nullptr;
  Object* o = s.object.load(std::memory_order_acquire);
  // A slot freed and reused meanwhile has a new generation: the object read
  // belongs to another handle then.
  if (!o || s.generation.load(std::memory_order_acquire) != generation) return nullptr;
  return o;
}

void RemoveObject(const void* handle) {
  const uintptr_t v = reinterpret_cast<uintptr_t>(handle);
  const uint32_t slot = static_cast<uint32_t>(v & kMaxSlots) - 1;
  Table& t = TheTable();
  Object* object;
  {
    std::lock_guard<std::mutex> lock(t.mutex);
    Slot& s = t.At(slot);
    object = s.object.exchange(nullptr, std::memory_order_acq_rel);
    s.generation.store(s.generation.load(std::memory_order_relaxed) % kGenerations + 1,
                       std::memory_order_release);
    t.free_slots.push_back(slot);
  }
  // Destroyed outside the lock: destructors may look at the table.
  delete object;
}

void CountObjects(gditest::HandleCounts& counts) {
  Table& t = TheTable();
  std::lock_guard<std::mutex> lock(t.mutex);
  for (uint32_t i = 0; i < t.used; ++i) {
    // Objects are taken out of their slot under the lock before they are
    // destroyed, so what the walk sees is alive.
    const Object* o = t.At(i).object.load(std::memory_order_acquire);
    if (!o || o->stock) continue;
    switch (o->kind) {
      case Kind::Dc:
        ++counts.dcs;
        break;
      case Kind::Bitmap:
        ++counts.bitmaps;
        break;
      case Kind::Palette:
        ++counts.palettes;
        break;
      case Kind::Brush:
        ++counts.brushes;
        break;
      case Kind::Pen:
        ++counts.pens;
        break;
      case Kind::Font:
        break;
      case Kind::Metafile:
        ++counts.metafiles;
        break;
      case Kind::Global:
        ++counts.globals;
        break;
    }
  }
}

void AddRef(HGDIOBJ object) {
  if (Object* o = Lookup(object)) o->refs.fetch_add(1, std::memory_order_relaxed);
}

void Release(HGDIOBJ object) {
  if (Object* o = Lookup(object)) {
    // Stock objects are selected into the contexts of every thread at once.
    int refs = o->refs.load(std::memory_order_relaxed);
    while (refs > 0 && !o->refs.compare_exchange_weak(refs, refs - 1, std::memory_order_acq_rel)) {
    }
    if (refs <= 1 && o->kind == Kind::Bitmap && !o->stock) {
      static_cast<Bitmap*>(o)->owner.store(nullptr, std::memory_order_release);
    }
  }
}

// ---------------------------------------------------------------------------
// Stock objects

namespace {

struct StockObjects {
  HGDIOBJ objects[STOCK_LAST + 1] = {};
  HBITMAP bitmap = nullptr;
};

HGDIOBJ MakeStock(std::unique_ptr<Object> o) {
  o->stock = true;
  return AddObject(std::move(o));
}

HGDIOBJ StockBrush(UINT style, COLORREF colour) {
  auto b = std::make_unique<Brush>();
  b->log.lbStyle = style;
  b->log.lbColor = colour;
  return MakeStock(std::move(b));
}

HGDIOBJ StockPen(UINT style, COLORREF colour) {
  auto p = std::make_unique<Pen>();
  p->log.lopnStyle = style;
  p->log.lopnColor = colour;
  return MakeStock(std::move(p));
}

// The 20 static colours of the default palette (red, green, blue).
constexpr BYTE kStatic[20][3] = {
    {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
    {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};

StockObjects& Stocks() {
  static StockObjects s = [] {
    StockObjects r;
    r.objects[WHITE_BRUSH] = StockBrush(BS_SOLID, RGB(255, 255, 255));
    r.objects[LTGRAY_BRUSH] = StockBrush(BS_SOLID, RGB(192, 192, 192));
    r.objects[GRAY_BRUSH] = StockBrush(BS_SOLID, RGB(128, 128, 128));
    r.objects[DKGRAY_BRUSH] = StockBrush(BS_SOLID, RGB(64, 64, 64));
    r.objects[BLACK_BRUSH] = StockBrush(BS_SOLID, RGB(0, 0, 0));
    r.objects[NULL_BRUSH] = StockBrush(BS_NULL, 0);
    r.objects[WHITE_PEN] = StockPen(PS_SOLID, RGB(255, 255, 255));
    r.objects[BLACK_PEN] = StockPen(PS_SOLID, RGB(0, 0, 0));
    r.objects[NULL_PEN] = StockPen(PS_NULL, 0);
    for (int f : {OEM_FIXED_FONT, ANSI_FIXED_FONT, ANSI_VAR_FONT, SYSTEM_FONT, DEVICE_DEFAULT_FONT,
                  SYSTEM_FIXED_FONT, DEFAULT_GUI_FONT}) {
      r.objects[f] = MakeStock(std::make_unique<Font>());
    }
    auto pal = std::make_unique<Palette>();
    for (const auto& c : kStatic) pal->entries.push_back({c[0], c[1], c[2], 0});
    r.objects[DEFAULT_PALETTE] = MakeStock(std::move(pal));
    r.objects[DC_BRUSH] = StockBrush(BS_SOLID, RGB(255, 255, 255));
    r.objects[DC_PEN] = StockPen(PS_SOLID, RGB(0, 0, 0));
    auto bmp = std::make_unique<Bitmap>();
    bmp->width = bmp->height = 1;
    bmp->bpp = 1;
    bmp->stride = 4;
    bmp->pixels.Allocate(4);
    r.bitmap = static_cast<HBITMAP>(MakeStock(std::move(bmp)));
    return r;
  }();
  return s;
}

}  // namespace

HGDIOBJ Stock(int index) {
  if (index < 0 || index > STOCK_LAST) return nullptr;
  return Stocks().objects[index];
}

HBITMAP StockBitmap() {
  return Stocks().bitmap;
}

std::vector<uint32_t> IndexColours(const Dc& dc, int bpp) {
  const size_t n = size_t(1) << bpp;
  std::vector<uint32_t> table(n, 0);
  if (bpp == 1) {
    table[1] = 0xFFFFFF;
    return table;
  }
  const Palette* pal = static_cast<const Palette*>(Lookup(dc.state.palette));
  if (pal && !pal->stock && pal->entries.size() <= n) {
    for (size_t i = 0; i < pal->entries.size(); ++i) {
      const PALETTEENTRY& e = pal->entries[i];
      table[i] = PixelOf(e.peRed, e.peGreen, e.peBlue);
    }
    return table;
  }
  if (bpp == 4) {
    constexpr uint32_t kVga[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                   0x008080, 0x808080, 0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00,
                                   0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    for (int i = 0; i < 16; ++i) table[i] = kVga[i];
    return table;
  }
  // The 8-bit system palette: static colours at both ends, a 6x6x6 colour
  // cube and a gray ramp between.
  for (int i = 0; i < 10; ++i) {
    table[i] = PixelOf(kStatic[i][0], kStatic[i][1], kStatic[i][2]);
    table[246 + i] = PixelOf(kStatic[10 + i][0], kStatic[10 + i][1], kStatic[10 + i][2]);
  }
  int k = 10;
  for (int r = 0; r < 6; ++r) {
    for (int g = 0; g < 6; ++g) {
      for (int b = 0; b < 6; ++b) table[k++] = PixelOf(r * 51, g * 51, b * 51);
    }
  }
  for (int i = 0; i < 20; ++i) {
    const BYTE v = static_cast<BYTE>((i + 1) * 255 / 21);
    table[k++] = PixelOf(v, v, v);
  }
  return table;
}

}  // namespace gdiport

using namespace gdiport;

HGDIOBJ GetStockObject(int index) {
  HGDIOBJ h = Stock(index);
  if (!h) SetLastError(ERROR_INVALID_PARAMETER);
  return h;
}

BOOL DeleteObject(HGDIOBJ handle) {
  Object* o = Lookup(handle);
  if (!o || o->kind == Kind::Dc || o->kind == Kind::Metafile || o->kind == Kind::Global) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (o->stock) return TRUE;
  if (o->refs.load(std::memory_order_acquire) > 0) {
    SetLastError(ERROR_BUSY);
    return FALSE;
  }
  MetaRecorder::ForgetEverywhere(handle);
  RemoveObject(handle);
  return TRUE;
}

DWORD GetObjectType(HGDIOBJ handle) {
  Object* o = Lookup(handle);
  if (!o) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  switch (o->kind) {
    case Kind::Dc:
      switch (static_cast<Dc*>(o)->type) {
        case DcType::Screen:
          return OBJ_DC;
        case DcType::Memory:
          return OBJ_MEMDC;
        case DcType::Recording:
          return OBJ_ENHMETADC;
      }
      return 0;
    case Kind::Bitmap:
      return OBJ_BITMAP;
    case Kind::Palette:
      return OBJ_PAL;
    case Kind::Brush:
      return OBJ_BRUSH;
    case Kind::Pen:
      return OBJ_PEN;
    case Kind::Font:
      return OBJ_FONT;
    case Kind::Metafile:
      return OBJ_ENHMETAFILE;
    case Kind::Global:
      break;
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return 0;
}

namespace {

int CopyOut(const void* data, int data_size, int size, LPVOID buffer) {
  if (!buffer) return data_size;
  if (size < data_size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::memcpy(buffer, data, data_size);
  return data_size;
}

}  // namespace

int GetObjectA(HANDLE handle, int size, LPVOID buffer) {
  Object* o = Lookup(handle);
  if (!o) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  switch (o->kind) {
    case Kind::Bitmap: {
      const Bitmap* b = static_cast<Bitmap*>(o);
      BITMAP bm{};
      bm.bmWidth = b->width;
      bm.bmHeight = b->height;
      // In 64 bits: width x bits passes 2^31 for the widest bitmaps. The one
      // row of 2^29 pixels at 32 bits that the size limit still allows would
      // need 2^31 bytes; the field holds at most one less.
      const int64_t row = (int64_t{b->width} * b->bpp + 15) / 16 * 2;
      bm.bmWidthBytes = static_cast<LONG>(std::min<int64_t>(row, INT32_MAX));
      bm.bmPlanes = 1;
      bm.bmBitsPixel = static_cast<WORD>(b->bpp);
      return CopyOut(&bm, sizeof bm, size, buffer);
    }
    case Kind::Pen:
      return CopyOut(&static_cast<Pen*>(o)->log, sizeof(LOGPEN), size, buffer);
    case Kind::Brush:
      return CopyOut(&static_cast<Brush*>(o)->log, sizeof(LOGBRUSH), size, buffer);
    case Kind::Palette: {
      const WORD n = static_cast<WORD>(static_cast<Palette*>(o)->entries.size());
      return CopyOut(&n, sizeof n, size, buffer);
    }
    default:
      SetLastError(ERROR_INVALID_HANDLE);
      return 0;
  }
}
