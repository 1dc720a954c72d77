// File writers for the generated artwork.
#pragma once

#include <string>
#include <vector>

#include "tools/splashgen/Canvas.h"

namespace splashgen {

// A complete 24-bit uncompressed BMP file (54-byte headers, rows bottom-up).
std::vector<unsigned char> EncodeBmp24(const Canvas& c);
// A one-image 32 x 32 icon file in the 16 standard colours (4 bits a pixel),
// each pixel the nearest of them; corners outside a rounded square are
// transparent. 766 bytes.
std::vector<unsigned char> EncodeIcon16(const Canvas& c);
// Writes bytes to path; throws std::runtime_error on failure.
void WriteFile(const std::string& path, const std::vector<unsigned char>& bytes);

}  // namespace splashgen
