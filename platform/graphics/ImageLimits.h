// The pixel limit of images whose size comes from data (a file's header, a
// metafile's frame) rather than from the program: a few bytes can declare an
// image of billions of pixels, which would take the machine's memory.
#pragma once

#include <cstdint>

#include "platform/Export.h"

// The default limit: 2^28 pixels (16384 x 16384), 768 MB as 24-bit rows.
constexpr int64_t kDefaultMaxPixels = int64_t{1} << 28;

// Raises Exception "Image of <width> x <height> pixels exceeds the limit of
// <limit> pixels" when width x height is above limit. A limit of 0 or below
// means no limit.
PLATFORM_API void CheckPixelLimit(int64_t width, int64_t height, int64_t limit);
