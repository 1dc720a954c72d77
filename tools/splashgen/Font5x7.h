// A 5 x 7 pixel capital-letter font for the generated artwork.
#pragma once

#include <cstdint>

namespace splashgen {

// The glyph of c as seven rows of five bits (bit 4 = leftmost column), or
// null for characters the font does not have. Letters are upper case only.
const uint8_t* Glyph(char c);

}  // namespace splashgen
