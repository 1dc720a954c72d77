#include "examples/convert/Lossless.h"

#include "examples/convert/Progress.h"
#include "examples/convert/Support.h"
#include "platform/classes/Streams.h"

void TransformJpeg(const ConvertOptions& o) {
  TJPEGFileTransformer t(nullptr);
  t.Transform = o.transform;
  t.AutoOrient = o.auto_orient;
  t.Trim = o.trim;
  t.Perfect = o.perfect;
  t.CopyMarkers = o.strip ? jcNone : jcAll;
  t.CropX = o.crop_x;
  t.CropY = o.crop_y;
  t.CropWidth = o.crop_width;
  t.CropHeight = o.crop_height;
  t.ProgressiveJPEG = o.progressive;
  t.OptimizeCoding = o.optimize;
  t.MaxPixels = o.max_pixels;
  t.MaxMemory = o.max_memory;
  t.MaxScans = o.max_scans;
  t.OnWarning = PrintWarning;
  ProgressBar bar("Transforming",
                  o.progress.value_or(StderrIsTerminal() && FileSize(o.input) >= kLargeJpegBytes));
  t.OnProgressReport = [&](TObject*) { bar.Update(t.GetPercentDone()); };
  t.TransformFile(o.input, o.output);
  if (t.PartialEdgeKept())
    PrintWarning(
        "the partial blocks at the right or bottom edge could not be moved losslessly and stay "
        "where they were (--trim drops them, --perfect refuses such images)");
}
