// What zeljpeg-convert copies from a JPEG input into the JPEG it compresses.
#pragma once

#include "zeljpeg/Zeljpeg.h"

// Sets compressor's ICC profile to the one decompressor read, and has its
// OnWriteMarkers write the other segments decompressor kept (comments, EXIF,
// XMP, IPTC, ...) in their order; the EXIF orientation is written as 1 when
// oriented (the pixels were turned upright). Call after the decode; the
// segments are copied, so decompressor may read the next image.
void CopyMetadata(const TJPEGDecompressor& decompressor, TJPEGCompressor& compressor,
                  bool oriented);
