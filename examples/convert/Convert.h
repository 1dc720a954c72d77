// The two conversions of zeljpeg-convert.
#pragma once

#include "examples/convert/Options.h"

// Decodes the JPEG file options.input (read once, front to back: a pipe will
// do) into a BMP file options.output of the chosen output type. The output
// file is written only once decoding has succeeded, through a temporary file
// that replaces it when complete. Raises the library's exceptions.
void DecodeToBmp(const ConvertOptions& options);

// Loads options.input as a picture (by its extension: bmp, jpg, jpeg, ico,
// emf, wmf) and compresses it into the JPEG file options.output. The output
// file is written only once compression has succeeded, as above.
void EncodeToJpeg(const ConvertOptions& options);
