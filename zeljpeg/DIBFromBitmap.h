// Building device-independent bitmaps (DIBs) from bitmaps, and new bitmaps
// from parts of bitmaps and from enhanced metafiles, for the JPEG compressor.
//
// A DIB built here has a 40-byte BITMAPINFOHEADER (positive height: rows
// bottom-up, uncompressed), a full colour table for 1, 4 and 8 bits, and rows
// padded to multiples of 4 bytes. Every device context, placeholder bitmap and
// palette selection these calls make is undone before they return, also when
// they raise.
#pragma once

#include <cstdint>

#include "platform/gdi/Gdi.h"
#include "zeljpeg/Export.h"

class TBitmap;
class TMetafile;

// The colour depth of a DIB built from a bitmap whose own depth
// (planes x bits per pixel) is d.
enum TBitmapResolution : uint8_t {
  bmDefault = 0,    // d when d <= 8 (1, 4 or 8 stay); 24 when d > 8
  bm16Colour = 1,   // 4 bits
  bm256Colour = 2,  // 8 bits
  bm24bit = 3,      // 24 bits
};

// Fills header with the DIB header for the bitmap at the chosen resolution:
// size 40, the bitmap's width and (positive) height, 1 plane, the bit count,
// BI_RGB, image size = row length (padded to 4 bytes) x height, all other
// fields 0. Raises Exception when the handle does not name a readable bitmap,
// and when the image size does not fit in 32 bits.
ZELJPEG_API void GetBitmapInfoHeader(HBITMAP bitmap, TBitmapResolution resolution,
                                     BITMAPINFOHEADER& header);

// The sizes of the two blocks Bitmap2DIB fills: the header block (40 bytes at
// 24 bits, else 40 + 4 x 2^bitcount for the full colour table) and the pixel
// buffer (the header's image size). Raises as GetBitmapInfoHeader.
ZELJPEG_API void GetDIBSizes(HBITMAP bitmap, TBitmapResolution resolution, int32_t& header_size,
                             int32_t& image_size);

// Copies the bitmap into a DIB at the chosen resolution, with the bitmap's
// palette in force: the header and colour table go to header_block (at least
// the header size of GetDIBSizes), the rows to bits (at least the image
// size). Both blocks are the caller's. Raises Exception "Cannot obtain a
// Device Independent Bitmap" when the copy fails.
ZELJPEG_API void Bitmap2DIB(TBitmap* bitmap, TBitmapResolution resolution, void* header_block,
                            void* bits);

// A new bitmap of width x height, compatible with the screen, holding the
// source rectangle of bitmap stretched onto it (area-averaging) and its own
// copy of the bitmap's palette. The caller owns the result. Raises Exception
// when a drawing step fails (for instance a source rectangle outside the
// bitmap).
ZELJPEG_API TBitmap* CropBitmap(TBitmap* bitmap, int32_t width, int32_t height, const RECT& source);

// CropBitmap with the whole bitmap as source: bitmap resized to width x height.
ZELJPEG_API TBitmap* ReSizeBitmap(TBitmap* bitmap, int32_t width, int32_t height);

// A new bitmap of width x height, compatible with the screen, holding the
// metafile played onto a white ground and scaled to fill it. The caller owns
// the result. Raises Exception "Unable to render metafile as a bitmap -
// PlayEnhMetaFile returned %d" (the last-error code) when playback fails, and
// the pixel limit of CheckPixelLimit (kDefaultMaxPixels) before anything is
// allocated.
ZELJPEG_API TBitmap* MetaToBitmap(TMetafile* metafile, int32_t width, int32_t height);
