// Device-dependent bitmaps and their conversion to and from DIBs:
// CreateBitmap, CreateCompatibleBitmap, CreateDIBitmap, SetDIBits, GetDIBits.
#include <sys/mman.h>

#include <cstring>
#include <mutex>
#include <utility>

#include "platform/gdi/BitmapRows.h"
#include "platform/gdi/portable/Bitmaps.h"
#include "platform/gdi/portable/PixelFormats.h"

namespace gdiport {

namespace {

// The most recently freed large block, kept for the next bitmap of a
// similar size: mapping fresh pages costs more than filling them. Shared by
// all threads; the mutex is held only to take or put the block.
struct SpareBlock {
  std::mutex mutex;
  void* data = nullptr;
  size_t size = 0;
  ~SpareBlock() {
    if (data) munmap(data, size);
  }
};
SpareBlock& Spare() {
  static SpareBlock spare;
  return spare;
}
constexpr size_t kMapAbove = size_t(1) << 20;
constexpr size_t kMaxSpare = size_t(1) << 28;

}  // namespace

PixelBuffer::~PixelBuffer() {
  Free();
}

void PixelBuffer::Free() {
  if (mapped_) {
    void* unmap = data_;
    size_t unmap_size = size_;
    if (size_ <= kMaxSpare) {
      SpareBlock& spare = Spare();
      std::lock_guard<std::mutex> lock(spare.mutex);
      std::swap(unmap, spare.data);
      std::swap(unmap_size, spare.size);
    }
    if (unmap) munmap(unmap, unmap_size);
  } else {
    std::free(data_);
  }
  data_ = nullptr;
  size_ = 0;
  mapped_ = false;
}

bool PixelBuffer::Allocate(size_t size, bool zero) {
  Free();
  if (size >= kMapAbove) {
    {
      SpareBlock& spare = Spare();
      std::lock_guard<std::mutex> lock(spare.mutex);
      if (spare.data && spare.size >= size && spare.size / 2 <= size) {
        data_ = static_cast<uint8_t*>(std::exchange(spare.data, nullptr));
        size_ = spare.size;
      }
    }
    if (data_) {
      if (zero) std::memset(data_, 0, size);
    } else {
      // Very large blocks are not populated up front, so that memory is only
      // committed as it is used.
      const int populate = size <= kMaxSpare ? MAP_POPULATE : 0;
      void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | populate,
                     -1, 0);
      if (p == MAP_FAILED) return false;
      data_ = static_cast<uint8_t*>(p);
      size_ = size;
    }
    mapped_ = true;
    return true;
  }
  data_ = static_cast<uint8_t*>(std::calloc(size ? size : 1, 1));
  if (!data_) return false;
  size_ = size;
  return true;
}

HBITMAP NewBitmap(int width, int height, int bpp, bool zero) {
  if (width < 0 || height < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (width == 0 || height == 0) {
    width = height = 1;
    bpp = 1;
  }
  const int64_t stride = DibRowBytes(width, bpp);
  if (stride * height > kMaxBitmapBytes) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto b = std::make_unique<Bitmap>();
  if (!b->pixels.Allocate(static_cast<size_t>(stride * height), zero)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  b->width = width;
  b->height = height;
  b->bpp = bpp;
  b->stride = stride;
  return static_cast<HBITMAP>(AddObject(std::move(b)));
}

int DcBitmapDepth(const Dc& dc) {
  if (dc.type == DcType::Memory) {
    if (const Bitmap* b = static_cast<const Bitmap*>(Lookup(dc.state.bitmap))) {
      return b->bpp;
    }
  }
  return DisplayBpp(dc.display);
}

namespace {

bool ValidBpp(int bpp) {
  return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

// Index translation between two colour tables: equal colours at the same
// index keep it; others take the nearest entry.
std::vector<uint8_t> IndexTranslation(const std::vector<uint32_t>& from, IndexMapper& to) {
  std::vector<uint8_t> lut(from.size());
  for (size_t i = 0; i < from.size(); ++i) {
    lut[i] = (i < to.Table().size() && to.Table()[i] == from[i]) ? static_cast<uint8_t>(i)
                                                                 : to.Map(from[i]);
  }
  return lut;
}

bool IsIdentity(const std::vector<uint8_t>& lut) {
  for (size_t i = 0; i < lut.size(); ++i) {
    if (lut[i] != i) return false;
  }
  return true;
}

// Converts count rows between two pixel layouts. Row i of the source is at
// src_row(i), of the destination at dst_row(i). Colours of index formats come
// from src_table; index destinations map through dst_mapper.
template <class SrcRow, class DstRow>
void ConvertRows(int count, int width, int src_bpp, const std::vector<uint32_t>& src_table,
                 SrcRow src_row, int dst_bpp, IndexMapper* dst_mapper, DstRow dst_row) {
  const int64_t row_bytes = (int64_t(width) * src_bpp + 7) / 8;
  if (src_bpp == dst_bpp && src_bpp > 8) {
    for (int i = 0; i < count; ++i) {
      std::memcpy(dst_row(i), src_row(i), static_cast<size_t>(row_bytes));
      if (dst_bpp == 32) {
        uint8_t* d = dst_row(i);
        for (int x = 0; x < width; ++x) d[4 * x + 3] = 0;
      }
    }
    return;
  }
  if (src_bpp == 24 && dst_bpp == 32) {
    for (int i = 0; i < count; ++i) Convert24To32(src_row(i), dst_row(i), width);
    return;
  }
  if (src_bpp == 32 && dst_bpp == 24) {
    for (int i = 0; i < count; ++i) Convert32To24(src_row(i), dst_row(i), width);
    return;
  }
  if (src_bpp <= 8 && dst_bpp <= 8) {
    const std::vector<uint8_t> lut = IndexTranslation(src_table, *dst_mapper);
    if (src_bpp == dst_bpp && IsIdentity(lut)) {
      for (int i = 0; i < count; ++i) {
        std::memcpy(dst_row(i), src_row(i), static_cast<size_t>(row_bytes));
      }
      return;
    }
    for (int i = 0; i < count; ++i) {
      const uint8_t* s = src_row(i);
      uint8_t* d = dst_row(i);
      for (int x = 0; x < width; ++x) {
        SetRaw(d, dst_bpp, x, lut[GetRaw(s, src_bpp, x)]);
      }
    }
    return;
  }
  std::vector<uint32_t> line(static_cast<size_t>(width));
  for (int i = 0; i < count; ++i) {
    UnpackRow(src_row(i), src_bpp, 0, width, src_table.data(), line.data());
    PackRow(line.data(), width, dst_bpp, dst_row(i), 0, dst_mapper);
  }
}

// Copies DIB scan lines [first, first + lines) from bits into the bitmap,
// seen through dc.
void DibToBitmap(const Dc& dc, Bitmap& b, const DibFormat& f, const uint8_t* bits, int first,
                 int lines) {
  std::unique_ptr<IndexMapper> mapper;
  if (b.bpp <= 8) mapper = std::make_unique<IndexMapper>(IndexColours(dc, b.bpp));
  auto src_row = [&](int i) { return bits + f.stride * i; };
  auto dst_row = [&](int i) {
    const int scan = first + i;
    return b.Row(f.top_down ? scan : b.height - 1 - scan);
  };
  ConvertRows(lines, b.width, f.bpp, f.colours, src_row, b.bpp, mapper.get(), dst_row);
}

}  // namespace

}  // namespace gdiport

using namespace gdiport;

HBITMAP CreateCompatibleBitmap(HDC handle, int width, int height) {
  Dc* dc = GetDc(handle);
  if (!dc) return nullptr;
  return NewBitmap(width, height, DcBitmapDepth(*dc));
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bit_count, const void* bits) {
  if (planes != 1 || !ValidBpp(static_cast<int>(bit_count))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HBITMAP handle = NewBitmap(width, height, static_cast<int>(bit_count));
  if (!handle || !bits) return handle;
  Bitmap* b = GetBitmap(handle);
  const int64_t source_stride = ((int64_t(b->width) * b->bpp + 15) / 16) * 2;
  for (int y = 0; y < b->height; ++y) {
    std::memcpy(b->Row(y), static_cast<const uint8_t*>(bits) + source_stride * y,
                static_cast<size_t>(source_stride));
    if (b->bpp == 32) {
      for (int x = 0; x < b->width; ++x) b->Row(y)[4 * x + 3] = 0;
    }
  }
  return handle;
}

HBITMAP CreateDIBitmap(HDC handle, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage) {
  Dc* dc = nullptr;
  HDC screen = nullptr;
  if (handle) {
    dc = GetDc(handle);
    if (!dc) return nullptr;
  } else {
    screen = GetDC(nullptr);
    dc = GetDc(screen);
  }
  struct ScreenRelease {
    HDC dc;
    ~ScreenRelease() {
      if (dc) ReleaseDC(nullptr, dc);
    }
  } release{screen};

  DibFormat hf, f;
  if (!ParseDibHeader(header, hf)) return nullptr;
  const bool initialise = (init & CBM_INIT) != 0;
  if (initialise) {
    if (!bits || !info || !ParseDibHeader(&info->bmiHeader, f) || !ReadDibColours(info, usage, f)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
  }
  // As on Windows, a bitmap made without CBM_INIT has undefined pixels (the
  // caller sets them all, as a decoder does strip by strip); with it, every
  // pixel byte is written when the bitmap has whole bytes per pixel.
  const int depth = DcBitmapDepth(*dc);
  HBITMAP result = NewBitmap(hf.width, hf.height, depth, depth < 8);
  if (!result || !initialise) return result;
  Bitmap* b = GetBitmap(result);
  if (b->width != f.width || b->height != f.height) {
    // The header and info disagree about the size.
    DeleteObject(result);
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  DibToBitmap(*dc, *b, f, static_cast<const uint8_t*>(bits), 0, f.height);
  return result;
}

TBitmapRows BitmapRows(HBITMAP handle) {
  Bitmap* b = GetBitmap(handle);
  if (!b || b->stock || b->refs > 0) return {};
  return TBitmapRows{b->Row(0), b->stride, b->bpp};
}

int SetDIBits(HDC handle, HBITMAP bitmap, UINT start, UINT lines, const void* bits,
              const BITMAPINFO* info, UINT usage) {
  Dc* dc = GetDc(handle);
  Bitmap* b = GetBitmap(bitmap);
  if (!dc || !b) return 0;
  DibFormat f;
  if (!bits || !info || !ParseDibHeader(&info->bmiHeader, f) || !ReadDibColours(info, usage, f)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (b->refs > 0 || f.width != b->width || f.height != b->height ||
      start >= static_cast<UINT>(f.height)) {
    SetLastError(b->refs > 0 ? ERROR_BUSY : ERROR_INVALID_PARAMETER);
    return 0;
  }
  const int count = static_cast<int>(std::min<UINT>(lines, static_cast<UINT>(f.height) - start));
  DibToBitmap(*dc, *b, f, static_cast<const uint8_t*>(bits), static_cast<int>(start), count);
  return count;
}

int GetDIBits(HDC handle, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info,
              UINT usage) {
  Dc* dc = GetDc(handle);
  Bitmap* b = GetBitmap(bitmap);
  if (!dc || !b) return 0;
  if (b->refs > 0) {
    // Windows requires that the bitmap is not selected into a DC.
    SetLastError(ERROR_BUSY);
    return 0;
  }
  if (!info || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) || usage != DIB_RGB_COLORS) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  BITMAPINFOHEADER& h = info->bmiHeader;
  if (!bits && h.biBitCount == 0) {
    h.biWidth = b->width;
    h.biHeight = b->height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(b->bpp);
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(DibRowBytes(b->width, b->bpp) * b->height);
    h.biClrUsed = 0;
    h.biClrImportant = 0;
    return b->height;
  }
  if (!bits) {
    h.biWidth = b->width;
    h.biHeight = h.biHeight < 0 ? -b->height : b->height;
  }
  DibFormat f;
  if (!ParseDibHeader(&h, f)) return 0;
  if (f.width != b->width || f.height != b->height || start >= static_cast<UINT>(f.height)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  h.biSizeImage = static_cast<DWORD>(f.image_bytes);
  std::unique_ptr<IndexMapper> mapper;
  if (f.bpp <= 8) {
    h.biClrUsed = 0;
    h.biClrImportant = 0;
    mapper = std::make_unique<IndexMapper>(IndexColours(*dc, f.bpp));
    RGBQUAD* table = reinterpret_cast<RGBQUAD*>(reinterpret_cast<uint8_t*>(info) + h.biSize);
    const std::vector<uint32_t>& colours = mapper->Table();
    for (size_t i = 0; i < colours.size(); ++i) {
      table[i] = {static_cast<BYTE>(colours[i]), static_cast<BYTE>(colours[i] >> 8),
                  static_cast<BYTE>(colours[i] >> 16), 0};
    }
  }
  const int count = static_cast<int>(std::min<UINT>(lines, static_cast<UINT>(f.height) - start));
  if (!bits) return f.height;
  const std::vector<uint32_t> source_table =
      b->bpp <= 8 ? IndexColours(*dc, b->bpp) : std::vector<uint32_t>{};
  uint8_t* out = static_cast<uint8_t*>(bits);
  auto src_row = [&](int i) -> const uint8_t* {
    const int scan = static_cast<int>(start) + i;
    return b->Row(f.top_down ? scan : b->height - 1 - scan);
  };
  auto dst_row = [&](int i) { return out + f.stride * i; };
  ConvertRows(count, b->width, b->bpp, source_table, src_row, f.bpp, mapper.get(), dst_row);
  return count;
}
