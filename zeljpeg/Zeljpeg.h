// The JPEG component unit: compressor and decompressor components with their
// stream, file and resource front ends, the JPEG bitmap graphic, and the
// unit's initialisation.
#pragma once

#include "zeljpeg/Compressor.h"
#include "zeljpeg/DIBFromBitmap.h"
#include "zeljpeg/Decompressor.h"
#include "zeljpeg/Exif.h"
#include "zeljpeg/Export.h"
#include "zeljpeg/JPEGBase.h"
#include "zeljpeg/JPEGBitmap.h"
#include "zeljpeg/Jpeglib.h"
#include "zeljpeg/Markers.h"
#include "zeljpeg/StreamCompressor.h"
#include "zeljpeg/StreamDecompressor.h"
#include "zeljpeg/Transformer.h"
#include "zeljpeg/Transforms.h"

// The unit initialisation: runs once (a run counter guards it) and initialises
// the units it uses first; registers TJPEGBitmap for "jpg" and "jpeg".
ZELJPEG_API void InitZeljpegUnit();
