#include "platform/classes/Extended.h"

#include <cmath>

namespace {
constexpr int kBias = 16383;
constexpr uint64_t kIntegerBit = uint64_t{1} << 63;
}  // namespace

void EncodeExtended(long double value, uint8_t out[10]) {
  uint64_t mantissa = 0;
  int exponent = 0;  // the biased 15-bit field
  bool negative = std::signbit(value);
  if (std::isnan(value)) {
    mantissa = kIntegerBit | (uint64_t{1} << 62);  // quiet NaN
    exponent = 0x7FFF;
  } else if (std::isinf(value)) {
    mantissa = kIntegerBit;
    exponent = 0x7FFF;
  } else if (value != 0) {
    int e = 0;
    long double m = std::frexp(std::fabs(value), &e);  // m in [0.5, 1)
    // m * 2^64 is an integer below 2^64 for any long double of at most 64
    // mantissa bits; value = mantissa * 2^(e - 64).
    mantissa = static_cast<uint64_t>(std::ldexp(m, 64));
    exponent = e + kBias - 1;
    if (exponent <= 0) {
      // Below the normal range: a denormal with exponent field 0, whose
      // value is mantissa * 2^(1 - bias - 63).
      int shift = 1 - exponent;
      mantissa = shift < 64 ? mantissa >> shift : 0;
      exponent = 0;
    } else if (exponent >= 0x7FFF) {
      mantissa = kIntegerBit;
      exponent = 0x7FFF;
    }
  }
  for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(mantissa >> (8 * i));
  uint16_t top = static_cast<uint16_t>(exponent | (negative ? 0x8000 : 0));
  out[8] = static_cast<uint8_t>(top);
  out[9] = static_cast<uint8_t>(top >> 8);
}

long double DecodeExtended(const uint8_t in[10]) {
  uint64_t mantissa = 0;
  for (int i = 0; i < 8; ++i) mantissa |= static_cast<uint64_t>(in[i]) << (8 * i);
  int top = in[8] | (in[9] << 8);
  bool negative = (top & 0x8000) != 0;
  int exponent = top & 0x7FFF;
  long double value;
  if (exponent == 0x7FFF) {
    value = (mantissa << 1) == 0 ? HUGE_VALL : NAN;
  } else if (mantissa == 0) {
    value = 0;
  } else {
    int e = exponent == 0 ? 1 - kBias - 63 : exponent - kBias - 63;
    // Split the mantissa so that each half converts exactly even where long
    // double is narrower than 64 bits; the sum then rounds once.
    long double high = static_cast<long double>(mantissa >> 32) * 4294967296.0L;
    long double low = static_cast<long double>(mantissa & 0xFFFFFFFFu);
    value = std::ldexp(high + low, e);
  }
  return negative ? -value : value;
}
