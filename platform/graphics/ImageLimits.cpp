#include "platform/graphics/ImageLimits.h"

#include "platform/sysutils/SysUtils.h"

void CheckPixelLimit(int64_t width, int64_t height, int64_t limit) {
  if (limit <= 0) return;
  if (width < 0) width = -width;
  if (height < 0) height = -height;
  // width x height > limit, without forming a product that may overflow.
  if (height == 0 || width <= limit / height) return;
  throw Exception(Format("Image of %lld x %lld pixels exceeds the limit of %lld pixels",
                         static_cast<long long>(width), static_cast<long long>(height),
                         static_cast<long long>(limit)));
}
