#include "zeljpeg/Transforms.h"

const TEnumNames& JPEGTransformNames() {
  static const TEnumNames names{{"jtNone", "jtFlipHorizontal", "jtFlipVertical", "jtTranspose",
                                 "jtTransverse", "jtRotate90", "jtRotate180", "jtRotate270"},
                                {}};
  return names;
}

namespace {

// The transforms by their steps: index transpose * 4 + mirror_x * 2 + mirror_y.
constexpr TJPEGTransform kBySteps[8] = {jtNone,      jtFlipVertical, jtFlipHorizontal,
                                        jtRotate180, jtTranspose,    jtRotate270,
                                        jtRotate90,  jtTransverse};

// A transform as the matrix that maps centred coordinates (x, y) to the new
// ones: {a, b, c, d} maps (x, y) to (a x + b y, c x + d y).
struct TMatrix {
  int a, b, c, d;
};

TMatrix MatrixOf(TJPEGTransform transform) {
  const TTransformSteps s = StepsOf(transform);
  const int sx = s.mirror_x ? -1 : 1;
  const int sy = s.mirror_y ? -1 : 1;
  return s.transpose ? TMatrix{0, sx, sy, 0} : TMatrix{sx, 0, 0, sy};
}

}  // namespace

TTransformSteps StepsOf(TJPEGTransform transform) {
  for (int i = 0; i < 8; ++i)
    if (kBySteps[i] == transform) return TTransformSteps{(i & 4) != 0, (i & 2) != 0, (i & 1) != 0};
  return TTransformSteps{false, false, false};
}

TJPEGTransform ComposeTransforms(TJPEGTransform first, TJPEGTransform second) {
  const TMatrix m1 = MatrixOf(first);
  const TMatrix m2 = MatrixOf(second);
  // second after first: m2 x m1.
  const TMatrix m{m2.a * m1.a + m2.b * m1.c, m2.a * m1.b + m2.b * m1.d, m2.c * m1.a + m2.d * m1.c,
                  m2.c * m1.b + m2.d * m1.d};
  const bool transpose = m.a == 0;
  const bool mirror_x = transpose ? m.b < 0 : m.a < 0;
  const bool mirror_y = transpose ? m.c < 0 : m.d < 0;
  return kBySteps[(transpose ? 4 : 0) | (mirror_x ? 2 : 0) | (mirror_y ? 1 : 0)];
}

TJPEGTransform OrientationTransform(int orientation) {
  static constexpr TJPEGTransform kUpright[9] = {jtNone,      jtNone,         jtFlipHorizontal,
                                                 jtRotate180, jtFlipVertical, jtTranspose,
                                                 jtRotate90,  jtTransverse,   jtRotate270};
  return orientation >= 1 && orientation <= 8 ? kUpright[orientation] : jtNone;
}
