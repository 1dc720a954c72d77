// Recording of drawing calls into EMF records.
#include "platform/gdi/portable/MetaRecorder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace gdiport {
namespace {

struct Registry {
  std::mutex mutex;
  std::vector<MetaRecorder*> live;
};

Registry& Recorders() {
  static Registry registry;
  return registry;
}

}  // namespace

MetaRecorder::MetaRecorder(const RECT* frame, LPCSTR file_name, LPCSTR description) {
  if (frame) {
    has_frame_ = true;
    frame_ = *frame;
  }
  if (file_name) file_name_ = file_name;
  if (description) description_ = description;
  Registry& r = Recorders();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.live.push_back(this);
}

MetaRecorder::~MetaRecorder() {
  Registry& r = Recorders();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.live.erase(std::find(r.live.begin(), r.live.end(), this));
}

void MetaRecorder::ForgetEverywhere(HGDIOBJ object) {
  Registry& r = Recorders();
  std::lock_guard<std::mutex> lock(r.mutex);
  for (MetaRecorder* recorder : r.live) recorder->Forget(object);
}

void MetaRecorder::Record(DWORD type, const void* body, size_t size) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const size_t padded = (size + 3) & ~size_t(3);
  const EMR emr{type, static_cast<DWORD>(sizeof(EMR) + padded)};
  const uint8_t* e = reinterpret_cast<const uint8_t*>(&emr);
  records_.insert(records_.end(), e, e + sizeof emr);
  const uint8_t* b = static_cast<const uint8_t*>(body);
  if (size) records_.insert(records_.end(), b, b + size);
  records_.resize(records_.size() + (padded - size), 0);
  ++record_count_;
}

void MetaRecorder::RecordInts(DWORD type, std::initializer_list<int32_t> values) {
  Record(type, values.begin(), values.size() * sizeof(int32_t));
}

void MetaRecorder::AddBounds(const Dc& dc, int x0, int y0, int x1, int y1) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const Axis ax = DeviceAxisX(dc), ay = DeviceAxisY(dc);
  const int a = RoundToInt(ax.Apply(x0)), b = RoundToInt(ax.Apply(x1));
  const int c = RoundToInt(ay.Apply(y0)), d = RoundToInt(ay.Apply(y1));
  const RECTL r{std::min(a, b), std::min(c, d), std::max(a, b), std::max(c, d)};
  if (!has_bounds_) {
    bounds_ = r;
    has_bounds_ = true;
    return;
  }
  bounds_.left = std::min(bounds_.left, r.left);
  bounds_.top = std::min(bounds_.top, r.top);
  bounds_.right = std::max(bounds_.right, r.right);
  bounds_.bottom = std::max(bounds_.bottom, r.bottom);
}

DWORD MetaRecorder::ObjectIndex(HGDIOBJ object, bool& created) {
  const auto found = objects_.find(object);
  if (found != objects_.end()) {
    created = false;
    return found->second;
  }
  created = true;
  size_t slot = 1;
  while (slot < used_slots_.size() && used_slots_[slot]) ++slot;
  if (slot == used_slots_.size()) used_slots_.push_back(true);
  used_slots_[slot] = true;
  objects_[object] = static_cast<DWORD>(slot);
  return static_cast<DWORD>(slot);
}

void MetaRecorder::Select(HGDIOBJ object) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const Object* o = Lookup(object);
  if (!o) return;
  const DWORD select_type = o->kind == Kind::Palette ? EMR_SELECTPALETTE : EMR_SELECTOBJECT;
  if (o->stock) {
    for (int i = 0; i <= STOCK_LAST; ++i) {
      if (Stock(i) == object) {
        RecordInts(select_type, {static_cast<int32_t>(ENHMETA_STOCK_OBJECT | DWORD(i))});
        if (o->kind == Kind::Palette) last_palette_.clear();
        return;
      }
    }
    return;
  }
  bool created = false;
  const DWORD index = ObjectIndex(object, created);
  if (created) {
    switch (o->kind) {
      case Kind::Pen: {
        EMRCREATEPEN r{};
        r.ihPen = index;
        r.lopn = static_cast<const Pen*>(o)->log;
        Record(EMR_CREATEPEN, reinterpret_cast<uint8_t*>(&r) + sizeof(EMR), sizeof r - sizeof(EMR));
        break;
      }
      case Kind::Brush: {
        EMRCREATEBRUSHINDIRECT r{};
        r.ihBrush = index;
        const LOGBRUSH& lb = static_cast<const Brush*>(o)->log;
        r.lb = {lb.lbStyle, lb.lbColor, static_cast<ULONG>(lb.lbHatch)};
        Record(EMR_CREATEBRUSHINDIRECT, reinterpret_cast<uint8_t*>(&r) + sizeof(EMR),
               sizeof r - sizeof(EMR));
        break;
      }
      case Kind::Palette: {
        const auto& entries = static_cast<const Palette*>(o)->entries;
        std::vector<uint8_t> body(8 + 4 * entries.size());
        const DWORD version_count = 0x300u | (static_cast<DWORD>(entries.size()) << 16);
        std::memcpy(body.data(), &index, 4);
        std::memcpy(body.data() + 4, &version_count, 4);
        std::memcpy(body.data() + 8, entries.data(), 4 * entries.size());
        Record(EMR_CREATEPALETTE, body.data(), body.size());
        break;
      }
      default:
        return;
    }
  }
  RecordInts(select_type, {static_cast<int32_t>(index)});
  if (o->kind == Kind::Palette) {
    last_palette_ = static_cast<const Palette*>(o)->entries;
  }
}

void MetaRecorder::Forget(HGDIOBJ object) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const auto found = objects_.find(object);
  if (found == objects_.end()) return;
  RecordInts(EMR_DELETEOBJECT, {static_cast<int32_t>(found->second)});
  used_slots_[found->second] = false;
  objects_.erase(found);
}

void MetaRecorder::StretchDib(const Dc& dc, int x, int y, int w, int h, int xs, int ys, int ws,
                              int hs, const BITMAPINFO* info, size_t info_size, const void* bits,
                              size_t bits_size, DWORD rop) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  AddBounds(dc, x, y, x + w - 1, y + h - 1);
  EMRSTRETCHDIBITS r{};
  const size_t info_padded = (info_size + 3) & ~size_t(3);
  r.xDest = x;
  r.yDest = y;
  r.xSrc = xs;
  r.ySrc = ys;
  r.cxSrc = ws;
  r.cySrc = hs;
  r.offBmiSrc = sizeof r;
  r.cbBmiSrc = static_cast<DWORD>(info_size);
  r.offBitsSrc = static_cast<DWORD>(sizeof r + info_padded);
  r.cbBitsSrc = static_cast<DWORD>(bits_size);
  r.iUsageSrc = DIB_RGB_COLORS;
  r.dwRop = rop;
  r.cxDest = w;
  r.cyDest = h;
  r.rclBounds = bounds_;
  std::vector<uint8_t> body(sizeof r - sizeof(EMR) + info_padded + bits_size);
  std::memcpy(body.data(), reinterpret_cast<uint8_t*>(&r) + sizeof(EMR), sizeof r - sizeof(EMR));
  std::memcpy(body.data() + sizeof r - sizeof(EMR), info, info_size);
  std::memcpy(body.data() + sizeof r - sizeof(EMR) + info_padded, bits, bits_size);
  Record(EMR_STRETCHDIBITS, body.data(), body.size());
}

bool MetaRecorder::Finish(std::vector<uint8_t>& out) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  // Description: the characters as UTF-16, then two terminating zeros.
  std::vector<uint16_t> description;
  if (!description_.empty()) {
    for (unsigned char c : description_) description.push_back(c);
    description.push_back(0);
    description.push_back(0);
  }
  const size_t description_bytes = (description.size() * 2 + 3) & ~size_t(3);
  ENHMETAHEADER h{};
  h.iType = EMR_HEADER;
  h.nSize = static_cast<DWORD>(sizeof h + description_bytes);
  h.rclBounds = has_bounds_ ? bounds_ : RECTL{0, 0, -1, -1};
  h.dSignature = ENHMETA_SIGNATURE;
  h.nVersion = 0x10000;
  h.nHandles = static_cast<WORD>(std::min<size_t>(used_slots_.size(), 0xFFFF));
  h.nDescription = static_cast<DWORD>(description.size());
  h.offDescription = description.empty() ? 0 : sizeof h;
  h.nPalEntries = static_cast<DWORD>(last_palette_.size());
  h.szlDevice = ScreenSize();
  h.szlMillimeters = ScreenMillimetres();
  h.szlMicrometers = ScreenMicrometres();
  if (has_frame_) {
    h.rclFrame = {frame_.left, frame_.top, frame_.right, frame_.bottom};
  } else if (has_bounds_) {
    // Device pixels to .01 mm.
    const double kx = h.szlMicrometers.cx / 10.0 / h.szlDevice.cx;
    const double ky = h.szlMicrometers.cy / 10.0 / h.szlDevice.cy;
    h.rclFrame = {RoundToInt(bounds_.left * kx), RoundToInt(bounds_.top * ky),
                  RoundToInt((bounds_.right + 1) * kx), RoundToInt((bounds_.bottom + 1) * ky)};
  }
  const size_t eof_size = sizeof(EMREOF) + 4 * last_palette_.size();
  const size_t total = h.nSize + records_.size() + eof_size;
  h.nBytes = static_cast<DWORD>(total);
  h.nRecords = record_count_ + 2;

  out.clear();
  out.reserve(total);
  const uint8_t* hp = reinterpret_cast<const uint8_t*>(&h);
  out.insert(out.end(), hp, hp + sizeof h);
  const uint8_t* dp = reinterpret_cast<const uint8_t*>(description.data());
  out.insert(out.end(), dp, dp + description.size() * 2);
  out.resize(h.nSize, 0);
  out.insert(out.end(), records_.begin(), records_.end());
  // End of file, with the palette in force.
  const DWORD eof[4] = {EMR_EOF, static_cast<DWORD>(eof_size),
                        static_cast<DWORD>(last_palette_.size()), last_palette_.empty() ? 0u : 16u};
  const uint8_t* ep = reinterpret_cast<const uint8_t*>(eof);
  out.insert(out.end(), ep, ep + sizeof eof);
  const uint8_t* pp = reinterpret_cast<const uint8_t*>(last_palette_.data());
  out.insert(out.end(), pp, pp + 4 * last_palette_.size());
  const DWORD last = static_cast<DWORD>(eof_size);
  const uint8_t* lp = reinterpret_cast<const uint8_t*>(&last);
  out.insert(out.end(), lp, lp + 4);

  if (!file_name_.empty()) {
    std::FILE* f = std::fopen(file_name_.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
  }
  return true;
}

}  // namespace gdiport
