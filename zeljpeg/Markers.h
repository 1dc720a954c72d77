// The extra segments of a JPEG datastream (comments and application
// segments), as the decompressor keeps them and the transformer copies them.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/classes/TypInfo.h"
#include "zeljpeg/Export.h"

// One segment as read: its marker code (JPEG_COM 0xFE, or JPEG_APP0 + n)
// and its data, without the two length bytes.
struct TJPEGMarker {
  int Marker = 0;
  std::vector<uint8_t> Data;
};

// Which extra segments a component keeps or copies. JFIF (APP0) and Adobe
// (APP14) segments, which the codec reads and writes itself, are not among
// them.
enum TJPEGCopyMarkers : uint8_t {
  jcNone,      // none
  jcComments,  // COM segments
  jcAll        // COM and every APPn segment (EXIF, XMP, ICC profiles, IPTC, ...)
};
// "jcNone", "jcComments", "jcAll", for published properties.
ZELJPEG_API const TEnumNames& JPEGCopyMarkersNames();

// True for an APP2 segment that carries a piece of an ICC profile: its data
// starts with "ICC_PROFILE" and a zero byte.
ZELJPEG_API bool IsICCSegment(int marker, const uint8_t* data, size_t size);
