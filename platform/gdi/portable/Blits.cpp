// Blits: StretchBlt, BitBlt, PatBlt, StretchDIBits.
#include <cstring>

#include "platform/gdi/portable/MetaRecorder.h"
#include "platform/gdi/portable/Raster.h"
#include "platform/gdi/portable/Stretch.h"

namespace gdiport {
namespace {

bool SourceRop(DWORD rop) {
  return rop == SRCCOPY || rop == NOTSRCCOPY || rop == SRCPAINT || rop == SRCAND ||
         rop == SRCINVERT;
}

struct DeviceRect {
  int x, y, w, h;
};

DeviceRect ToDevice(const Dc& dc, int x, int y, int w, int h) {
  const Axis ax = DeviceAxisX(dc), ay = DeviceAxisY(dc);
  const int x0 = RoundToInt(ax.Apply(x)), y0 = RoundToInt(ay.Apply(y));
  const int x1 = RoundToInt(ax.Apply(double(x) + w));
  const int y1 = RoundToInt(ay.Apply(double(y) + h));
  return {x0, y0, x1 - x0, y1 - y0};
}

// Makes the source rectangle positive, mirroring the destination instead
// (over the same pixels). A negative width w at s covers s, s - 1, ...,
// s + w + 1. False when the result does not fit an int (the call fails).
bool Normalise(int& s, int& sl, int& d, int& dl) {
  if (sl >= 0) return true;
  const int64_t ns = int64_t{s} + sl + 1, nsl = -int64_t{sl};
  const int64_t nd = dl == 0 ? d : int64_t{d} + dl + (dl > 0 ? -1 : 1), ndl = -int64_t{dl};
  for (int64_t v : {ns, nsl, nd, ndl})
    if (v < INT32_MIN || v > INT32_MAX) return false;
  s = static_cast<int>(ns);
  sl = static_cast<int>(nsl);
  d = static_cast<int>(nd);
  dl = static_cast<int>(ndl);
  return true;
}

bool Inside(int x, int y, int w, int h, int width, int height) {
  return x >= 0 && y >= 0 && w > 0 && h > 0 && int64_t(x) + w <= width && int64_t(y) + h <= height;
}

// Records the source rectangle of a bitmap as a 24-bit DIB.
void RecordBitmapBlit(Dc& dest, int x, int y, int w, int h, const Dc& src_dc, const Bitmap& src,
                      int sx, int sy, int sw, int sh, DWORD rop) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = sw;
  info.bmiHeader.biHeight = -sh;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  const int64_t stride = DibRowBytes(sw, 24);
  info.bmiHeader.biSizeImage = static_cast<DWORD>(stride * sh);
  std::vector<uint8_t> bits(static_cast<size_t>(stride * sh));
  BitmapSource source(src_dc, src, false);
  std::vector<uint32_t> scratch(static_cast<size_t>(sw));
  for (int r = 0; r < sh; ++r) {
    const uint32_t* row = source.Row(sy + r, sx, sw, scratch.data());
    PackRow(row, sw, 24, bits.data() + stride * r, 0, nullptr);
  }
  dest.recorder->StretchDib(dest, x, y, w, h, 0, 0, sw, sh, &info, sizeof(BITMAPINFOHEADER),
                            bits.data(), bits.size(), rop);
}

}  // namespace
}  // namespace gdiport

using namespace gdiport;

BOOL StretchBlt(HDC dest_handle, int x, int y, int w, int h, HDC src_handle, int sx, int sy, int sw,
                int sh, DWORD rop) {
  Dc* dest = GetDc(dest_handle);
  if (!dest) return FALSE;
  if (!SourceRop(rop)) {
    if (IsPatternRop(rop)) return PatBlt(dest_handle, x, y, w, h, rop);
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Dc* src_dc = GetDc(src_handle);
  if (!src_dc) return FALSE;
  Bitmap* src = src_dc->type == DcType::Memory ? GetBitmap(src_dc->state.bitmap) : nullptr;
  if (!src) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DeviceRect s = ToDevice(*src_dc, sx, sy, sw, sh);
  int dw = w, dh = h;
  if (!Normalise(s.x, s.w, x, dw) || !Normalise(s.y, s.h, y, dh) ||
      !Inside(s.x, s.y, s.w, s.h, src->width, src->height)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (dest->recorder) {
    RecordBitmapBlit(*dest, x, y, dw, dh, *src_dc, *src, s.x, s.y, s.w, s.h, rop);
    return TRUE;
  }
  if (dest->type != DcType::Memory) return TRUE;  // the screen keeps nothing
  Bitmap* target = GetBitmap(dest->state.bitmap);
  if (!target) return FALSE;
  const DeviceRect d = ToDevice(*dest, x, y, dw, dh);
  BitmapSource source(*src_dc, *src, src == target);
  const ClipGuard clip(*dest, *target, d.x, d.y, int64_t{d.x} + d.w, int64_t{d.y} + d.h);
  DrawScaled(*dest, *target, source, s.x, s.y, s.w, s.h, d.x, d.y, d.w, d.h,
             dest->state.stretch_mode, rop);
  return TRUE;
}

BOOL BitBlt(HDC dest, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop) {
  if (!SourceRop(rop)) {
    if (IsPatternRop(rop)) return PatBlt(dest, x, y, w, h, rop);
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return StretchBlt(dest, x, y, w, h, src, sx, sy, w, h, rop);
}

BOOL PatBlt(HDC handle, int x, int y, int w, int h, DWORD rop) {
  Dc* dc = GetDc(handle);
  if (!dc) return FALSE;
  if (!IsPatternRop(rop)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (dc->recorder) {
    EMRBITBLT r{};
    r.xDest = x;
    r.yDest = y;
    r.cxDest = w;
    r.cyDest = h;
    r.dwRop = rop;
    r.xformSrc.eM11 = r.xformSrc.eM22 = 1;
    dc->recorder->AddBounds(*dc, x, y, x + w - 1, y + h - 1);
    r.rclBounds = {x, y, x + w - 1, y + h - 1};
    dc->recorder->Record(EMR_BITBLT, reinterpret_cast<uint8_t*>(&r) + 8, sizeof r - 8);
    return TRUE;
  }
  const DeviceRect d = ToDevice(*dc, x, y, w, h);
  int x0 = d.x, x1 = d.x + d.w, y0 = d.y, y1 = d.y + d.h;
  if (x0 > x1) std::swap(x0, x1);
  if (y0 > y1) std::swap(y0, y1);
  PatternFill(*dc, x0, y0, x1, y1, rop);
  return TRUE;
}

int StretchDIBits(HDC handle, int x, int y, int w, int h, int sx, int sy, int sw, int sh,
                  const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
  Dc* dc = GetDc(handle);
  if (!dc) return 0;
  DibFormat f;
  if (!bits || !info || !ParseDibHeader(&info->bmiHeader, f) || !ReadDibColours(info, usage, f) ||
      !SourceRop(rop)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  int dw = w, dh = h;
  if (!Normalise(sx, sw, x, dw) || !Normalise(sy, sh, y, dh)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // For bottom-up DIBs the source origin is the lower-left corner.
  const int top = f.top_down ? sy : static_cast<int>(int64_t(f.height) - sy - sh);
  if (!Inside(sx, top, sw, sh, f.width, f.height)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (dc->recorder) {
    const size_t table = f.bpp <= 8 ? (size_t(1) << f.bpp) * sizeof(RGBQUAD) : 0;
    BITMAPINFO* copy = static_cast<BITMAPINFO*>(
        std::calloc(1, sizeof(BITMAPINFOHEADER) + table + sizeof(RGBQUAD)));
    if (!copy) return 0;
    copy->bmiHeader = info->bmiHeader;
    copy->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    copy->bmiHeader.biClrUsed = 0;
    for (size_t i = 0; i < f.colours.size(); ++i) {
      copy->bmiColors[i] = {static_cast<BYTE>(f.colours[i]), static_cast<BYTE>(f.colours[i] >> 8),
                            static_cast<BYTE>(f.colours[i] >> 16), 0};
    }
    dc->recorder->StretchDib(*dc, x, y, dw, dh, sx, sy, sw, sh, copy,
                             sizeof(BITMAPINFOHEADER) + table, bits,
                             static_cast<size_t>(f.image_bytes), rop);
    std::free(copy);
    return sh;
  }
  if (dc->type != DcType::Memory) return sh;
  Bitmap* target = GetBitmap(dc->state.bitmap);
  if (!target) return 0;
  const DeviceRect d = ToDevice(*dc, x, y, dw, dh);
  DibSource source(f, static_cast<const uint8_t*>(bits));
  const ClipGuard clip(*dc, *target, d.x, d.y, int64_t{d.x} + d.w, int64_t{d.y} + d.h);
  DrawScaled(*dc, *target, source, sx, top, sw, sh, d.x, d.y, d.w, d.h, dc->state.stretch_mode,
             rop);
  return sh;
}
