// Reading a BMP file a row at a time, for programs that pass an image on
// (to a compressor, for instance) without holding all of it in memory.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Export.h"
#include "platform/classes/Streams.h"

// The rows of a BMP file, top row first, as 24-bit blue-green-red pixels:
// the colours a true-colour bitmap loaded from the file (TBitmap) holds.
// Reads every form TBitmap::LoadFromStream reads. Uncompressed rows are read
// from the stream in blocks as they are asked for, so that only a block of
// rows is held; run-length encoded pixels are decoded whole on construction
// (one byte a pixel at most), because their rows can only be found in order.
class PLATFORM_API TBmpRowReader {
 public:
  // Reads and checks the file's headers and colour table from the stream's
  // position; the file may take at most limit bytes of the stream. Raises
  // what TBitmap::LoadFromStream raises for the same file (EInvalidGraphic,
  // EOutOfMemory, the pixel limit). The stream stays the caller's and must
  // outlive the reader; Row moves its position.
  TBmpRowReader(TStream& stream, int64_t limit);
  ~TBmpRowReader();
  TBmpRowReader(const TBmpRowReader&) = delete;
  TBmpRowReader& operator=(const TBmpRowReader&) = delete;

  int32_t Width() const;
  int32_t Height() const;

  // Row y (0: the top row, up to Height() - 1) as 3 x Width() bytes: blue,
  // green, red for each pixel. The bytes are the reader's and stay valid
  // until the next call. Rows are read fastest in order, top to bottom.
  // Raises EInvalidGraphic "Bitmap image is not valid" when the stream ends
  // before the row, EStreamError when it cannot be read, and Exception for
  // a y outside the image.
  const uint8_t* Row(int32_t y);

 private:
  struct TState;
  std::unique_ptr<TState> state_;
};
