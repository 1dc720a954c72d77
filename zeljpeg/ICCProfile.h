// Internal to the unit: the ICC profile of a datastream from its APP2
// segments, assembled by the codec.
#pragma once

#include <cstdint>
#include <vector>

#include "zeljpeg/Jpeglib.h"
#include "zeljpeg/Markers.h"

// The profile that the ICC segments among segments make up, assembled by
// the codec's jpeg_read_icc_profile; empty when they make up none. cinfo has
// read the header (and not started decoding). Segments that do not fit
// together (a missing or repeated piece, counts that disagree) make the
// codec warn through cinfo's error manager and give no profile.
std::vector<uint8_t> AssembleICCProfile(j_decompress_ptr cinfo,
                                        const std::vector<TJPEGMarker>& segments);
