// Internal to the portable graphics API: clipping regions in device pixels,
// sets of rectangles kept in pixman's banded form (as Windows keeps them).
#pragma once

#include <pixman.h>

#include <algorithm>

#include <vector>

#include "platform/gdi/Gdi.h"

namespace gdiport {

// Coordinates of regions stay within this bound, so that pixman's
// arithmetic never overflows; rectangles beyond it are cut.
constexpr int kRegionLimit = 1 << 28;

class Region {
 public:
  Region();
  // The rectangle [left, right) x [top, bottom) (empty if inverted).
  Region(int left, int top, int right, int bottom);
  // The union of rectangles (empty and inverted ones ignored).
  explicit Region(const std::vector<RECT>& rects);
  ~Region();
  Region(const Region& other);
  Region& operator=(const Region& other);

  // Combines other into this one: RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF or
  // RGN_COPY.
  void Combine(const Region& other, int mode);
  void Offset(int dx, int dy);
  bool Empty() const;
  RECT Extents() const;
  // Calls fn(x0, x1) for the parts of the span [x0, x1) of row y inside.
  template <class Fn>
  void ForEachSpan(int y, int x0, int x1, Fn&& fn) const {
    int n = 0;
    const pixman_box32_t* boxes = pixman_region32_rectangles(&region_, &n);
    // Bands are sorted by y; rectangles within a band by x.
    int lo = 0, hi = n;
    while (lo < hi) {
      const int mid = (lo + hi) / 2;
      if (boxes[mid].y2 <= y) {
        lo = mid + 1;
      } else {
        hi = mid;
      }
    }
    for (int i = lo; i < n && boxes[i].y1 <= y; ++i) {
      if (boxes[i].y2 <= y) continue;
      const int a = std::max(x0, boxes[i].x1), b = std::min(x1, boxes[i].x2);
      if (a < b) fn(a, b);
    }
  }
  const pixman_region32_t* Get() const { return &region_; }

 private:
  pixman_region32_t region_;
};

}  // namespace gdiport
