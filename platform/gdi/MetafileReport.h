// Metafile playback that reports what it could not draw. On Linux the
// portable playback draws the records that real metafiles use and counts the
// others; on Windows the system draws every record it knows and the list
// stays empty.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Export.h"
#include "platform/gdi/Gdi.h"

// Records of one type that playback did not draw, and how many.
struct PLATFORM_API TUndrawnRecord {
  DWORD type = 0;
  uint32_t count = 0;
};

// PlayEnhMetaFile(dc, metafile, rect), listing the records that were not
// drawn in undrawn (by type, in the order they first occurred). The result
// and the last error are PlayEnhMetaFile's.
PLATFORM_API BOOL PlayEnhMetaFileReporting(HDC dc, HENHMETAFILE metafile, const RECT* rect,
                                           std::vector<TUndrawnRecord>& undrawn);

// The record type's name as the Windows headers spell it ("EMR_POLYBEZIER16"),
// "EMR_" and the number for types without one, and "META_" and the function
// number in hexadecimal for records of a converted Windows metafile that have
// no enhanced equivalent.
PLATFORM_API std::string EnhMetaRecordName(DWORD type);
