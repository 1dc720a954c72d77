// zeljpeg-convert's lossless JPEG to JPEG run: rotations, flips, crops and
// the EXIF orientation applied to the DCT coefficients.
#pragma once

#include "examples/convert/Options.h"

// Transforms the JPEG file options.input into the JPEG file options.output
// with TJPEGFileTransformer: options.transform after the EXIF orientation
// (unless --no-auto-orient), the crop, --trim or --perfect, progressive or
// optimised output; every extra segment copied unless --strip. The output
// is replaced only when the transform succeeded. Warns when a partial edge
// had to stay untransformed. Raises the library's exceptions.
void TransformJpeg(const ConvertOptions& options);
