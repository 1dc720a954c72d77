// The EXIF orientation reader and writer on arbitrary APP1 payloads: every
// read stays inside the data, and a written tag reads back.
//
// Input: the payload itself (a seed starts with "Exif\0\0").
#include <cstdlib>
#include <vector>

#include "zeljpeg/Exif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly the input's size, so that a read past it is caught.
  std::vector<uint8_t> payload(data, data + size);
  const int orientation = ReadExifOrientation(payload.data(), payload.size());
  if (orientation < 0 || orientation > 8) std::abort();
  const int wanted = orientation == 1 ? 6 : 1;
  if (WriteExifOrientation(payload.data(), payload.size(), wanted) &&
      ReadExifOrientation(payload.data(), payload.size()) != wanted)
    std::abort();
  return 0;
}
