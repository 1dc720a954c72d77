// Internal to the portable graphics API: metafile validation and creation.
#pragma once

#include "platform/gdi/portable/GdiObjects.h"

namespace gdiport {

// A handle for validated bytes.
HENHMETAFILE NewMetafile(std::vector<uint8_t> bytes);

}  // namespace gdiport
