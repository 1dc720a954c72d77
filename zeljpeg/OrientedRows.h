// Internal to the unit: puts the decoder's rows into a bottom-up DIB turned
// by one of the eight transforms, for the decompressor's AutoOrient.
#pragma once

#include <cstdint>
#include <memory>

#include "zeljpeg/Jpeglib.h"
#include "zeljpeg/Transforms.h"

// The decoder writes each row into Row(), then calls Done(). Rows that stay
// rows (no transpose) are placed at once; for a transpose a band of rows is
// gathered first, so that each DIB row receives a run of pixels at a time.
class TOrientedRows {
 public:
  // width x height: the decoded image; the DIB at bits has the transformed
  // size, rows of row_size bytes, bits_per_pixel 24 (blue, green, red from
  // three samples), 8 (one sample; gray_shift: the sample >> 2) or 4 (one
  // index a pixel, two a byte, the left one high); it is zeroed first.
  // Raises EOutOfMemory.
  TOrientedRows(TJPEGTransform transform, uint32_t width, uint32_t height, int bits_per_pixel,
                bool gray_shift, uint8_t* bits, int64_t row_size);

  // Where the decoder writes the next row.
  JSAMPROW Row() { return band_.get() + static_cast<size_t>(filled_) * row_bytes_; }
  // The row given by Row() is decoded.
  void Done();

 private:
  void PlaceBand();
  void Put(uint8_t* row, uint32_t x, const uint8_t* sample) const;

  TTransformSteps steps_;
  uint32_t width_, height_;
  uint32_t out_width_, out_height_;
  int bits_per_pixel_;
  bool gray_shift_;
  uint8_t* bits_;
  int64_t row_size_;
  size_t pixel_bytes_;
  size_t row_bytes_;
  uint32_t band_rows_;
  std::unique_ptr<uint8_t[]> band_;
  uint32_t first_ = 0;   // source row of the band's first row
  uint32_t filled_ = 0;  // rows in the band
};
