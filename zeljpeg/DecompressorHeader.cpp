// TJPEGDecompressor: what a header read tells (size, coding, density, EXIF
// orientation, ICC profile, kept segments) and the scale of the decode.
#include <utility>

#include "zeljpeg/Decompressor.h"
#include "zeljpeg/Exif.h"
#include "zeljpeg/ICCProfile.h"

const TEnumNames& JPEGScaleNames() {
  static const TEnumNames names{{"jsFullSize", "jsHalf", "jsQuarter", "jsEighth", "jsOther"}, {}};
  return names;
}

namespace {

// The codec's state code after a header read and before a decode starts
// (its DSTATE_READY): the only state in which it computes output sizes.
constexpr int kCodecHeaderReadState = 202;

// The most bytes of segments kept for one header: far more than an ICC
// profile (at most 255 segments, about 16 MB) and any EXIF or XMP data.
constexpr size_t kMaxKeptBytes = size_t{64} << 20;

// The largest scale numerator and denominator: the codec multiplies them by
// 16 in unsigned arithmetic, which must not wrap.
constexpr int32_t kMaxScaleTerm = 65535;

}  // namespace

TJPEGScale TJPEGDecompressor::Scale() const {
  if (FScaleNumerator != 1) return jsOther;
  switch (FScaleDenominator) {
    case 1:
      return jsFullSize;
    case 2:
      return jsHalf;
    case 4:
      return jsQuarter;
    case 8:
      return jsEighth;
    default:
      return jsOther;
  }
}

void TJPEGDecompressor::SetScale(TJPEGScale value) {
  static constexpr int32_t kDenominators[] = {1, 2, 4, 8};
  if (value > jsEighth) return;  // jsOther names no factor
  FScaleNumerator = 1;
  FScaleDenominator = kDenominators[value];
  ApplyScale();
}

void TJPEGDecompressor::SetScaleNumerator(int32_t value) {
  if (value < 1 || value > kMaxScaleTerm)
    throw Exception(Format("Scale numerator %d is not valid (1 to %d)", value, kMaxScaleTerm));
  FScaleNumerator = value;
  ApplyScale();
}

void TJPEGDecompressor::SetScaleDenominator(int32_t value) {
  if (value < 1 || value > kMaxScaleTerm)
    throw Exception(Format("Scale denominator %d is not valid (1 to %d)", value, kMaxScaleTerm));
  FScaleDenominator = value;
  ApplyScale();
}

void TJPEGDecompressor::ApplyScale() {
  FDecompress.scale_num = static_cast<unsigned>(FScaleNumerator);
  FDecompress.scale_denom = static_cast<unsigned>(FScaleDenominator);
  if (FDecompress.global_state == kCodecHeaderReadState) jpeg_calc_output_dimensions(&FDecompress);
}

TJPEGTransform TJPEGDecompressor::OrientationApplied() const {
  return AutoOrient ? OrientationTransform(FHeader.orientation) : jtNone;
}

uint32_t TJPEGDecompressor::OutputWidth() const {
  return SwapsAxes(OrientationApplied()) ? FDecompress.output_height : FDecompress.output_width;
}

uint32_t TJPEGDecompressor::OutputHeight() const {
  return SwapsAxes(OrientationApplied()) ? FDecompress.output_width : FDecompress.output_height;
}

void TJPEGDecompressor::ScaleToFit(int32_t width, int32_t height) {
  if (FDecompress.global_state != kCodecHeaderReadState)
    throw Exception("ScaleToFit needs the header of an image: call ReadHeader or OpenStream first");
  const bool turned = SwapsAxes(OrientationApplied());
  int32_t fit_width = 0, fit_height = 0;
  FitInside(turned ? FHeader.height : FHeader.width, turned ? FHeader.width : FHeader.height, width,
            height, fit_width, fit_height);
  // The codec's own sizes decide: the first factor M/8 that covers the fit.
  for (int32_t m = 1; m <= 8; ++m) {
    FScaleNumerator = m == 8 ? 1 : m;
    FScaleDenominator = m == 8 ? 1 : 8;
    ApplyScale();
    if (OutputWidth() >= static_cast<uint32_t>(fit_width) &&
        OutputHeight() >= static_cast<uint32_t>(fit_height))
      return;
  }
}

void TJPEGDecompressor::BeginHeader() {
  FHeader = THeader{};
  FMarkers.clear();
  FICCSegments.clear();
  FICCProfile.clear();
  FKeptBytes = 0;
  FExifSeen = false;
  FKeptLimitReported = false;
}

void TJPEGDecompressor::EndHeader() {
  const jpeg_decompress_struct& d = FDecompress;
  FHeader.width = d.image_width;
  FHeader.height = d.image_height;
  FHeader.components = d.num_components;
  FHeader.progressive = d.progressive_mode != FALSE;
  if (d.saw_JFIF_marker) {
    FHeader.density_unit = d.density_unit;
    FHeader.x_density = d.X_density;
    FHeader.y_density = d.Y_density;
  }
  FICCProfile = AssembleICCProfile(&FDecompress, FICCSegments);
  FICCSegments.clear();
  FICCSegments.shrink_to_fit();
}

bool TJPEGDecompressor::WantsSegment(int marker) const {
  if (marker == JPEG_COM) return SaveMarkers != jcNone;
  return SaveMarkers == jcAll || marker == JPEG_APP0 + 2 || (marker == JPEG_APP0 + 1 && !FExifSeen);
}

void TJPEGDecompressor::KeepSegment(int marker, const uint8_t* data, size_t size) {
  const bool exif = marker == JPEG_APP0 + 1 && IsExifSegment(data, size);
  if (exif && !FExifSeen) {
    // The first EXIF segment tells the orientation, as other readers take it.
    FExifSeen = true;
    const int orientation = ReadExifOrientation(data, size);
    if (orientation != 0) FHeader.orientation = orientation;
  }
  const bool icc = IsICCSegment(marker, data, size);
  const bool asked = SaveMarkers == jcAll || (SaveMarkers == jcComments && marker == JPEG_COM);
  if (!icc && !asked) return;
  const size_t copies = (icc ? 1 : 0) + (asked ? 1 : 0);
  if (FKeptBytes + copies * size > kMaxKeptBytes) {
    if (!FKeptLimitReported) {
      FKeptLimitReported = true;
      DeliverWarning("JPEG segments beyond 64 MB in one image are not kept");
    }
    return;
  }
  FKeptBytes += copies * size;
  std::vector<uint8_t> bytes(data, data + size);
  if (icc && asked)
    FICCSegments.push_back(TJPEGMarker{marker, bytes});
  else if (icc)
    FICCSegments.push_back(TJPEGMarker{marker, std::move(bytes)});
  if (asked) FMarkers.push_back(TJPEGMarker{marker, std::move(bytes)});
}
