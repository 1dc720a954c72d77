#include "examples/convert/Info.h"

#include <cstdio>

#include "examples/convert/Support.h"
#include "platform/classes/Streams.h"

namespace {

const char* ColorSpaceName(J_COLOR_SPACE space) {
  switch (space) {
    case JCS_GRAYSCALE:
      return "Grayscale";
    case JCS_RGB:
      return "RGB";
    case JCS_YCbCr:
      return "YCbCr";
    case JCS_CMYK:
      return "CMYK";
    case JCS_YCCK:
      return "YCCK";
    default:
      return "Unknown";
  }
}

const char* DensityUnitName(uint8_t unit) {
  return unit == 1 ? "dpi" : unit == 2 ? "dpcm" : "none";
}

}  // namespace

void PrintInfo(const ConvertOptions& o) {
  TFileStream input(o.input, fmOpenRead);
  TJPEGStreamDecompressor d(nullptr);
  ApplyDecodeOptions(d, o);
  d.OpenStream(input);
  if (o.fit_width > 0) d.ScaleToFit(o.fit_width, o.fit_height);
  int32_t width = static_cast<int32_t>(d.OutputWidth());
  int32_t height = static_cast<int32_t>(d.OutputHeight());
  if (o.fit_width > 0) {
    // The shrink after the scaled decode.
    const bool turned = SwapsAxes(d.OrientationApplied());
    FitInside(turned ? d.ImageHeight() : d.ImageWidth(), turned ? d.ImageWidth() : d.ImageHeight(),
              o.fit_width, o.fit_height, width, height);
  }
  std::printf(
      "width: %u\nheight: %u\ncomponents: %d\ncolor-space: %s\nprogressive: %s\n"
      "density-unit: %s\nx-density: %u\ny-density: %u\norientation: %d\nicc-profile-size: %d\n"
      "output-width: %d\noutput-height: %d\n",
      static_cast<unsigned>(d.ImageWidth()), static_cast<unsigned>(d.ImageHeight()),
      static_cast<int>(d.NumComponents()), ColorSpaceName(d.JPEGColorSpace()),
      d.Progressive() ? "yes" : "no", DensityUnitName(d.DensityUnit()),
      static_cast<unsigned>(d.X_Density()), static_cast<unsigned>(d.Y_Density()),
      static_cast<int>(d.ExifOrientation()), static_cast<int>(d.ICCProfileSize()),
      static_cast<int>(width), static_cast<int>(height));
  d.CloseStream();
}
