// Active-edge scan conversion.
#include "platform/gdi/portable/ScanConvert.h"

#include <algorithm>
#include <cmath>

namespace gdiport {

namespace {

struct Edge {
  double x0, y0, slope;  // x at y0, and dx / dy
  double y_top, y_bottom;
  int dir;  // +1 downwards, -1 upwards
};

}  // namespace

void ScanPolygons(const std::vector<std::vector<PointF>>& polygons, bool winding, const RECT& clip,
                  const SpanFn& span, double sample) {
  if (clip.left >= clip.right || clip.top >= clip.bottom) return;
  std::vector<Edge> edges;
  for (const auto& polygon : polygons) {
    const size_t n = polygon.size();
    for (size_t i = 0; i < n; ++i) {
      const PointF& a = polygon[i];
      const PointF& b = polygon[(i + 1) % n];
      if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) ||
          !std::isfinite(b.y) || a.y == b.y) {
        continue;
      }
      const bool down = a.y < b.y;
      const PointF& t = down ? a : b;
      const PointF& u = down ? b : a;
      // Rows whose sample line crosses [t.y, u.y).
      if (u.y <= clip.top + sample || t.y >= clip.bottom + sample) continue;
      edges.push_back({t.x, t.y, (u.x - t.x) / (u.y - t.y), t.y, u.y, down ? 1 : -1});
    }
  }
  if (edges.empty()) return;
  std::sort(edges.begin(), edges.end(),
            [](const Edge& l, const Edge& r) { return l.y_top < r.y_top; });
  const double first_row = std::ceil(edges.front().y_top - sample);
  const int y0 = static_cast<int>(std::max<double>(clip.top, first_row));
  struct Crossing {
    double x;
    int dir;
  };
  std::vector<const Edge*> active;
  std::vector<Crossing> crossings;
  size_t next = 0;
  for (int y = y0; y < clip.bottom; ++y) {
    const double yc = y + sample;
    while (next < edges.size() && edges[next].y_top <= yc) active.push_back(&edges[next++]);
    active.erase(std::remove_if(active.begin(), active.end(),
                                [&](const Edge* e) { return e->y_bottom <= yc; }),
                 active.end());
    if (active.empty()) {
      if (next == edges.size()) break;
      continue;
    }
    crossings.clear();
    for (const Edge* e : active) {
      if (e->y_top <= yc) crossings.push_back({e->x0 + (yc - e->y0) * e->slope, e->dir});
    }
    std::sort(crossings.begin(), crossings.end(),
              [](const Crossing& l, const Crossing& r) { return l.x < r.x; });
    int count = 0;
    for (size_t i = 0; i + 1 < crossings.size(); ++i) {
      count += winding ? crossings[i].dir : 1;
      if (winding ? count == 0 : (count & 1) == 0) continue;
      // Pixels whose sample points lie in [xa, xb).
      const double xa = std::ceil(crossings[i].x - sample);
      const double xb = std::ceil(crossings[i + 1].x - sample);
      const int a = static_cast<int>(std::clamp<double>(xa, clip.left, clip.right));
      const int b = static_cast<int>(std::clamp<double>(xb, clip.left, clip.right));
      if (a < b) span(y, a, b);
    }
  }
}

}  // namespace gdiport
