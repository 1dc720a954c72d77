// Internal to the portable graphics API: metafile validation and creation.
#pragma once

#include "platform/gdi/portable/GdiObjects.h"

namespace gdiport {

// Checks EMF bytes: a header record with the signature, sizes within the
// data, every record of a valid size, an EOF record (with its palette inside
// it). length receives the bytes up to and including the EOF record.
bool ValidEmf(const uint8_t* data, size_t size, size_t& length);
// A handle for validated bytes.
HENHMETAFILE NewMetafile(std::vector<uint8_t> bytes);

}  // namespace gdiport
