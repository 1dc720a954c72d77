#include "zeljpeg/OrientedRows.h"

#include <cstring>
#include <new>

#include "platform/sysutils/SysUtils.h"

namespace {

// Rows gathered before a transposed band is placed: each DIB row then takes
// this many neighbouring pixels at once.
constexpr uint32_t kTransposedBand = 16;

}  // namespace

TOrientedRows::TOrientedRows(TJPEGTransform transform, uint32_t width, uint32_t height,
                             int bits_per_pixel, bool gray_shift, uint8_t* bits, int64_t row_size)
    : steps_(StepsOf(transform)),
      width_(width),
      height_(height),
      out_width_(steps_.transpose ? height : width),
      out_height_(steps_.transpose ? width : height),
      bits_per_pixel_(bits_per_pixel),
      gray_shift_(gray_shift),
      bits_(bits),
      row_size_(row_size),
      pixel_bytes_(bits_per_pixel == 24 ? 3 : 1),
      row_bytes_(pixel_bytes_ * width),
      band_rows_(steps_.transpose ? kTransposedBand : 1) {
  band_.reset(new (std::nothrow) uint8_t[row_bytes_ * band_rows_ + 1]);
  if (!band_) OutOfMemoryError();
  // The DIB need not come zeroed: its padding, and the low half of the last
  // byte of odd 4-bit rows, are never written below.
  std::memset(bits, 0, static_cast<size_t>(row_size) * out_height_);
}

void TOrientedRows::Put(uint8_t* row, uint32_t x, const uint8_t* sample) const {
  switch (bits_per_pixel_) {
    case 24:
      std::memcpy(row + 3 * static_cast<size_t>(x), sample, 3);
      break;
    case 8:
      row[x] = gray_shift_ ? static_cast<uint8_t>(*sample >> 2) : *sample;
      break;
    default: {
      uint8_t& b = row[x / 2];
      b = x % 2 == 0 ? static_cast<uint8_t>((b & 0x0F) | (*sample << 4))
                     : static_cast<uint8_t>((b & 0xF0) | (*sample & 0x0F));
      break;
    }
  }
}

void TOrientedRows::Done() {
  if (++filled_ == band_rows_ || first_ + filled_ == height_) {
    PlaceBand();
    first_ += filled_;
    filled_ = 0;
  }
}

void TOrientedRows::PlaceBand() {
  // Pixel (x, y) of the decoded image goes to (X, Y) of the DIB: (y, x) when
  // transposed, then mirrored; DIB row Y is stored at out_height - 1 - Y.
  auto dib_row = [&](uint32_t y) {
    const uint32_t from_top = steps_.mirror_y ? out_height_ - 1 - y : y;
    return bits_ + row_size_ * static_cast<int64_t>(out_height_ - 1 - from_top);
  };
  auto column = [&](uint32_t x) { return steps_.mirror_x ? out_width_ - 1 - x : x; };
  if (!steps_.transpose) {
    uint8_t* row = dib_row(first_);
    const uint8_t* samples = band_.get();
    for (uint32_t x = 0; x < width_; ++x) Put(row, column(x), samples + pixel_bytes_ * x);
    return;
  }
  // Column x of the band becomes the run of DIB row x from column first_.
  for (uint32_t x = 0; x < width_; ++x) {
    uint8_t* row = dib_row(x);
    const uint8_t* sample = band_.get() + pixel_bytes_ * x;
    for (uint32_t b = 0; b < filled_; ++b, sample += row_bytes_)
      Put(row, column(first_ + b), sample);
  }
}
