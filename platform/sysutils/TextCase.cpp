#include "platform/sysutils/TextCase.h"

#include <algorithm>

std::string LowerCase(std::string text) {
  for (char& c : text) c = LowerCaseChar(c);
  return text;
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return LowerCaseChar(x) == LowerCaseChar(y);
         });
}
