// zeljpeg-convert --info: the header of a JPEG file, without decoding it.
#pragma once

#include "examples/convert/Options.h"

// Reads the header of the JPEG file options.input and prints one "key: value"
// line each to standard output: width, height, components, color-space,
// progressive (yes or no), density-unit (none, dpi or dpcm), x-density,
// y-density, orientation (the EXIF orientation, 1 to 8), icc-profile-size
// (bytes, 0 for none), output-width and output-height (the size a
// conversion with the same options makes: scaled, fitted and turned
// upright). Raises the library's exceptions.
void PrintInfo(const ConvertOptions& options);
