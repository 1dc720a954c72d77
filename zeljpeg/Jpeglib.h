// The codec binding: the system libjpeg-turbo through its libjpeg API.
//
// The codec's enumerations J_COLOR_SPACE (JCS_UNKNOWN, JCS_GRAYSCALE, JCS_RGB,
// JCS_YCbCr, JCS_CMYK, JCS_YCCK, and the extended JCS_EXT_BGR that the
// components use for blue-green-red samples), J_DCT_METHOD (JDCT_ISLOW,
// JDCT_IFAST, JDCT_FLOAT) and J_DITHER_MODE (JDITHER_NONE, JDITHER_ORDERED,
// JDITHER_FS) come from the codec's own header, with the codec's names.
#pragma once

#include <cstdio>  // the codec's header needs FILE and size_t declared first

#include <jpeglib.h>

#include "platform/classes/TypInfo.h"
#include "zeljpeg/Export.h"

// Creates a compression object: the codec's versioned create call with the
// library version and object size this binding is compiled against. The
// object's err and client_data fields must be set before; the call keeps
// them. A version or size mismatch is reported through err->error_exit.
ZELJPEG_API void jpeg_Create_Compress(jpeg_compress_struct& cinfo);
// Creates a decompression object; as jpeg_Create_Compress.
ZELJPEG_API void jpeg_Create_Decompress(jpeg_decompress_struct& cinfo);

// Member names of J_DCT_METHOD and J_DITHER_MODE, by ordinal, for published
// properties ("JDCT_ISLOW", ...; "JDITHER_NONE", ...).
ZELJPEG_API const TEnumNames& JDctMethodNames();
ZELJPEG_API const TEnumNames& JDitherModeNames();

// The most working memory a codec object may take (bytes). A datastream whose
// header declares an image that needs more fails with EOutOfMemory ("Out of
// memory"; the components translate the codec's own out-of-memory and
// "Backing store not supported" errors) instead of exhausting the machine.
constexpr long kJpegMaxCodecMemory = 1L << 30;

// The binding unit's initialisation; runs once.
ZELJPEG_API void InitJpeglibUnit();
