// The structure check of enhanced-metafile bytes, shared by the portable
// graphics API (SetEnhMetaFileBits) and the metafile graphic, which checks
// files itself before any system call parses them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/gdi/Gdi.h"

// Checks EMF bytes: a header record with the signature, sizes within the
// data, every record of a valid size, an EOF record (with its palette inside
// it). On success length receives the bytes up to and including the EOF
// record.
bool CheckEnhMetaFileBytes(const uint8_t* data, size_t size, size_t& length);
