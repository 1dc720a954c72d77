// The structure layouts that files and streams depend on (BMP, ICO and EMF
// records, palettes), checked on every target: the system's declarations on
// Windows (32 and 64 bits) and ours elsewhere.
#pragma once

#include <cstddef>

#include "platform/gdi/Gdi.h"

static_assert(sizeof(RGBQUAD) == 4);
static_assert(sizeof(RGBTRIPLE) == 3);
static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(sizeof(BITMAPCOREHEADER) == 12);
static_assert(sizeof(BITMAPFILEHEADER) == 14);
static_assert(offsetof(BITMAPFILEHEADER, bfOffBits) == 10);
static_assert(sizeof(BITMAPINFO) == 44);
static_assert(sizeof(PALETTEENTRY) == 4);
static_assert(sizeof(LOGPALETTE) == 8);
static_assert(sizeof(BITMAP) == (sizeof(void*) == 8 ? 32 : 24));
static_assert(sizeof(LOGPEN) == 16);
static_assert(sizeof(LOGBRUSH32) == 12);
static_assert(sizeof(ENHMETAHEADER) == 108);
static_assert(offsetof(ENHMETAHEADER, szlDevice) == 72);
static_assert(offsetof(ENHMETAHEADER, cbPixelFormat) == 88);
static_assert(sizeof(EMR) == 8);
static_assert(sizeof(EMREOF) == 20);
static_assert(sizeof(EMRPOLYLINE) == 36);
static_assert(sizeof(EMRPOLYLINE16) == 32);
static_assert(sizeof(EMRELLIPSE) == 24);
static_assert(sizeof(EMRSETPIXELV) == 20);
static_assert(sizeof(EMRCREATEPEN) == 28);
static_assert(sizeof(EMRCREATEBRUSHINDIRECT) == 24);
static_assert(sizeof(EMRCREATEPALETTE) == 20);
static_assert(sizeof(EMRBITBLT) == 100);
static_assert(sizeof(EMRSTRETCHBLT) == 108);
static_assert(sizeof(EMRSTRETCHDIBITS) == 80);
