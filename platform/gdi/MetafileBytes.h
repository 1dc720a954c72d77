// The structure checks of enhanced- and Windows-metafile bytes, shared by
// the portable graphics API (SetEnhMetaFileBits, SetWinMetaFileBits) and the
// metafile graphic, which checks files itself before any system call parses
// them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/gdi/Gdi.h"

// Checks EMF bytes: a header record with the signature, sizes within the
// data, every record of a valid size, an EOF record (with its palette inside
// it). On success length receives the bytes up to and including the EOF
// record.
bool CheckEnhMetaFileBytes(const uint8_t* data, size_t size, size_t& length);

// The placeable header that may precede a Windows metafile in a file.
constexpr uint32_t kPlaceableMetafileKey = 0x9AC6CDD7;
constexpr size_t kPlaceableHeaderSize = 22;

// Checks Windows (16-bit) metafile bytes, without a placeable header: the
// 18-byte header (type 1 or 2, 9 words long, version 0x100 or 0x300), then
// records of at least 3 words each inside the data, up to an end record (a
// function of 0). On success length receives the bytes up to and including
// the end record.
bool CheckWinMetaFileBytes(const uint8_t* data, size_t size, size_t& length);
