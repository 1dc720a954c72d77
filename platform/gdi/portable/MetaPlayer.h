// Internal to the portable graphics API: the metafile player behind
// PlayEnhMetaFile. It reads each record, checks it against its size, and
// replays it on the DC. Records it cannot draw are counted by type; a
// malformed record ends playback with a failure.
#pragma once

#include <memory>
#include <vector>

#include "platform/gdi/MetafileReport.h"
#include "platform/gdi/portable/GdiObjects.h"

namespace gdiport {

class Region;

class Player {
 public:
  Player(HDC handle, Dc& dc, const Metafile& mf);
  ~Player();
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  // False on a malformed record.
  bool Play();
  const std::vector<TUndrawnRecord>& Undrawn() const { return undrawn_; }

 private:
  // Record readers: false when the record is too short.
  bool Param(size_t i, int32_t& value) const;
  template <size_t N>
  bool Params(int32_t (&v)[N]) const {
    for (size_t i = 0; i < N; ++i) {
      if (!Param(i, v[i])) return false;
    }
    return true;
  }
  template <class T>
  bool Read(T& out) const {
    return ReadAt(0, &out, sizeof(T));
  }
  bool ReadAt(size_t offset, void* out, size_t size) const;
  // A count of items of each bytes at offset; false if they do not fit.
  bool Fits(uint64_t offset, uint64_t count, uint64_t each) const;
  // n points (16-bit when small) at offset.
  std::vector<POINT> PointsAt(size_t offset, size_t n, bool small) const;

  bool Slot(DWORD index) const { return index >= 1 && index < objects_.size(); }
  void Store(DWORD index, HGDIOBJ object);
  HGDIOBJ ObjectAt(DWORD index) const;
  const BITMAPINFO* Dib(DWORD off_bmi, DWORD cb_bmi, DWORD off_bits, DWORD cb_bits,
                        const void*& bits);
  void NotDrawn();

  bool PlayRecord();
  // The records added for drawing metafiles in full (MetaPlayShapes.cpp).
  bool PlayShape(bool& known);
  bool PlayPoly(bool small, DWORD kind);
  bool PlayPolyPoly(bool small, bool polygon);
  bool PlayPolyDraw(bool small);
  bool PlayPath(bool& known);
  bool PlayClip(bool& known);
  bool PlayTransform(bool& known);
  bool PlayText(bool wide);
  bool PlayObjects(bool& known);
  bool PlayRegionPaint();
  // Combines a region (device pixels) into the clip with mode.
  void CombineClip(const Region& region, int mode);
  // A region from an RGNDATA at offset of size bytes, mapped to the target;
  // false if malformed.
  bool ReadRegion(size_t offset, DWORD size, Region& out) const;
  // The region of logical polygons (device pixels, rows of the target).
  Region PolygonRegion(const std::vector<std::vector<PointF>>& polygons, bool winding) const;

  HDC handle_;
  Dc& dc_;
  const uint8_t* data_;
  size_t size_;
  EMR emr_{};
  const uint8_t* record_ = nullptr;
  std::vector<HGDIOBJ> objects_;
  std::vector<HGDIOBJ> retired_;
  std::vector<uint8_t> info_;
  int saves_ = 0;
  // The clip the DC had before playback: the metafile's clipping stays in it.
  std::shared_ptr<const Region> base_clip_;
  std::vector<TUndrawnRecord> undrawn_;
};

}  // namespace gdiport
