#include "examples/convert/Metadata.h"

#include <memory>
#include <vector>

void CopyMetadata(const TJPEGDecompressor& d, TJPEGCompressor& c, bool oriented) {
  c.SetICCProfile(d.ICCProfile());
  auto segments = std::make_shared<std::vector<TJPEGMarker>>();
  bool exif_seen = false;
  for (const TJPEGMarker& m : d.Markers()) {
    // The profile goes in through the property, which splits it as needed.
    if (IsICCSegment(m.Marker, m.Data.data(), m.Data.size())) continue;
    segments->push_back(m);
    TJPEGMarker& copy = segments->back();
    if (oriented && !exif_seen && copy.Marker == JPEG_APP0 + 1 &&
        IsExifSegment(copy.Data.data(), copy.Data.size())) {
      exif_seen = true;
      WriteExifOrientation(copy.Data.data(), copy.Data.size(), 1);
    }
  }
  c.OnWriteMarkers = [segments, &c](TObject*) {
    for (const TJPEGMarker& m : *segments)
      c.WriteMarker(m.Marker, m.Data.data(), static_cast<int32_t>(m.Data.size()));
  };
}
