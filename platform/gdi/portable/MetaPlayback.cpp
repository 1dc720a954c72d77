// PlayEnhMetaFile: maps the metafile's frame onto the target rectangle and
// replays the records through the drawing calls. This file holds the player's
// frame (record walk, readers, object table) and the records of bitmaps,
// palettes, objects and DC attributes; MetaPlayShapes.cpp has the shapes,
// paths, clipping, transforms and text.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/gdi/portable/MetaFiles.h"
#include "platform/gdi/portable/MetaPlayer.h"
#include "platform/gdi/portable/MetaRecorder.h"
#include "platform/gdi/portable/Raster.h"
#include "platform/gdi/portable/Region.h"

namespace gdiport {

Player::Player(HDC handle, Dc& dc, const Metafile& mf)
    : handle_(handle), dc_(dc), data_(mf.bytes.data()), size_(mf.bytes.size()) {
  objects_.resize(mf.Header().nHandles);
  base_clip_ = dc.state.clip;
}

Player::~Player() {
  for (HGDIOBJ o : objects_) {
    if (o) DeleteObject(o);
  }
  for (HGDIOBJ o : retired_) DeleteObject(o);
}

bool Player::Play() {
  size_t offset = 0;
  while (offset + sizeof(EMR) <= size_) {
    std::memcpy(&emr_, data_ + offset, sizeof emr_);
    if (emr_.nSize < sizeof(EMR) || emr_.nSize > size_ - offset) return false;
    record_ = data_ + offset;
    if (emr_.iType == EMR_EOF) return true;
    if (!PlayRecord()) return false;
    offset += emr_.nSize;
  }
  return false;
}

bool Player::Param(size_t i, int32_t& value) const {
  return ReadAt(sizeof(EMR) + 4 * i, &value, 4);
}

bool Player::ReadAt(size_t offset, void* out, size_t size) const {
  if (!Fits(offset, 1, size)) return false;
  std::memcpy(out, record_ + offset, size);
  return true;
}

bool Player::Fits(uint64_t offset, uint64_t count, uint64_t each) const {
  return offset <= emr_.nSize && count <= (emr_.nSize - offset) / std::max<uint64_t>(each, 1);
}

std::vector<POINT> Player::PointsAt(size_t offset, size_t n, bool small) const {
  std::vector<POINT> points(n);
  const uint8_t* p = record_ + offset;
  for (size_t i = 0; i < n; ++i) {
    if (small) {
      int16_t xy[2];
      std::memcpy(xy, p + 4 * i, 4);
      points[i] = {xy[0], xy[1]};
    } else {
      std::memcpy(&points[i], p + 8 * i, 8);
    }
  }
  return points;
}

void Player::Store(DWORD index, HGDIOBJ object) {
  // The object the slot held goes now, or at the end while a saved state
  // still holds it.
  if (objects_[index] && !DeleteObject(objects_[index])) retired_.push_back(objects_[index]);
  objects_[index] = object;
}

HGDIOBJ Player::ObjectAt(DWORD index) const {
  if (index & ENHMETA_STOCK_OBJECT) {
    return GetStockObject(static_cast<int>(index & ~ENHMETA_STOCK_OBJECT));
  }
  return Slot(index) ? objects_[index] : nullptr;
}

void Player::NotDrawn() {
  for (TUndrawnRecord& r : undrawn_) {
    if (r.type == emr_.iType) {
      ++r.count;
      return;
    }
  }
  undrawn_.push_back({emr_.iType, 1});
}

// A DIB inside the record; null if the offsets or sizes are wrong.
const BITMAPINFO* Player::Dib(DWORD off_bmi, DWORD cb_bmi, DWORD off_bits, DWORD cb_bits,
                              const void*& bits) {
  if (cb_bmi < sizeof(BITMAPINFOHEADER) || uint64_t(off_bmi) + cb_bmi > emr_.nSize ||
      uint64_t(off_bits) + cb_bits > emr_.nSize) {
    return nullptr;
  }
  info_.assign(record_ + off_bmi, record_ + off_bmi + cb_bmi);
  info_.resize(std::max<size_t>(info_.size(), sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD)), 0);
  BITMAPINFOHEADER h;
  std::memcpy(&h, info_.data(), sizeof h);
  if (h.biSize != sizeof h) return nullptr;
  DibFormat f;
  if (!ParseDibHeader(&h, f) || f.image_bytes > cb_bits) return nullptr;
  if (f.bpp <= 8) {
    const uint64_t used = h.biClrUsed ? h.biClrUsed : (1u << f.bpp);
    if (used > (1u << f.bpp) || sizeof h + 4 * used > cb_bmi) return nullptr;
  }
  bits = record_ + off_bits;
  return reinterpret_cast<const BITMAPINFO*>(info_.data());
}

bool Player::PlayRecord() {
  int32_t v[4];
  switch (emr_.iType) {
    case EMR_HEADER:
      return true;
    case EMR_SETPIXELV: {
      int32_t p[3];
      if (!Params(p)) return false;
      SetPixel(handle_, p[0], p[1], static_cast<COLORREF>(p[2]));
      return true;
    }
    case EMR_CREATEBRUSHINDIRECT: {
      EMRCREATEBRUSHINDIRECT r;
      if (!Read(r) || !Slot(r.ihBrush)) return false;
      const LOGBRUSH lb{r.lb.lbStyle, r.lb.lbColor, r.lb.lbHatch};
      Store(r.ihBrush, CreateBrushIndirect(&lb));
      return true;
    }
    case EMR_CREATEPALETTE: {
      int32_t index, version_count;
      if (!Param(0, index) || !Param(1, version_count) || !Slot(static_cast<DWORD>(index))) {
        return false;
      }
      const size_t n = static_cast<uint32_t>(version_count) >> 16;
      if (sizeof(EMR) + 8 + 4 * n > emr_.nSize || n == 0) return false;
      std::vector<uint8_t> log(4 + 4 * n);
      std::memcpy(log.data(), record_ + sizeof(EMR) + 4, log.size());
      Store(static_cast<DWORD>(index),
            CreatePalette(reinterpret_cast<const LOGPALETTE*>(log.data())));
      return true;
    }
    case EMR_SELECTOBJECT: {
      if (!Param(0, v[0])) return false;
      HGDIOBJ o = ObjectAt(static_cast<DWORD>(v[0]));
      if (GetObjectType(o) == OBJ_PAL) {
        SelectPalette(handle_, static_cast<HPALETTE>(o), TRUE);
      } else if (o) {
        SelectObject(handle_, o);
      }
      return true;
    }
    case EMR_SELECTPALETTE: {
      if (!Param(0, v[0])) return false;
      HGDIOBJ o = ObjectAt(static_cast<DWORD>(v[0]));
      if (GetObjectType(o) == OBJ_PAL) {
        SelectPalette(handle_, static_cast<HPALETTE>(o), TRUE);
      }
      return true;
    }
    case EMR_REALIZEPALETTE:
      RealizePalette(handle_);
      return true;
    case EMR_DELETEOBJECT: {
      if (!Param(0, v[0])) return false;
      const DWORD index = static_cast<DWORD>(v[0]);
      if (!Slot(index) || !objects_[index]) return true;
      // Deselect it first, so that it can go.
      HGDIOBJ o = objects_[index];
      const DWORD type = GetObjectType(o);
      if (type == OBJ_PEN && dc_.state.pen == o) {
        SelectObject(handle_, GetStockObject(BLACK_PEN));
      } else if (type == OBJ_BRUSH && dc_.state.brush == o) {
        SelectObject(handle_, GetStockObject(WHITE_BRUSH));
      } else if (type == OBJ_FONT && dc_.state.font == o) {
        SelectObject(handle_, GetStockObject(SYSTEM_FONT));
      } else if (type == OBJ_PAL && dc_.state.palette == o) {
        SelectPalette(handle_, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), TRUE);
      }
      if (DeleteObject(o)) {
        objects_[index] = nullptr;
      } else {
        retired_.push_back(o);  // still in a saved state; freed at the end
        objects_[index] = nullptr;
      }
      return true;
    }
    case EMR_SETWINDOWORGEX:
    case EMR_SETVIEWPORTORGEX:
    case EMR_SETWINDOWEXTEX:
    case EMR_SETVIEWPORTEXTEX:
    case EMR_SETBRUSHORGEX: {
      int32_t p[2];
      if (!Params(p)) return false;
      switch (emr_.iType) {
        case EMR_SETWINDOWORGEX:
          SetWindowOrgEx(handle_, p[0], p[1], nullptr);
          break;
        case EMR_SETVIEWPORTORGEX:
          SetViewportOrgEx(handle_, p[0], p[1], nullptr);
          break;
        case EMR_SETWINDOWEXTEX:
          SetWindowExtEx(handle_, p[0], p[1], nullptr);
          break;
        case EMR_SETVIEWPORTEXTEX:
          SetViewportExtEx(handle_, p[0], p[1], nullptr);
          break;
        default:
          break;  // the brush origin does not matter for solid brushes
      }
      return true;
    }
    case EMR_SETMAPMODE:
    case EMR_SETBKMODE:
    case EMR_SETPOLYFILLMODE:
    case EMR_SETSTRETCHBLTMODE:
    case EMR_SETBKCOLOR:
    case EMR_SETTEXTCOLOR: {
      if (!Param(0, v[0])) return false;
      switch (emr_.iType) {
        case EMR_SETMAPMODE:
          SetMapMode(handle_, v[0]);
          break;
        case EMR_SETBKMODE:
          SetBkMode(handle_, v[0]);
          break;
        case EMR_SETPOLYFILLMODE:
          SetPolyFillMode(handle_, v[0]);
          break;
        case EMR_SETSTRETCHBLTMODE:
          SetStretchBltMode(handle_, v[0]);
          break;
        case EMR_SETBKCOLOR:
          SetBkColor(handle_, static_cast<COLORREF>(v[0]));
          break;
        default:
          SetTextColor(handle_, static_cast<COLORREF>(v[0]));
          break;
      }
      return true;
    }
    case EMR_SAVEDC:
      SaveDC(handle_);
      ++saves_;
      return true;
    case EMR_RESTOREDC:
      if (!Param(0, v[0])) return false;
      // Only states saved by this metafile can be restored.
      if (v[0] < 0 && v[0] >= -saves_) {  // never negates INT32_MIN
        RestoreDC(handle_, v[0]);
        saves_ += v[0];
      }
      return true;
    case EMR_STRETCHDIBITS: {
      EMRSTRETCHDIBITS r;
      if (!Read(r)) return false;
      if (!dc_.state.world.AxisAligned()) {
        NotDrawn();  // turned or sheared bitmaps
        return true;
      }
      const void* bits = nullptr;
      const BITMAPINFO* info = Dib(r.offBmiSrc, r.cbBmiSrc, r.offBitsSrc, r.cbBitsSrc, bits);
      if (!info) {
        if (IsPatternRop(r.dwRop) && r.cbBmiSrc == 0) {
          PatBlt(handle_, r.xDest, r.yDest, r.cxDest, r.cyDest, r.dwRop);
          return true;
        }
        return false;
      }
      StretchDIBits(handle_, r.xDest, r.yDest, r.cxDest, r.cyDest, r.xSrc, r.ySrc, r.cxSrc, r.cySrc,
                    bits, info, r.iUsageSrc, r.dwRop);
      return true;
    }
    case EMR_BITBLT:
    case EMR_STRETCHBLT: {
      EMRSTRETCHBLT r{};
      if (emr_.iType == EMR_BITBLT) {
        EMRBITBLT b;
        if (!Read(b)) return false;
        std::memcpy(&r, &b, sizeof b);
        r.cxSrc = b.cxDest;
        r.cySrc = b.cyDest;
      } else if (!Read(r)) {
        return false;
      }
      if (!dc_.state.world.AxisAligned()) {
        NotDrawn();
        return true;
      }
      if (r.cbBmiSrc == 0) {
        if (IsPatternRop(r.dwRop)) {
          PatBlt(handle_, r.xDest, r.yDest, r.cxDest, r.cyDest, r.dwRop);
        }
        return true;
      }
      const void* bits = nullptr;
      const BITMAPINFO* info = Dib(r.offBmiSrc, r.cbBmiSrc, r.offBitsSrc, r.cbBitsSrc, bits);
      if (!info) return false;
      // The bitmap holds exactly the source rectangle.
      const LONG w = info->bmiHeader.biWidth;
      const LONG h =
          info->bmiHeader.biHeight < 0 ? -info->bmiHeader.biHeight : info->bmiHeader.biHeight;
      StretchDIBits(handle_, r.xDest, r.yDest, r.cxDest, r.cyDest, 0, 0,
                    std::min(std::abs(r.cxSrc), w), std::min(std::abs(r.cySrc), h), bits, info,
                    r.iUsageSrc, r.dwRop);
      return true;
    }
    default:
      break;
  }
  if (dc_.recorder && emr_.iType != EMR_RECTANGLE && emr_.iType != EMR_ELLIPSE &&
      emr_.iType != EMR_POLYGON && emr_.iType != EMR_POLYGON16 && emr_.iType != EMR_POLYLINE &&
      emr_.iType != EMR_POLYLINE16 && emr_.iType != EMR_MOVETOEX && emr_.iType != EMR_LINETO) {
    // Recorded again as they are, except records that would need their
    // object indices renumbered.
    switch (emr_.iType) {
      case EMR_EXTCREATEFONTINDIRECTW:
      case EMR_EXTCREATEPEN:
      case EMR_CREATEMONOBRUSH:
      case EMR_CREATEDIBPATTERNBRUSHPT:
      case EMR_FILLRGN:
      case EMR_FRAMERGN:
      case EMR_GDICOMMENT:
        NotDrawn();
        break;
      default:
        dc_.recorder->Record(emr_.iType, record_ + sizeof(EMR), emr_.nSize - sizeof(EMR));
        break;
    }
    return true;
  }
  bool known = false;
  bool ok = PlayShape(known);
  if (!known) ok = PlayPath(known);
  if (!known) ok = PlayClip(known);
  if (!known) ok = PlayTransform(known);
  if (!known) ok = PlayObjects(known);
  if (known) return ok;
  switch (emr_.iType) {
    // Records without a visible effect here.
    case EMR_GDICOMMENT:
    case EMR_SETMAPPERFLAGS:
    case EMR_SETCOLORADJUSTMENT:
    case EMR_SETICMMODE:
    case EMR_CREATECOLORSPACE:
    case EMR_CREATECOLORSPACEW:
    case EMR_SETCOLORSPACE:
    case EMR_DELETECOLORSPACE:
    case EMR_COLORCORRECTPALETTE:
    case EMR_SETICMPROFILEA:
    case EMR_SETICMPROFILEW:
    case EMR_COLORMATCHTOTARGETW:
    case EMR_PIXELFORMAT:
      return true;
    case EMR_SETLAYOUT:
      if (Param(0, v[0]) && v[0] == 0) return true;  // left to right: nothing to do
      break;
    default:
      break;
  }
  NotDrawn();
  return true;
}

}  // namespace gdiport

using namespace gdiport;

namespace {

BOOL Play(HDC handle, HENHMETAFILE metafile, const RECT* rect,
          std::vector<TUndrawnRecord>* undrawn) {
  Dc* dc = GetDc(handle);
  const Metafile* mf = Get<Metafile>(metafile, Kind::Metafile);
  if (!dc || !mf) return FALSE;
  if (!rect) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const ENHMETAHEADER& h = mf->Header();
  // Reference-device pixels per .01 mm.
  double kx = 96 / 2540.0, ky = 96 / 2540.0;
  if (h.nSize >= sizeof(ENHMETAHEADER) && h.szlMicrometers.cx > 0 && h.szlMicrometers.cy > 0 &&
      h.szlDevice.cx > 0 && h.szlDevice.cy > 0) {
    kx = h.szlDevice.cx * 10.0 / h.szlMicrometers.cx;
    ky = h.szlDevice.cy * 10.0 / h.szlMicrometers.cy;
  } else if (h.szlMillimeters.cx > 0 && h.szlMillimeters.cy > 0 && h.szlDevice.cx > 0 &&
             h.szlDevice.cy > 0) {
    kx = h.szlDevice.cx / (h.szlMillimeters.cx * 100.0);
    ky = h.szlDevice.cy / (h.szlMillimeters.cy * 100.0);
  }
  double fx = h.rclFrame.left * kx, fy = h.rclFrame.top * ky;
  double fw = (double(h.rclFrame.right) - h.rclFrame.left) * kx;
  double fh = (double(h.rclFrame.bottom) - h.rclFrame.top) * ky;
  if (fw <= 0 || fh <= 0) {
    fx = h.rclBounds.left;
    fy = h.rclBounds.top;
    fw = double(h.rclBounds.right) - h.rclBounds.left + 1;
    fh = double(h.rclBounds.bottom) - h.rclBounds.top + 1;
    if (fw <= 0 || fh <= 0) fw = fh = 1;
  }
  const Axis ax = DeviceAxisX(*dc), ay = DeviceAxisY(*dc);
  const double left = ax.Apply(rect->left), right = ax.Apply(rect->right);
  const double top = ay.Apply(rect->top), bottom = ay.Apply(rect->bottom);
  const Axis play_x{(right - left) / fw, left - fx * (right - left) / fw};
  const Axis play_y{(bottom - top) / fh, top - fy * (bottom - top) / fh};

  const Axis old_x = dc->play_x, old_y = dc->play_y;
  const SIZE old_pixels = dc->reference_pixels, old_mm = dc->reference_mm;
  const int level = SaveDC(handle);
  dc->state.map_mode = MM_TEXT;
  dc->state.graphics_mode = GM_ADVANCED;
  dc->state.window_org = dc->state.viewport_org = {0, 0};
  dc->state.window_ext = dc->state.viewport_ext = {1, 1};
  dc->state.position = {0, 0};
  if (!dc->recorder) {
    dc->play_x = play_x;
    dc->play_y = play_y;
  }
  dc->reference_pixels = h.szlDevice;
  dc->reference_mm = h.szlMillimeters;
  bool ok;
  {
    Player player(handle, *dc, *mf);
    ok = player.Play();
    RestoreDC(handle, level);
    dc->play_x = old_x;
    dc->play_y = old_y;
    dc->reference_pixels = old_pixels;
    dc->reference_mm = old_mm;
    if (undrawn) *undrawn = player.Undrawn();
  }  // the player deletes the metafile's objects once they are deselected
  if (!ok) {
    SetLastError(ERROR_INVALID_DATA);
    return FALSE;
  }
  return TRUE;
}

}  // namespace

BOOL PlayEnhMetaFile(HDC handle, HENHMETAFILE metafile, const RECT* rect) {
  return Play(handle, metafile, rect, nullptr);
}

BOOL PlayEnhMetaFileReporting(HDC handle, HENHMETAFILE metafile, const RECT* rect,
                              std::vector<TUndrawnRecord>& undrawn) {
  undrawn.clear();
  return Play(handle, metafile, rect, &undrawn);
}
