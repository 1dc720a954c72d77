// Pieces the conversions of zeljpeg-convert share.
#pragma once

#include <cstdint>
#include <string>

#include "examples/convert/Options.h"

// Inputs from this size (bytes of JPEG, or pixels) get a progress bar when
// standard error is a terminal.
constexpr int64_t kLargeJpegBytes = 512 * 1024;
constexpr int64_t kLargePixels = 2'000'000;

// Prints a warning of the library on standard error.
void PrintWarning(const char* message);

// The size of a file in bytes, or 0 when it has none (a pipe) or cannot be
// opened (the conversion reports that).
int64_t FileSize(const std::string& file_name);

// Gives a decompressor the options of every JPEG input: the limits, the
// warning printer, the scale and the auto-orientation, and which segments to
// keep for a JPEG output (all of them unless --strip).
void ApplyDecodeOptions(TJPEGDecompressor& decompressor, const ConvertOptions& options);
