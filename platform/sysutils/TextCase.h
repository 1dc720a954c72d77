// Letter case of identifiers, class names and file extensions: ASCII rules
// only, the same on every target and in every locale.
#pragma once

#include <string>
#include <string_view>

#include "platform/Export.h"

// c with A-Z turned into a-z; every other byte unchanged.
constexpr char LowerCaseChar(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// text with A-Z turned into a-z.
PLATFORM_API std::string LowerCase(std::string text);

// True when a and b are equal apart from the case of A-Z.
PLATFORM_API bool SameText(std::string_view a, std::string_view b);
