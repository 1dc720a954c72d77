// TJPEGDecompressor's thumbnails: a decode at the smallest DCT scale that
// covers the thumbnail, then an area-averaging shrink.
#include <algorithm>
#include <memory>

#include "platform/graphics/Graphics.h"
#include "zeljpeg/DIBFromBitmap.h"
#include "zeljpeg/Decompressor.h"

void FitInside(int64_t width, int64_t height, int32_t box_width, int32_t box_height,
               int32_t& fit_width, int32_t& fit_height) {
  if (box_width < 1 || box_height < 1)
    throw Exception(Format("A picture cannot fit inside %d x %d pixels", box_width, box_height));
  if (width < 1 || height < 1) throw Exception("An empty image has no size to fit");
  if (width <= box_width && height <= box_height) {
    fit_width = static_cast<int32_t>(width);
    fit_height = static_cast<int32_t>(height);
    return;
  }
  // The side that meets the box first takes its size; the other keeps the
  // aspect, rounded to the nearest pixel and at least 1.
  if (width * box_height >= height * box_width) {
    fit_width = box_width;
    fit_height =
        static_cast<int32_t>(std::max<int64_t>(1, (2 * height * box_width + width) / (2 * width)));
  } else {
    fit_height = box_height;
    fit_width = static_cast<int32_t>(
        std::max<int64_t>(1, (2 * width * box_height + height) / (2 * height)));
  }
}

TBitmap* TJPEGDecompressor::ReadThumbnail(int32_t width, int32_t height) {
  // The scale stays the caller's setting.
  const int32_t numerator = FScaleNumerator, denominator = FScaleDenominator;
  struct TRestoreScale {
    TJPEGDecompressor& d;
    int32_t numerator, denominator;
    ~TRestoreScale() {
      d.FScaleNumerator = numerator;
      d.FScaleDenominator = denominator;
    }
  } restore{*this, numerator, denominator};
  ScaleToFit(width, height);
  const bool turned = SwapsAxes(OrientationApplied());
  int32_t fit_width = 0, fit_height = 0;
  FitInside(turned ? FHeader.height : FHeader.width, turned ? FHeader.width : FHeader.height, width,
            height, fit_width, fit_height);
  std::unique_ptr<TBitmap> decoded(ReadBitmap());
  if (decoded->Width() == fit_width && decoded->Height() == fit_height) return decoded.release();
  return ReSizeBitmap(decoded.get(), fit_width, fit_height);
}
