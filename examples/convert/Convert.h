// The two conversions of zeljpeg-convert.
#pragma once

#include "examples/convert/Options.h"

// Decodes the JPEG file options.input into a BMP file options.output of the
// chosen output type. The output file is written only once decoding has
// succeeded. Raises the library's exceptions.
void DecodeToBmp(const ConvertOptions& options);

// Loads options.input as a picture (by its extension: bmp, jpg, jpeg, ico,
// emf, wmf) and compresses it into the JPEG file options.output. The output
// file is written only once compression has succeeded.
void EncodeToJpeg(const ConvertOptions& options);
