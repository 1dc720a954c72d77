// Clipping regions on pixman's region code.
#include "platform/gdi/portable/Region.h"

#include <algorithm>

namespace gdiport {

namespace {

int Bound(int64_t v) {
  return static_cast<int>(std::clamp<int64_t>(v, -kRegionLimit, kRegionLimit));
}

}  // namespace

Region::Region() {
  pixman_region32_init(&region_);
}

Region::Region(int left, int top, int right, int bottom) {
  left = Bound(left);
  top = Bound(top);
  right = Bound(right);
  bottom = Bound(bottom);
  if (left < right && top < bottom) {
    pixman_region32_init_rect(&region_, left, top, static_cast<unsigned>(right - left),
                              static_cast<unsigned>(bottom - top));
  } else {
    pixman_region32_init(&region_);
  }
}

Region::Region(const std::vector<RECT>& rects) {
  std::vector<pixman_box32_t> boxes;
  boxes.reserve(rects.size());
  for (const RECT& r : rects) {
    const pixman_box32_t b{Bound(r.left), Bound(r.top), Bound(r.right), Bound(r.bottom)};
    if (b.x1 < b.x2 && b.y1 < b.y2) boxes.push_back(b);
  }
  if (boxes.empty() ||
      !pixman_region32_init_rects(&region_, boxes.data(), static_cast<int>(boxes.size()))) {
    pixman_region32_init(&region_);
  }
}

Region::~Region() {
  pixman_region32_fini(&region_);
}

Region::Region(const Region& other) {
  pixman_region32_init(&region_);
  pixman_region32_copy(&region_, const_cast<pixman_region32_t*>(&other.region_));
}

Region& Region::operator=(const Region& other) {
  if (this != &other) {
    pixman_region32_copy(&region_, const_cast<pixman_region32_t*>(&other.region_));
  }
  return *this;
}

void Region::Combine(const Region& other, int mode) {
  auto* o = const_cast<pixman_region32_t*>(&other.region_);
  switch (mode) {
    case RGN_AND:
      pixman_region32_intersect(&region_, &region_, o);
      break;
    case RGN_OR:
      pixman_region32_union(&region_, &region_, o);
      break;
    case RGN_XOR: {
      Region both(*this);
      pixman_region32_intersect(&both.region_, &both.region_, o);
      pixman_region32_union(&region_, &region_, o);
      pixman_region32_subtract(&region_, &region_, &both.region_);
      break;
    }
    case RGN_DIFF:
      pixman_region32_subtract(&region_, &region_, o);
      break;
    default:
      pixman_region32_copy(&region_, o);
      break;
  }
}

void Region::Offset(int dx, int dy) {
  const pixman_box32_t* e = pixman_region32_extents(&region_);
  // Keep every coordinate within the bound.
  const int64_t x =
      std::clamp<int64_t>(dx, -kRegionLimit - int64_t{e->x1}, kRegionLimit - int64_t{e->x2});
  const int64_t y =
      std::clamp<int64_t>(dy, -kRegionLimit - int64_t{e->y1}, kRegionLimit - int64_t{e->y2});
  pixman_region32_translate(&region_, static_cast<int>(x), static_cast<int>(y));
}

bool Region::Empty() const {
  return !pixman_region32_not_empty(const_cast<pixman_region32_t*>(&region_));
}

RECT Region::Extents() const {
  const pixman_box32_t* e = pixman_region32_extents(const_cast<pixman_region32_t*>(&region_));
  return {e->x1, e->y1, e->x2, e->y2};
}

}  // namespace gdiport
