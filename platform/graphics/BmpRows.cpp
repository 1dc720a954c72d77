#include "platform/graphics/BmpRows.h"

#include <algorithm>
#include <new>
#include <vector>

#include "platform/graphics/BmpFormat.h"
#include "platform/graphics/Graphic.h"

using namespace graphics_internal;

namespace {

// The rows read from the stream at once: about 1 MB, at least one row.
constexpr uint64_t kBlockBytes = 1 << 20;

// Reads count bytes, in pieces that a stream read takes; false when the
// stream ends first.
bool ReadAll(TStream& stream, uint8_t* buffer, uint64_t count) {
  constexpr uint64_t kPiece = 1 << 30;
  while (count > 0) {
    const int32_t want = static_cast<int32_t>(std::min(count, kPiece));
    if (stream.Read(buffer, want) != want) return false;
    buffer += want;
    count -= static_cast<uint64_t>(want);
  }
  return true;
}

}  // namespace

struct TBmpRowReader::TState {
  TState(TStream& s, const BmpStructure& st) : stream(s), structure(st), converter(st) {}

  TStream& stream;
  int64_t start = 0;  // the stream position of the file's first byte
  BmpStructure structure;
  BgrRowConverter converter;
  std::vector<uint8_t> decoded;  // run-length encoded files: all rows, bottom-up
  std::vector<uint8_t> block;    // file rows first_row .. first_row + rows - 1
  uint64_t first_row = 0, rows = 0;
  std::vector<uint8_t> bgr;  // the row handed out

  // The file's row (counted as stored) that holds picture row y.
  uint64_t FileRow(uint64_t y) const { return structure.top_down ? y : structure.height - 1 - y; }

  // Reads the block of file rows that holds file_row and the rows that are
  // asked for after it (below it in the picture).
  void Load(uint64_t file_row) {
    const uint64_t stride = structure.stride;
    const uint64_t count =
        std::min<uint64_t>(std::max<uint64_t>(kBlockBytes / stride, 1), structure.height);
    first_row = structure.top_down ? file_row : (file_row + 1 >= count ? file_row + 1 - count : 0);
    rows = std::min(count, structure.height - first_row);
    const uint64_t bytes = rows * stride;
    if (block.size() < bytes) {
      try {
        block.resize(static_cast<size_t>(bytes));
      } catch (const std::bad_alloc&) {
        OutOfMemoryError();
      }
    }
    stream.Seek(start + static_cast<int64_t>(structure.pixels_offset + first_row * stride),
                soFromBeginning);
    // The headers' check against the file's size makes a short read invalid
    // data (the file changed under the reader), as for a whole load.
    if (!ReadAll(stream, block.data(), bytes)) {
      rows = 0;
      InvalidBitmap();
    }
  }
};

TBmpRowReader::TBmpRowReader(TStream& stream, int64_t limit) {
  const int64_t start = stream.Position();
  const BmpStructure structure = ReadBmpStructure(stream, limit);
  try {
    state_ = std::make_unique<TState>(stream, structure);
    state_->start = start;
    state_->bgr.resize(static_cast<size_t>(3 * structure.width));
  } catch (const std::bad_alloc&) {
    OutOfMemoryError();
  }
  if (structure.rle) {
    std::vector<uint8_t> runs;
    try {
      runs.resize(static_cast<size_t>(structure.image_size));
    } catch (const std::bad_alloc&) {
      OutOfMemoryError();
    }
    if (!ReadAll(stream, runs.data(), runs.size())) InvalidBitmap();
    state_->decoded = DecodeRleRows(structure, runs);
  }
}

TBmpRowReader::~TBmpRowReader() = default;

int32_t TBmpRowReader::Width() const {
  return static_cast<int32_t>(state_->structure.width);
}

int32_t TBmpRowReader::Height() const {
  return static_cast<int32_t>(state_->structure.height);
}

const uint8_t* TBmpRowReader::Row(int32_t y) {
  TState& s = *state_;
  if (y < 0 || static_cast<uint64_t>(y) >= s.structure.height)
    throw Exception(Format("Row %d is outside the bitmap", static_cast<int>(y)));
  const uint64_t file_row = s.FileRow(static_cast<uint64_t>(y));
  const uint8_t* src;
  if (s.structure.rle) {
    src = s.decoded.data() + file_row * s.structure.stride;
  } else {
    if (s.rows == 0 || file_row < s.first_row || file_row >= s.first_row + s.rows) s.Load(file_row);
    src = s.block.data() + (file_row - s.first_row) * s.structure.stride;
    // Rows of 24-bit pixels are handed out as they are stored.
    if (s.structure.bits == 24) return src;
  }
  s.converter.Convert(src, s.bgr.data());
  return s.bgr.data();
}
