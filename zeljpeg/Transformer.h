// TJPEGTransformer: lossless rotations, mirrors and crops of JPEG data on its
// DCT coefficients, from stream to stream; TJPEGFileTransformer: the same
// from file to file, publishing the settings for form descriptions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/classes/Streams.h"
#include "platform/graphics/ImageLimits.h"
#include "zeljpeg/Export.h"
#include "zeljpeg/JPEGBase.h"
#include "zeljpeg/Markers.h"
#include "zeljpeg/Transforms.h"

// Rearranges the DCT coefficients of a JPEG datastream into a new datastream
// without decoding the pixels: nothing is quantised again, so the transformed
// image decodes to exactly the pixels of the original, moved. The output has
// the source's quantisation tables, sampling and colour space (transposed
// where the transform turns the image), and standard Huffman tables unless
// OptimizeCoding is set.
//
// Coefficients move in whole iMCUs (8 x 8 pixels for a gray image, usually
// 16 x 16 or 16 x 8 for colour), so an image whose size is not a multiple
// of that has a partial iMCU column at the right and row at the bottom.
// Transpose moves them correctly; a mirror along an axis with a partial iMCU
// leaves that edge strip where it was, unmirrored (so that every transform
// stays reversible). Set Trim to drop such strips, or Perfect to refuse the
// transform instead.
//
// Like the other components: warnings go to OnWarning, OnProgressReport runs
// while the source is read and while the output is written (PercentDone: the
// two halves of 0 to 100), Abort() from it stops the transform with "User
// Interrupt". Any failure leaves the component idle for the next transform.
class ZELJPEG_API TJPEGTransformer : public TJPEGBase {
  VASK_CLASS(TJPEGTransformer, TJPEGBase)
 public:
  // Raises EOutOfMemory.
  explicit TJPEGTransformer(TComponent* owner);
  ~TJPEGTransformer() override;

  // Raised by a transform started while the component is Busy().
  static constexpr const char* kBusyMessage = "The JPEG transformer is busy with another image";

  // Settings; each takes effect at the next transform.
  TJPEGTransform Transform = jtNone;
  // First turns the image upright by the EXIF orientation of its first
  // APP1 segment (then Transform applies to the upright image), and writes
  // orientation 1 into the copied EXIF data when it turned anything.
  bool AutoOrient = false;
  bool Trim = false;     // drop partial edge iMCUs a mirror cannot move
  bool Perfect = false;  // refuse a transform that would leave such an edge
  // The source's extra segments to copy; JFIF and Adobe segments that the
  // output writes itself are never copied.
  TJPEGCopyMarkers CopyMarkers = jcComments;
  // Crop to CropWidth x CropHeight pixels at (CropX, CropY) of the
  // transformed (and trimmed) image; a width and height of 0 keep the whole
  // image. The corner moves up and left to the nearest iMCU boundary (the
  // lower right corner stays), so the output may be a little larger than
  // asked. A region that does not lie inside the image raises Exception.
  int32_t CropX = 0, CropY = 0, CropWidth = 0, CropHeight = 0;
  bool ProgressiveJPEG = false;  // progressive output (the codec's simple script)
  bool OptimizeCoding = false;   // optimal Huffman tables
  // Limits on the source, as the decompressor's (0: none): its pixels, the
  // codec memory of both images' coefficients, and its scans.
  int64_t MaxPixels = kDefaultMaxPixels;
  int64_t MaxMemory = kJpegMaxCodecMemory;
  int32_t MaxScans = 1000;

  // Reads a JPEG datastream from source (at its position) and writes the
  // transformed one to dest (at its position). Raises Exception for codec
  // errors (with the codec's message), "Transformation is not perfect ...",
  // a crop region outside the image, the limits above, "User Interrupt";
  // and the streams' own exceptions. What was written to dest before a
  // failure stays there. Streams are never closed or freed.
  void TransformStream(TStream& source, TStream& dest);

  // The size of the image the last successful transform wrote.
  uint32_t OutputWidth() const { return FOutputWidth; }
  uint32_t OutputHeight() const { return FOutputHeight; }
  // The transform it applied: Transform after the EXIF orientation.
  TJPEGTransform AppliedTransform() const { return FApplied; }
  // True when its output holds a partial edge iMCU that a mirror left where
  // it was, untransformed (neither Trim nor Perfect was set).
  bool PartialEdgeKept() const { return FPartialEdgeKept; }

 protected:
  void CreateJPEGObject(jpeg_error_mgr& err) override;

 private:
  friend struct TTransformerBridges;

  void Run();
  // The progress of one phase (0 reading, 1 writing) as the component's.
  void PhaseProgress(int phase, const jpeg_progress_mgr& codec);
  void SaveMarkers();
  int SourceOrientation() const;
  void CopySavedMarkers(bool oriented);
  void ResetCodecObjects();

  // Source and destination callbacks.
  void InitSource();
  bool FillInputBuffer();
  void SkipInputData(long num_bytes);
  void InitDestination();
  bool EmptyOutputBuffer();
  void TermDestination();

  jpeg_decompress_struct FDecompress{};
  jpeg_compress_struct FCompress{};
  jpeg_source_mgr FSource{};
  jpeg_destination_mgr FDestination{};
  jpeg_progress_mgr FReadProgress{};
  jpeg_progress_mgr FWriteProgress{};
  bool FCompressCreated = false;
  std::unique_ptr<uint8_t[]> FInBuffer;
  std::unique_ptr<uint8_t[]> FOutBuffer;
  TStream* FSourceStream = nullptr;
  TStream* FDestStream = nullptr;
  int64_t FBytesRead = 0;
  uint32_t FOutputWidth = 0, FOutputHeight = 0;
  TJPEGTransform FApplied = jtNone;
  bool FPartialEdgeKept = false;
};

// A transformer with a file front end. Publishes (after Name and Tag)
// Warnings, Trace_Level, PercentDone, Transform, AutoOrient, Trim, Perfect,
// CopyMarkers, CropX, CropY, CropWidth, CropHeight, ProgressiveJPEG,
// OptimizeCoding, MaxPixels, MaxMemory, MaxScans, OnProgressReport, OnWarning.
class ZELJPEG_API TJPEGFileTransformer : public TJPEGTransformer {
  VASK_CLASS(TJPEGFileTransformer, TJPEGTransformer)
 public:
  using TJPEGTransformer::TJPEGTransformer;

  // Transforms the file source into the file dest (which may be the same
  // file): dest is replaced only when the transform succeeded. Raises
  // EFOpenError and EFCreateError for files that cannot be opened or
  // created, then as TransformStream.
  void TransformFile(const std::string& source, const std::string& dest);
};

// Registers TJPEGTransformer and TJPEGFileTransformer with the class
// registry, so that form descriptions can create them; runs once.
ZELJPEG_API void InitZeljpegTransformer();
