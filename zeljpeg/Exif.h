// The orientation tag of EXIF data: how a camera says which way up its
// picture was stored.
#pragma once

#include <cstddef>
#include <cstdint>

#include "zeljpeg/Export.h"

// The payload of an APP1 segment that carries EXIF data starts with these six
// bytes ("Exif" and two zero bytes); a TIFF structure follows.
constexpr char kExifSignature[6] = {'E', 'x', 'i', 'f', 0, 0};

// True when data (an APP1 payload of size bytes) starts with kExifSignature.
ZELJPEG_API bool IsExifSegment(const uint8_t* data, size_t size);

// The orientation (1 to 8, as EXIF defines them) that the first image
// directory (IFD0) of an APP1 payload gives in its tag 0x0112; 0 when the
// payload is no EXIF data, has no such tag, or the tag's value is not 1 to 8.
// Both TIFF byte orders are read. Everything is bounds-checked against size:
// an offset or entry count that points past the end makes the tag absent,
// never a read outside the data. Only IFD0 is read, as EXIF puts the
// orientation of the main image there; no chain of directories is followed.
ZELJPEG_API int ReadExifOrientation(const uint8_t* data, size_t size);

// Sets the orientation tag found as by ReadExifOrientation to value (1 to 8)
// in place, in the tag's own type and byte order. Returns false, changing
// nothing, when there is no tag to set (its absence means 1) or value is out
// of range.
ZELJPEG_API bool WriteExifOrientation(uint8_t* data, size_t size, int value);
