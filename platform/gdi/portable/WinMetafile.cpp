// Windows (16-bit) metafiles: SetWinMetaFileBits converts their records into
// enhanced-metafile records, as Windows does, and keeps the original bytes in
// a GDI comment, from which GetWinMetaFileBits gives them back.
//
// The picture's window is mapped onto its frame (MM_ANISOTROPIC); the
// metafile's own mapping-mode and viewport records are left out, since the
// frame is the viewport. Records without an enhanced equivalent here become
// records of a private type (0x10000 + the function number) that playback
// counts as not drawn.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/gdi/MetafileBytes.h"
#include "platform/gdi/portable/MetaFiles.h"

namespace gdiport {

namespace {

constexpr DWORD kCommentWindowsMetafile = GDICOMMENT_WINDOWS_METAFILE;

class Converter {
 public:
  Converter(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool Convert(const METAFILEPICT* picture, std::vector<uint8_t>& out);

 private:
  // Parameter i (16-bit words after the 6-byte record header).
  int16_t P(size_t i) const {
    int16_t v = 0;
    if (6 + 2 * i + 2 <= record_size_) std::memcpy(&v, record_ + 6 + 2 * i, 2);
    return v;
  }
  uint16_t U(size_t i) const { return static_cast<uint16_t>(P(i)); }
  DWORD D(size_t i) const { return DWORD(U(i)) | (DWORD(U(i + 1)) << 16); }
  size_t Words() const { return (record_size_ - 6) / 2; }

  void Emit(DWORD type, const void* body, size_t size);
  void Ints(DWORD type, std::initializer_list<int32_t> values) {
    Emit(type, values.begin(), values.size() * 4);
  }
  void Unsupported() { Ints(0x10000u + function_, {}); }
  DWORD NewObject();
  bool Record();
  void Points(DWORD type, size_t first, size_t count);
  bool Text(bool extended);
  bool Dib(size_t dib_word, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh,
           DWORD rop);

  const uint8_t* data_;
  size_t size_;
  const uint8_t* record_ = nullptr;
  size_t record_size_ = 0;
  uint16_t function_ = 0;
  std::vector<uint8_t> records_;
  DWORD count_ = 0;
  std::vector<bool> used_;  // the WMF object table (slot + 1 in the EMF)
  std::vector<bool> is_palette_;
  POINT window_org_{0, 0};
  bool has_window_ext_ = false;
  SIZE window_ext_{0, 0};
};

void Converter::Emit(DWORD type, const void* body, size_t size) {
  const size_t padded = (size + 3) & ~size_t(3);
  const DWORD header[2] = {type, static_cast<DWORD>(8 + padded)};
  const uint8_t* h = reinterpret_cast<const uint8_t*>(header);
  records_.insert(records_.end(), h, h + 8);
  const uint8_t* b = static_cast<const uint8_t*>(body);
  if (size) records_.insert(records_.end(), b, b + size);
  records_.resize(records_.size() + (padded - size), 0);
  ++count_;
}

DWORD Converter::NewObject() {
  size_t i = 0;
  while (i < used_.size() && used_[i]) ++i;
  if (i == used_.size()) {
    used_.push_back(false);
    is_palette_.push_back(false);
  }
  used_[i] = true;
  is_palette_[i] = false;
  return static_cast<DWORD>(i + 1);
}

void Converter::Points(DWORD type, size_t first, size_t count) {
  std::vector<int32_t> body = {0, 0, 0, 0, static_cast<int32_t>(count)};
  for (size_t i = 0; i < count; ++i) {
    body.push_back(static_cast<int32_t>(U(first + 2 * i)) |
                   static_cast<int32_t>(uint32_t(U(first + 2 * i + 1)) << 16));
  }
  Emit(type, body.data(), body.size() * 4);
}

bool Converter::Text(bool extended) {
  // TEXTOUT: count, string, y, x. EXTTEXTOUT: y, x, count, options,
  // [rectangle], string, [spacing].
  size_t count, string_word, y_word, x_word, options = 0;
  RECT rect{0, 0, 0, 0};
  if (extended) {
    if (Words() < 4) return false;
    y_word = 0;
    x_word = 1;
    count = U(2);
    options = U(3);
    string_word = 4;
    if (options & (ETO_OPAQUE | ETO_CLIPPED)) {
      if (Words() < 8) return false;
      rect = {P(4), P(5), P(6), P(7)};
      string_word = 8;
    }
  } else {
    if (Words() < 1) return false;
    count = U(0);
    string_word = 1;
    y_word = string_word + (count + 1) / 2;
    x_word = y_word + 1;
  }
  const size_t string_words = (count + 1) / 2;
  if (string_word + string_words > Words() || (!extended && x_word >= Words())) return false;
  const size_t dx_word = string_word + string_words;
  const bool has_dx = extended && dx_word + count <= Words();
  std::vector<uint8_t> body(76 - 8, 0);
  const int32_t head[] = {0, 0, 0, 0, GM_COMPATIBLE};
  std::memcpy(body.data(), head, sizeof head);
  const float one = 1;
  std::memcpy(body.data() + 20, &one, 4);
  std::memcpy(body.data() + 24, &one, 4);
  const int32_t text[] = {P(x_word),
                          P(y_word),
                          static_cast<int32_t>(count),
                          76,
                          static_cast<int32_t>(options & (ETO_OPAQUE | ETO_CLIPPED)),
                          rect.left,
                          rect.top,
                          rect.right,
                          rect.bottom,
                          has_dx ? static_cast<int32_t>(76 + ((2 * count + 3) & ~size_t(3))) : 0};
  std::memcpy(body.data() + 28, text, sizeof text);
  // The string (8-bit, Latin-1) widened to UTF-16.
  for (size_t i = 0; i < count; ++i) {
    const uint8_t c = record_[6 + 2 * string_word + i];
    body.push_back(c);
    body.push_back(0);
  }
  body.resize((body.size() + 3) & ~size_t(3), 0);
  if (has_dx) {
    for (size_t i = 0; i < count; ++i) {
      const int32_t dx = P(dx_word + i);
      const uint8_t* d = reinterpret_cast<const uint8_t*>(&dx);
      body.insert(body.end(), d, d + 4);
    }
  }
  Emit(EMR_EXTTEXTOUTW, body.data(), body.size());
  return true;
}

bool Converter::Dib(size_t dib_word, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh,
                    DWORD rop) {
  const size_t at = 6 + 2 * dib_word;
  if (at + sizeof(BITMAPINFOHEADER) > record_size_) {
    // No bitmap: a pattern operation.
    std::vector<uint8_t> body(sizeof(EMRBITBLT) - 8, 0);
    const int32_t r[] = {dx, dy, dw, dh, static_cast<int32_t>(rop)};
    std::memcpy(body.data() + 16, r, sizeof r);
    Emit(EMR_BITBLT, body.data(), body.size());
    return true;
  }
  BITMAPINFOHEADER h;
  std::memcpy(&h, record_ + at, sizeof h);
  if (h.biSize < sizeof h || h.biSize > record_size_ - at) return false;
  const uint64_t colours =
      h.biBitCount <= 8 ? (h.biClrUsed ? h.biClrUsed : (uint64_t{1} << h.biBitCount)) : 0;
  const uint64_t info = h.biSize + 4 * std::min<uint64_t>(colours, 256);
  if (info > record_size_ - at) return false;
  const size_t bits = record_size_ - at - static_cast<size_t>(info);
  EMRSTRETCHDIBITS r{};
  r.xDest = dx;
  r.yDest = dy;
  r.xSrc = sx;
  r.ySrc = sy;
  r.cxSrc = sw;
  r.cySrc = sh;
  r.offBmiSrc = sizeof r;
  r.cbBmiSrc = static_cast<DWORD>(info);
  r.offBitsSrc = static_cast<DWORD>(sizeof r + ((info + 3) & ~uint64_t(3)));
  r.cbBitsSrc = static_cast<DWORD>(bits);
  r.iUsageSrc = DIB_RGB_COLORS;
  r.dwRop = rop;
  r.cxDest = dw;
  r.cyDest = dh;
  std::vector<uint8_t> body(sizeof r - 8);
  std::memcpy(body.data(), reinterpret_cast<uint8_t*>(&r) + 8, body.size());
  body.insert(body.end(), record_ + at, record_ + at + info);
  body.resize((body.size() + 3) & ~size_t(3), 0);
  body.insert(body.end(), record_ + at + info, record_ + record_size_);
  Emit(EMR_STRETCHDIBITS, body.data(), body.size());
  return true;
}

// One record; false if it is malformed.
bool Converter::Record() {
  const size_t n = Words();
  auto need = [&](size_t words) { return n >= words; };
  switch (function_) {
    case META_SETBKCOLOR:
    case META_SETTEXTCOLOR:
      if (!need(2)) return false;
      Ints(function_ == META_SETBKCOLOR ? EMR_SETBKCOLOR : EMR_SETTEXTCOLOR,
           {static_cast<int32_t>(D(0))});
      return true;
    case META_SETBKMODE:
    case META_SETROP2:
    case META_SETPOLYFILLMODE:
    case META_SETSTRETCHBLTMODE:
    case META_SETTEXTALIGN: {
      if (!need(1)) return false;
      const DWORD type = function_ == META_SETBKMODE         ? EMR_SETBKMODE
                         : function_ == META_SETROP2         ? EMR_SETROP2
                         : function_ == META_SETPOLYFILLMODE ? EMR_SETPOLYFILLMODE
                         : function_ == META_SETTEXTALIGN    ? EMR_SETTEXTALIGN
                                                             : EMR_SETSTRETCHBLTMODE;
      Ints(type, {U(0)});
      return true;
    }
    case META_SETMAPMODE:
    case META_SETVIEWPORTORG:
    case META_SETVIEWPORTEXT:
    case META_OFFSETVIEWPORTORG:
    case META_SCALEVIEWPORTEXT:
    case META_ESCAPE:
    case META_SETRELABS:
    case META_REALIZEPALETTE:
      return true;  // the frame is the viewport; escapes draw nothing
    case META_SETWINDOWORG:
      if (!need(2)) return false;
      window_org_ = {P(1), P(0)};
      Ints(EMR_SETWINDOWORGEX, {window_org_.x, window_org_.y});
      return true;
    case META_OFFSETWINDOWORG:
      if (!need(2)) return false;
      window_org_ = {window_org_.x + P(1), window_org_.y + P(0)};
      Ints(EMR_SETWINDOWORGEX, {window_org_.x, window_org_.y});
      return true;
    case META_SETWINDOWEXT:
      if (!need(2)) return false;
      if (!has_window_ext_) {
        has_window_ext_ = true;
        window_ext_ = {P(1), P(0)};
      }
      Ints(EMR_SETWINDOWEXTEX, {P(1), P(0)});
      return true;
    case META_SCALEWINDOWEXT:
      if (!need(4)) return false;
      Ints(EMR_SCALEWINDOWEXTEX, {P(3), P(2), P(1), P(0)});
      return true;
    case META_LINETO:
    case META_MOVETO:
      if (!need(2)) return false;
      Ints(function_ == META_LINETO ? EMR_LINETO : EMR_MOVETOEX, {P(1), P(0)});
      return true;
    case META_EXCLUDECLIPRECT:
    case META_INTERSECTCLIPRECT:
    case META_ELLIPSE:
    case META_RECTANGLE: {
      if (!need(4)) return false;
      const DWORD type = function_ == META_EXCLUDECLIPRECT     ? EMR_EXCLUDECLIPRECT
                         : function_ == META_INTERSECTCLIPRECT ? EMR_INTERSECTCLIPRECT
                         : function_ == META_ELLIPSE           ? EMR_ELLIPSE
                                                               : EMR_RECTANGLE;
      Ints(type, {P(3), P(2), P(1), P(0)});
      return true;
    }
    case META_ROUNDRECT:
      if (!need(6)) return false;
      Ints(EMR_ROUNDRECT, {P(5), P(4), P(3), P(2), P(1), P(0)});
      return true;
    case META_ARC:
    case META_PIE:
    case META_CHORD: {
      if (!need(8)) return false;
      const DWORD type = function_ == META_ARC   ? EMR_ARC
                         : function_ == META_PIE ? EMR_PIE
                                                 : EMR_CHORD;
      Ints(type, {P(7), P(6), P(5), P(4), P(3), P(2), P(1), P(0)});
      return true;
    }
    case META_PATBLT:
      if (!need(6)) return false;
      return Dib(n, P(5), P(4), P(3), P(2), 0, 0, 0, 0, D(0));
    case META_SAVEDC:
      Ints(EMR_SAVEDC, {});
      return true;
    case META_RESTOREDC:
      if (!need(1)) return false;
      Ints(EMR_RESTOREDC, {P(0)});
      return true;
    case META_SETPIXEL:
      if (!need(4)) return false;
      Ints(EMR_SETPIXELV, {P(3), P(2), static_cast<int32_t>(D(0))});
      return true;
    case META_OFFSETCLIPRGN:
      if (!need(2)) return false;
      Ints(EMR_OFFSETCLIPRGN, {P(1), P(0)});
      return true;
    case META_TEXTOUT:
    case META_EXTTEXTOUT:
      return Text(function_ == META_EXTTEXTOUT);
    case META_POLYGON:
    case META_POLYLINE: {
      if (!need(1) || n < 1 + 2 * size_t{U(0)}) return false;
      Points(function_ == META_POLYGON ? EMR_POLYGON16 : EMR_POLYLINE16, 1, U(0));
      return true;
    }
    case META_POLYPOLYGON: {
      if (!need(1)) return false;
      const size_t polys = U(0);
      if (n < 1 + polys) return false;
      size_t total = 0;
      for (size_t i = 0; i < polys; ++i) total += U(1 + i);
      if (n < 1 + polys + 2 * total) return false;
      std::vector<int32_t> body = {
          0, 0, 0, 0, static_cast<int32_t>(polys), static_cast<int32_t>(total)};
      for (size_t i = 0; i < polys; ++i) body.push_back(U(1 + i));
      for (size_t i = 0; i < total; ++i) {
        const size_t w = 1 + polys + 2 * i;
        body.push_back(static_cast<int32_t>(U(w)) | static_cast<int32_t>(uint32_t(U(w + 1)) << 16));
      }
      Emit(EMR_POLYPOLYGON16, body.data(), body.size() * 4);
      return true;
    }
    case META_SELECTOBJECT:
    case META_SELECTPALETTE:
    case META_DELETEOBJECT: {
      if (!need(1)) return false;
      const size_t i = U(0);
      if (i >= used_.size() || !used_[i]) return true;  // Windows ignores it too
      const int32_t slot = static_cast<int32_t>(i + 1);
      if (function_ == META_DELETEOBJECT) {
        used_[i] = false;
        Ints(EMR_DELETEOBJECT, {slot});
      } else {
        Ints(is_palette_[i] ? EMR_SELECTPALETTE : EMR_SELECTOBJECT, {slot});
      }
      return true;
    }
    case META_CREATEPENINDIRECT: {
      if (!need(5)) return false;
      const DWORD slot = NewObject();
      Ints(EMR_CREATEPEN, {static_cast<int32_t>(slot), U(0), P(1), 0, static_cast<int32_t>(D(3))});
      return true;
    }
    case META_CREATEBRUSHINDIRECT: {
      if (!need(4)) return false;
      const DWORD slot = NewObject();
      Ints(EMR_CREATEBRUSHINDIRECT,
           {static_cast<int32_t>(slot), U(0), static_cast<int32_t>(D(1)), U(3)});
      return true;
    }
    case META_CREATEFONTINDIRECT: {
      if (!need(9)) return false;
      const DWORD slot = NewObject();
      std::vector<uint8_t> body(4 + 92, 0);
      const int32_t head[] = {static_cast<int32_t>(slot), P(0), P(1), P(2), P(3), P(4)};
      std::memcpy(body.data(), head, sizeof head);
      std::memcpy(body.data() + 24, record_ + 6 + 10, 8);  // italic ... pitch and family
      for (size_t c = 0; c < LF_FACESIZE - 1 && 6 + 18 + c < record_size_; ++c) {
        const uint8_t ch = record_[6 + 18 + c];
        if (!ch) break;
        body[4 + 28 + 2 * c] = ch;
      }
      Emit(EMR_EXTCREATEFONTINDIRECTW, body.data(), body.size());
      return true;
    }
    case META_CREATEPALETTE: {
      if (!need(2) || n < 2 + 2 * size_t{U(1)}) return false;
      const DWORD slot = NewObject();
      is_palette_[slot - 1] = true;
      std::vector<uint8_t> body(8);
      const DWORD head[2] = {slot, 0x300u | (DWORD(U(1)) << 16)};
      std::memcpy(body.data(), head, 8);
      body.insert(body.end(), record_ + 10, record_ + 10 + 4 * size_t{U(1)});
      if (U(1) == 0) {
        Unsupported();
        return true;
      }
      Emit(EMR_CREATEPALETTE, body.data(), body.size());
      return true;
    }
    case META_CREATEREGION:
    case META_CREATEPATTERNBRUSH:
    case META_DIBCREATEPATTERNBRUSH: {
      // Kept as hollow brushes so that the object table stays in step.
      const DWORD slot = NewObject();
      Ints(EMR_CREATEBRUSHINDIRECT, {static_cast<int32_t>(slot), BS_NULL, 0, 0});
      Unsupported();
      return true;
    }
    case META_STRETCHDIB:
      if (!need(11)) return false;
      return Dib(11, P(10), P(9), P(8), P(7), P(6), P(5), P(4), P(3), D(0));
    case META_DIBSTRETCHBLT:
      if (!need(10)) return false;
      return Dib(10, P(9), P(8), P(7), P(6), P(5), P(4), P(3), P(2), D(0));
    case META_DIBBITBLT:
      if (!need(8)) return false;
      if (n == 9) return Dib(n, P(8), P(7), P(6), P(5), 0, 0, 0, 0, D(0));  // no bitmap
      return Dib(8, P(7), P(6), P(5), P(4), P(3), P(2), P(5), P(4), D(0));
    default:
      Unsupported();
      return true;
  }
}

bool Converter::Convert(const METAFILEPICT* picture, std::vector<uint8_t>& out) {
  uint16_t header_words = 0;
  std::memcpy(&header_words, data_ + 2, 2);
  size_t offset = 2 * size_t{header_words};
  for (;;) {
    if (offset + 6 > size_) return false;
    DWORD words;
    std::memcpy(&words, data_ + offset, 4);
    std::memcpy(&function_, data_ + offset + 4, 2);
    if (words < 3 || words > (size_ - offset) / 2) return false;
    record_ = data_ + offset;
    record_size_ = 2 * size_t{words};
    if (function_ == 0) break;  // end of file
    if (!Record()) return false;
    offset += record_size_;
  }
  // The frame: the picture's size, or the window extent taken as pixels.
  const SIZE pixels = ScreenSize(), micrometres = ScreenMicrometres();
  double frame_w = 0, frame_h = 0;  // .01 mm
  if (picture && (picture->mm == MM_ANISOTROPIC || picture->mm == MM_ISOTROPIC) &&
      picture->xExt > 0 && picture->yExt > 0) {
    frame_w = picture->xExt;
    frame_h = picture->yExt;
  } else {
    const double w = has_window_ext_ ? std::abs(window_ext_.cx) : 100;
    const double h = has_window_ext_ ? std::abs(window_ext_.cy) : 100;
    frame_w = std::max(1.0, w) * micrometres.cx / 10.0 / pixels.cx;
    frame_h = std::max(1.0, h) * micrometres.cy / 10.0 / pixels.cy;
  }
  const LONG view_w = std::max<LONG>(1, std::lround(frame_w * pixels.cx * 10.0 / micrometres.cx));
  const LONG view_h = std::max<LONG>(1, std::lround(frame_h * pixels.cy * 10.0 / micrometres.cy));

  // The original bytes, in Windows' comment layout.
  std::vector<uint8_t> comment(4 + 24);
  const DWORD fields[7] = {
      static_cast<DWORD>(24 + size_), GDICOMMENT_IDENTIFIER, kCommentWindowsMetafile, 0x300, 0, 0,
      static_cast<DWORD>(size_)};
  std::memcpy(comment.data(), fields, sizeof fields);
  comment.insert(comment.end(), data_, data_ + size_);

  std::vector<uint8_t> records;
  records.swap(records_);
  const DWORD converted = count_;
  count_ = 0;
  Emit(EMR_GDICOMMENT, comment.data(), comment.size());
  Ints(EMR_SETMAPMODE, {MM_ANISOTROPIC});
  Ints(EMR_SETVIEWPORTEXTEX, {view_w, view_h});
  Ints(EMR_SETWINDOWEXTEX, {view_w, view_h});
  records_.insert(records_.end(), records.begin(), records.end());
  count_ += converted;

  ENHMETAHEADER h{};
  h.iType = EMR_HEADER;
  h.nSize = sizeof h;
  h.rclBounds = {0, 0, view_w - 1, view_h - 1};
  h.rclFrame = {0, 0, static_cast<LONG>(std::lround(frame_w)),
                static_cast<LONG>(std::lround(frame_h))};
  h.dSignature = ENHMETA_SIGNATURE;
  h.nVersion = 0x10000;
  h.nRecords = count_ + 2;
  h.nHandles = static_cast<WORD>(std::min<size_t>(used_.size() + 1, 0xFFFF));
  h.szlDevice = pixels;
  h.szlMillimeters = ScreenMillimetres();
  h.szlMicrometers = micrometres;
  const DWORD eof[5] = {EMR_EOF, 20, 0, 16, 20};
  h.nBytes = static_cast<DWORD>(sizeof h + records_.size() + sizeof eof);
  out.resize(sizeof h);
  std::memcpy(out.data(), &h, sizeof h);
  out.insert(out.end(), records_.begin(), records_.end());
  const uint8_t* e = reinterpret_cast<const uint8_t*>(eof);
  out.insert(out.end(), e, e + sizeof eof);
  return used_.size() < 0xFFFF;
}

}  // namespace

}  // namespace gdiport

using namespace gdiport;

HENHMETAFILE SetWinMetaFileBits(UINT size, const BYTE* data, HDC reference,
                                const METAFILEPICT* picture) {
  size_t length = 0;
  if ((reference && !GetDc(reference)) || !CheckWinMetaFileBytes(data, size, length)) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  std::vector<uint8_t> emf;
  Converter converter(data, length);
  if (!converter.Convert(picture, emf)) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  return NewMetafile(std::move(emf));
}

UINT GetWinMetaFileBits(HENHMETAFILE handle, UINT size, LPBYTE data, INT, HDC) {
  const Metafile* mf = Get<Metafile>(handle, Kind::Metafile);
  if (!mf) return 0;
  // The comment that SetWinMetaFileBits put first.
  const std::vector<uint8_t>& b = mf->bytes;
  const size_t at = mf->Header().nSize;
  DWORD r[9];
  if (at + sizeof r <= b.size()) {
    std::memcpy(r, b.data() + at, sizeof r);
    if (r[0] == EMR_GDICOMMENT && r[1] >= sizeof r && r[3] == GDICOMMENT_IDENTIFIER &&
        r[4] == kCommentWindowsMetafile && r[8] <= r[1] - sizeof r &&
        at + sizeof r + r[8] <= b.size()) {
      if (!data) return r[8];
      if (size < r[8]) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
      }
      std::memcpy(data, b.data() + at + sizeof r, r[8]);
      return r[8];
    }
  }
  SetLastError(ERROR_NOT_SUPPORTED);
  return 0;
}
