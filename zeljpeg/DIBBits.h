// Internal to the unit: the pixel blocks the decoding front ends hand out.
#pragma once

#include "platform/graphics/GdiGuards.h"
#include "zeljpeg/Decompressor.h"

// A movable global block of decompressor.GetDIBitsSize(type) bytes for a
// ReadDIBitmap of type, holding zeros wherever the decode will not write.
// The decode writes every byte of its rows, padding included; at jp24bit
// and jp4bit the rows fill the block, which is then left unfilled (zeroing
// it would cost a pass over all of its memory). jp8bit and jpGrayscale
// blocks are sized before decoding from the image's own component count
// and are zero-filled. Raises as GetDIBitsSize, and EOutOfMemory.
TGlobalBlock AllocateDIBits(const TJPEGDecompressor& decompressor, TJPEGOutputType type);
