#include "examples/convert/Support.h"

#include <cstdio>

#include "platform/classes/Streams.h"

void PrintWarning(const char* message) {
  std::fprintf(stderr, "zeljpeg-convert: warning: %s\n", message);
}

int64_t FileSize(const std::string& file_name) {
  try {
    TFileStream file(file_name, fmOpenRead);
    return file.Size();
  } catch (const Exception&) {
    return 0;
  }
}

void ApplyDecodeOptions(TJPEGDecompressor& d, const ConvertOptions& o) {
  d.MaxPixels = o.max_pixels;
  d.MaxMemory = o.max_memory;
  d.MaxScans = o.max_scans;
  d.OnWarning = PrintWarning;
  d.AutoOrient = o.auto_orient;
  d.SetScaleNumerator(o.scale_num);
  d.SetScaleDenominator(o.scale_denom);
  d.SaveMarkers = o.to_jpeg && !o.strip ? jcAll : jcNone;
}
