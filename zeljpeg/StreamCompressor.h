// TJPEGStreamCompressor and TJPEGFileCompressor: JPEG compression into
// streams and files, and the unit's shared stream compressor.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "zeljpeg/Compressor.h"
#include "zeljpeg/Export.h"

class TStream;
class TPicture;

// Compresses into an attached stream through a fixed-size output buffer
// (4096 bytes after construction). The stream receives the datastream in
// writes of exactly the buffer size and one final write of the rest, from
// its current position; its position is left behind the last byte written.
// Every save attaches the stream for the one call and detaches it also when
// the compression fails; the stream is never closed or freed.
//
// A stream that accepts fewer bytes than offered ends the compression with
// the codec's "Suspension not allowed here" (a full buffer) or EWriteError
// "Stream write error" (the final write); what was written before stays.
class ZELJPEG_API TJPEGStreamCompressor : public TJPEGCompressor {
  VASK_CLASS(TJPEGStreamCompressor, TJPEGCompressor)
 public:
  // Allocates the 4096-byte buffer; the first stream compressor constructed
  // while SharedStreamCompressor is null registers itself there.
  explicit TJPEGStreamCompressor(TComponent* owner);
  // Clears SharedStreamCompressor if it refers to this component.
  ~TJPEGStreamCompressor() override;

  // Replaces the output buffer with one of size bytes, effective at the
  // next compression. Raises Exception "Cannot change buffer size while
  // buffer is in use" during a compression and while the buffer still holds
  // bytes of a failed one (nothing changes then); raises EOutOfMemory when
  // the block cannot be allocated (also for sizes of 0 or below), leaving the
  // component without a buffer: compressions then fail with a clear
  // Exception until a later SetBufSize succeeds.
  void SetBufSize(int32_t size);
  int32_t BufSize() const { return FBufSize; }

  // Attaches / detaches the stream that receives the datastream. Every save
  // below raises kBusyMessage, touching nothing, while the component is
  // Busy() (called from one of its own handlers).
  void OpenStream(TStream& stream) { FStream = &stream; }
  void CloseStream() { FStream = nullptr; }
  TStream* Stream() const { return FStream; }

  // The picture's graphic at its own size: a bitmap (also a TJPEGBitmap) as
  // SaveBitMapToStream, a metafile as SaveMetaFileToStream at the picture's
  // size. Anything else (nothing, an icon) raises Exception "cannot save a
  // picture that is neither a bitmap nor metafile".
  void SavePictureToStream(TPicture* picture, TStream& stream);
  // As SavePictureToStream, at width x height.
  void SaveStretchedPictureToStream(TPicture* picture, int32_t width, int32_t height,
                                    TStream& stream);
  void SaveBitMapToStream(TBitmap* bitmap, TStream& stream);
  void SaveStretchedBitMapToStream(TBitmap* bitmap, int32_t width, int32_t height, TStream& stream);
  // The metafile rendered at width x height.
  void SaveMetaFileToStream(TMetafile* metafile, TStream& stream, int32_t width, int32_t height);
  void SaveDIBitmapToStream(TStream& stream, const BITMAPINFO& info, const void* bits);
  // WriteRows into the stream.
  void SaveRowsToStream(TStream& stream, int32_t width, int32_t height, const TRowSource& rows);

 protected:
  void InitDestination() override;
  bool EmptyOutputBuffer() override;
  void TermDestination() override;

 private:
  TStream* FStream = nullptr;
  std::unique_ptr<uint8_t[]> FBuffer;
  int32_t FBufSize = 0;
};

// A stream compressor that saves to named files and publishes its settings
// (after Name and Tag): Warnings, Trace_Level, PercentDone, GrayscaleOutput,
// Comment, Quality (default 75), InputGamma, ProgressiveJPEG, DCTMethod,
// OptimizeCoding, RestartInterval, RestartInRows, SmoothingFactor,
// WriteJFIFHeader, DensityUnit, X_Density, Y_Density, WriteAllTables
// (default true), OnProgressReport, OnWriteMarkers, OnWarning.
//
// Each save first makes the checks that need no file (the component is not
// busy, the picture holds a bitmap or metafile, the bitmap or metafile is
// not empty, the metafile's size is within the pixel limit) and raises
// their exception with no file touched. Then it creates the file (or
// truncates an existing one), raising EFCreateError "Cannot create file %s"
// when it cannot; the file is closed also when the compression fails and
// then keeps what was written.
class ZELJPEG_API TJPEGFileCompressor : public TJPEGStreamCompressor {
  VASK_CLASS(TJPEGFileCompressor, TJPEGStreamCompressor)
 public:
  explicit TJPEGFileCompressor(TComponent* owner) : TJPEGStreamCompressor(owner) {}

  void SavePictureToFile(TPicture* picture, const std::string& file_name);
  void SaveStretchedPictureToFile(TPicture* picture, int32_t width, int32_t height,
                                  const std::string& file_name);
  void SaveBitmapToFile(TBitmap* bitmap, const std::string& file_name);
  void SaveStretchedBitmapToFile(TBitmap* bitmap, int32_t width, int32_t height,
                                 const std::string& file_name);
  void SaveMetafileToFile(TMetafile* metafile, int32_t width, int32_t height,
                          const std::string& file_name);

 private:
  // The checks above for a picture saved at width x height.
  void CheckPicture(TPicture* picture, int32_t width, int32_t height) const;
};

// The first-constructed live stream compressor, or null (declared with
// TJPEGBitmap as well).
extern ZELJPEG_API TJPEGStreamCompressor* SharedStreamCompressor;

// The encoder's part of the unit initialisation: registers
// TJPEGFileCompressor with the class registry. Runs once.
ZELJPEG_API void InitZeljpegEncoder();
