#include "zeljpeg/Markers.h"

#include <cstring>

#include "zeljpeg/Jpeglib.h"

const TEnumNames& JPEGCopyMarkersNames() {
  static const TEnumNames names{{"jcNone", "jcComments", "jcAll"}, {}};
  return names;
}

bool IsICCSegment(int marker, const uint8_t* data, size_t size) {
  static const char kSignature[12] = "ICC_PROFILE";  // with its zero byte
  return marker == JPEG_APP0 + 2 && size >= sizeof kSignature &&
         std::memcmp(data, kSignature, sizeof kSignature) == 0;
}
