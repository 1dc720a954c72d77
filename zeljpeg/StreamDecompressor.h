// TJPEGStreamDecompressor: the decompressor reading a TStream through a
// read-ahead buffer, with its stream, resource and DIB front ends;
// TJPEGFileDecompressor: the same with a file front end, publishing the
// decompressor's properties for form descriptions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/classes/Streams.h"
#include "zeljpeg/Decompressor.h"
#include "zeljpeg/Export.h"

class TPicture;

class ZELJPEG_API TJPEGStreamDecompressor : public TJPEGDecompressor {
  VASK_CLASS(TJPEGStreamDecompressor, TJPEGDecompressor)
 public:
  // Allocates a 4096-byte read buffer; the first instance constructed while
  // SharedStreamDecompressor is nil becomes the shared one.
  explicit TJPEGStreamDecompressor(TComponent* owner);
  ~TJPEGStreamDecompressor() override;

  // Replaces the read buffer with one of value bytes. Raises Exception
  // "Cannot change buffer size while buffer is in use" while the last decode
  // left unread bytes in the buffer (nothing changes then), and EOutOfMemory
  // for 0 or a size that cannot be allocated (the component then has no
  // buffer, and decodes raise until a later SetBufSize succeeds).
  void SetBufSize(int32_t value);
  int32_t BufSize() const { return FBufSize; }

  // As TJPEGBase::Abort; a memory stream read in place is left as
  // buffered reading leaves it (see below).
  void Abort() override;

  // Attaches stream (read from its current position) and reads the JPEG
  // header; on failure detaches it again before the exception propagates.
  // A stream attached before and not closed is replaced. Raises kBusyMessage
  // when called while the component is Busy(), without touching anything.
  void OpenStream(TStream& stream);
  // Detaches the stream; never closes or frees it.
  void CloseStream();
  // The attached stream, or null.
  TStream* Stream() const { return FStream; }

  // Every front end attaches its stream for the call only, detaches it also
  // on failure, and leaves the codec object idle. Bytes read ahead past the
  // image (at most the buffer size) are not given back to the stream. A
  // stream that cannot seek (a pipe) is read all the same: skipped bytes are
  // read and dropped.
  //
  // Speed: the codec decodes fastest when it has many bytes at hand (its
  // Huffman decoder takes its fast path only while about 512 bytes per block
  // of a row of blocks are buffered, 3072 for a 4:2:0 image), more than the
  // 4096 bytes of the default buffer give it. A TMemoryStream or
  // TResourceStream is therefore read in place: the codec is handed all of
  // the stream's remaining bytes at once. What a caller sees stays as with
  // buffered reading: the stream's position moves in steps of the buffer
  // size as the codec reads (brought up to date whenever a progress, warning
  // or comment event runs, and when a header read or decode ends), the bytes
  // left in the buffer afterwards are the same, and the end of the data is
  // met in the same way. Other streams (files, pipes) are read through the
  // buffer; SetBufSize(kFastBufSize) lets the codec take its fast path there
  // too, at the cost of reading further ahead.
  static constexpr int32_t kFastBufSize = 65536;

  // Decodes stream into a new TBitmap (ReadBitmap); the caller owns it.
  TBitmap* ReadBitMapFromStream(TStream& stream);
  // Decodes stream into picture (which keeps a copy of the bitmap). Raises
  // Exception "The Image Property is empty!" for a null picture, before
  // reading anything.
  void LoadPictureFromStream(TPicture* picture, TStream& stream);
  // As LoadPictureFromStream, from the program resource of type "JPEG" with
  // that name or integer id in module instance. A missing resource raises
  // EResNotFound.
  void LoadPictureFromResource(TPicture* picture, HINSTANCE instance, const std::string& res_name);
  void LoadPictureFromResID(TPicture* picture, HINSTANCE instance, int32_t res_id);
  // Decodes stream into a DIB: info (GetBitmapInfoSize(type) bytes, by the
  // caller) is filled, and bits_handle receives a new unlocked movable
  // global block holding the rows, which the caller frees with GlobalFree.
  // On failure bits_handle is 0 and no block is left allocated.
  void ReadDIBitmapFromStream(TStream& stream, BITMAPINFO* info, TJPEGOutputType type,
                              HGLOBAL& bits_handle);
  // Decodes source and writes a BMP file to dest at its position: the
  // 14-byte file header, the header and whole colour-table area of the type,
  // then the pixel block sized before decoding (GetDIBitsSize).
  void ConvertToDIB(TStream& source, TStream& dest, TJPEGOutputType type);

 protected:
  void InitSource() override;
  bool FillInputBuffer() override;
  void SkipInputBytes(int32_t num_bytes) override;
  bool ResyncToRestart(int32_t desired) override;
  void TermSource() override;
  void DoProgress() override;
  void Warning(int32_t msg_level) override;
  bool DoJPEGComment(const char* comment) override;

 private:
  // Reading a memory stream in place. The window is the stream's bytes from
  // where the codec was handed them; model_end is where buffered reading
  // would have left the stream's position (the end of its buffer).
  struct TInPlace {
    const uint8_t* window = nullptr;  // null: reading through the buffer
    int64_t start = 0;                // stream offset of window[0]
    int64_t size = 0;                 // bytes in the window
    int64_t model_end = 0;
    int64_t stream_end = 0;  // the stream's size
  };
  // The memory of the attached stream from its position to its end, when it
  // is a stream read in place; false otherwise.
  bool StreamMemory(const uint8_t*& data, int64_t& position, int64_t& size);
  // Brings model_end up to the refills buffered reading would have made to
  // give the codec what it has taken, and sets the stream's position there.
  void SyncInPlace();
  // Ends in-place reading: the bytes buffered reading would still hold go
  // into the read buffer, exactly as it would hold them.
  void EndInPlace();

  // True when the stream gave no byte at all: its position is 0, or, for a
  // stream that cannot tell its position, nothing was read since the header
  // read began.
  bool StreamHeldNoData();

  TStream* FStream = nullptr;
  std::unique_ptr<uint8_t[]> FBuffer;
  int32_t FBufSize = 4096;
  int64_t FBytesRead = 0;  // since the header read began
  TInPlace FInPlace;
};

// A stream decompressor that also loads pictures from files, and publishes
// (after Name and Tag) Warnings, Trace_Level, PercentDone, ColoursIn8bitMode,
// GrayScaleOutput, OnJPEGComment, OnJPEGMarker, TwoPassQuantize, DitherMode,
// DCTMethod, DoFancyUpSampling, DoBlockSmoothing, MaxPixels, MaxMemory,
// MaxScans, Scale, ScaleNumerator, ScaleDenominator, AutoOrient, SaveMarkers,
// OnProgressReport, OnWarning.
class ZELJPEG_API TJPEGFileDecompressor : public TJPEGStreamDecompressor {
  VASK_CLASS(TJPEGFileDecompressor, TJPEGStreamDecompressor)
 public:
  using TJPEGStreamDecompressor::TJPEGStreamDecompressor;

  // Decodes the file into picture. Raises EFOpenError when the file cannot
  // be opened, then as LoadPictureFromStream.
  void LoadPictureFromFile(TPicture* picture, const std::string& file_name);
};

// The earliest-constructed live stream decompressor (either class), or nil.
// Written only by the constructor and destructor above; not owned.
extern ZELJPEG_API TJPEGStreamDecompressor* SharedStreamDecompressor;

// Registers TJPEGStreamDecompressor and TJPEGFileDecompressor with the class
// registry, so that form descriptions can create them; runs once.
ZELJPEG_API void InitZeljpegDecoder();
