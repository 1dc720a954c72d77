// The eight ways to turn and mirror an image, how they combine, and which one
// turns a picture with an EXIF orientation upright.
#pragma once

#include <cstdint>

#include "platform/classes/TypInfo.h"
#include "zeljpeg/Export.h"

// A lossless rearrangement of an image's pixels: the identity, two mirrors,
// three clockwise rotations, and the mirrors across the diagonals (transpose:
// across the top-left to bottom-right diagonal; transverse: across the other).
enum TJPEGTransform : uint8_t {
  jtNone,
  jtFlipHorizontal,  // left-right mirror
  jtFlipVertical,    // top-bottom mirror
  jtTranspose,
  jtTransverse,
  jtRotate90,  // clockwise
  jtRotate180,
  jtRotate270  // clockwise (90 counter-clockwise)
};
// "jtNone", "jtFlipHorizontal", ... by ordinal, for published properties.
ZELJPEG_API const TEnumNames& JPEGTransformNames();

// Every transform as a transpose (or none) followed by mirrors of the
// transposed image: pixel (x, y) of a w x h image goes to (y, x) when
// transpose is set, then to (W - 1 - x, y) when mirror_x is set and to
// (x, H - 1 - y) when mirror_y is set (W x H: the size after transposing).
struct TTransformSteps {
  bool transpose;
  bool mirror_x;
  bool mirror_y;
};
ZELJPEG_API TTransformSteps StepsOf(TJPEGTransform transform);

// True when the transform swaps width and height.
inline bool SwapsAxes(TJPEGTransform transform) {
  return StepsOf(transform).transpose;
}

// The transform that does first, then second.
ZELJPEG_API TJPEGTransform ComposeTransforms(TJPEGTransform first, TJPEGTransform second);

// The transform that shows a picture stored with EXIF orientation upright:
// 1 none, 2 horizontal mirror, 3 rotation by 180, 4 vertical mirror,
// 5 transpose, 6 rotation by 90 clockwise, 7 transverse, 8 rotation by 270
// clockwise. jtNone for any other value.
ZELJPEG_API TJPEGTransform OrientationTransform(int orientation);
