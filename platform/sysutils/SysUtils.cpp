#include "platform/sysutils/SysUtils.h"

#include <cstdio>
#include <vector>

std::string FormatV(const char* fmt, va_list args) {
  char small[256];
  va_list copy;
  va_copy(copy, args);
  int needed = std::vsnprintf(small, sizeof small, fmt, copy);
  va_end(copy);
  if (needed < 0) return fmt;  // an encoding error: keep the pattern itself
  if (static_cast<size_t>(needed) < sizeof small) return std::string(small, needed);
  std::vector<char> big(static_cast<size_t>(needed) + 1);
  std::vsnprintf(big.data(), big.size(), fmt, args);
  return std::string(big.data(), needed);
}

std::string Format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string result = FormatV(fmt, args);
  va_end(args);
  return result;
}

void OutOfMemoryError() {
  throw EOutOfMemory();
}

void AbstractError() {
  throw EAbstractError();
}
