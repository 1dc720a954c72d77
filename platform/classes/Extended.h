// The 80-bit x87 extended float format of form descriptions, converted by
// hand so that the conversion does not depend on the layout of long double.
#pragma once

#include <cstdint>

// Encodes value as 10 bytes, little-endian: a 64-bit mantissa with an
// explicit integer bit, then 15 bits of exponent (bias 16383) and the sign.
// Infinities and NaNs are kept; a value long double cannot hold exactly in
// the format does not arise, since the format is at least as wide.
void EncodeExtended(long double value, uint8_t out[10]);
// Decodes 10 bytes written by EncodeExtended or an x87 unit. Values beyond
// the range of long double become infinities or zeros; unnormal encodings
// (integer bit clear with a non-zero exponent) decode by the same formula.
long double DecodeExtended(const uint8_t in[10]);
