// TJPEGCompressor: compresses device-independent bitmaps, bitmaps and
// enhanced metafiles into JPEG datastreams through an abstract destination.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "zeljpeg/DIBFromBitmap.h"
#include "zeljpeg/Export.h"
#include "zeljpeg/JPEGBase.h"

class TBitmap;
class TMetafile;

// Bridges installed in the codec's destination manager: each calls the
// destination operation of JPEGOwner<TJPEGCompressor>(cinfo).
ZELJPEG_API void JPEGInitDestination(j_compress_ptr cinfo);
ZELJPEG_API boolean JPEGEmptyOutputBuffer(j_compress_ptr cinfo);
ZELJPEG_API void JPEGTermDestination(j_compress_ptr cinfo);

// One codec compression object, owned for the component's life. Settings are
// kept partly in the component (Comment, ProgressiveJPEG, WriteAllTables,
// Quality, GrayscaleOutput) and partly straight in the codec object (the
// others); they last from one compression to the next.
//
// Each Write* call is one compression: start of image, JFIF marker, the
// comment marker (when Comment is not empty), the markers OnWriteMarkers
// writes, then tables, frame, scans and end of image. A failure of any kind
// (codec error, handler exception, "User Interrupt", destination failure)
// resets the codec object before the exception leaves the call, so the
// component compresses the next image normally.
//
// Where the bytes go is up to a descendant: InitDestination, EmptyOutputBuffer
// and TermDestination raise EAbstractError here.
class ZELJPEG_API TJPEGCompressor : public TJPEGBase {
  VASK_CLASS(TJPEGCompressor, TJPEGBase)
 public:
  // Creates the codec object with three-component blue-green-red input,
  // the codec's defaults and quality 75. Raises EOutOfMemory.
  explicit TJPEGCompressor(TComponent* owner);
  ~TJPEGCompressor() override;

  // --- Settings kept in the component.
  // Text of a comment marker written at each compression; empty: none.
  const std::string& Comment() const { return FComment; }
  void SetComment(const std::string& value) { FComment = value; }
  // An ICC colour profile written at each compression (APP2 segments of at
  // most 65519 bytes of it each, right after the JFIF segment, as the
  // codec's jpeg_write_icc_profile writes them); empty: none. A profile
  // longer than 255 segments hold (about 16 MB) raises Exception.
  const std::vector<uint8_t>& ICCProfile() const { return FICCProfile; }
  void SetICCProfile(std::vector<uint8_t> value);
  // Progressive datastream (the codec's simple progression script).
  bool ProgressiveJPEG() const { return FProgressiveJPEG; }
  void SetProgressiveJPEG(bool value) { FProgressiveJPEG = value; }
  // False: no quantisation or Huffman tables in the datastream.
  bool WriteAllTables() const { return FWriteAllTables; }
  void SetWriteAllTables(bool value) { FWriteAllTables = value; }
  // The last value given to SetQuality (kept as given; the codec clamps to
  // 1..100). SetQuality rebuilds quantisation tables 0 and 1 at once, limiting
  // every value to 1..255 (baseline), replacing what AddQuantTable put there.
  int32_t Quality() const { return FQuality; }
  void SetQuality(int32_t value);
  // One-component grayscale datastream instead of YCbCr.
  bool GrayscaleOutput() const { return FGrayscaleOutput; }
  void SetGrayscaleOutput(bool value) { FGrayscaleOutput = value; }

  // --- Settings kept in the codec object.
  double InputGamma() const { return FCompressInfo.input_gamma; }
  void SetInputGamma(double value) { FCompressInfo.input_gamma = value; }
  J_DCT_METHOD DCTMethod() const { return FCompressInfo.dct_method; }
  void SetDCTMethod(J_DCT_METHOD value) { FCompressInfo.dct_method = value; }
  // An extra pass computes optimal Huffman tables.
  bool OptimizeCoding() const { return FCompressInfo.optimize_coding != 0; }
  void SetOptimizeCoding(bool value) { FCompressInfo.optimize_coding = value ? TRUE : FALSE; }
  // MCUs between restart markers; 0: none.
  uint32_t RestartInterval() const { return FCompressInfo.restart_interval; }
  void SetRestartInterval(uint32_t value) { FCompressInfo.restart_interval = value; }
  // Above 0: the restart interval in MCU rows.
  int32_t RestartInRows() const { return FCompressInfo.restart_in_rows; }
  void SetRestartInRows(int32_t value) { FCompressInfo.restart_in_rows = value; }
  // Input smoothing, 0 (off) to 100.
  int32_t SmoothingFactor() const { return FCompressInfo.smoothing_factor; }
  void SetSmoothingFactor(int32_t value) { FCompressInfo.smoothing_factor = value; }
  // Set to true again by the colour-space selection of every compression.
  bool WriteJFIFHeader() const { return FCompressInfo.write_JFIF_header != 0; }
  void SetWriteJFIFHeader(bool value) { FCompressInfo.write_JFIF_header = value ? TRUE : FALSE; }
  // JFIF density: unit 0 (aspect ratio), 1 (dots per inch), 2 (per cm).
  uint8_t DensityUnit() const { return FCompressInfo.density_unit; }
  void SetDensityUnit(uint8_t value) { FCompressInfo.density_unit = value; }
  uint16_t X_Density() const { return FCompressInfo.X_density; }
  void SetX_Density(uint16_t value) { FCompressInfo.X_density = value; }
  uint16_t Y_Density() const { return FCompressInfo.Y_density; }
  void SetY_Density(uint16_t value) { FCompressInfo.Y_density = value; }

  // Called once per compression after the comment marker, sender = this
  // component; the handler may call WriteMarker. An exception from it ends
  // the compression.
  TNotifyEvent OnWriteMarkers;

  // Copies source's settings (everything the setters above set, the ICC
  // profile, the quantisation tables and the trace level), not its event
  // handlers. Call
  // while both are idle.
  void AssignSettings(const TJPEGCompressor& source);

  // --- Codec calls, valid while idle.
  // jpeg_add_quant_table with the same values (64 basic values in the
  // codec's order). Codec errors raise Exception.
  void AddQuantTable(int32_t which_tbl, const uint32_t* basic_table, int32_t scale_factor,
                     bool force_baseline);
  // jpeg_set_colorspace; lasts until the next compression selects it again.
  void SetColorSpace(J_COLOR_SPACE color_space);

  // --- The destination manager's buffer state, for descendants' callbacks.
  JOCTET* GetNextOut() const { return FDestination->next_output_byte; }
  void SetNextOut(JOCTET* value) { FDestination->next_output_byte = value; }
  int32_t GetFreeIn() const { return static_cast<int32_t>(FDestination->free_in_buffer); }
  void SetFreeIn(int32_t value) { FDestination->free_in_buffer = static_cast<size_t>(value); }

  // Raised by a compression started while the component is Busy().
  static constexpr const char* kBusyMessage = "The JPEG compressor is busy with another image";

  // --- Compressions.
  // Compresses a DIB: info is a BITMAPINFOHEADER of 40 bytes or one of its
  // larger versions (52, 56, 108 or 124 bytes, as biSize says) followed, for
  // 4 and 8 bits, by the full colour table of 16 or 256 entries; bits are the rows,
  // bottom-up, each padded to 4 bytes. Raises Exception "Unable to compress
  // at %d bit resolution" for bit counts other than 4, 8 and 24, and a clear
  // Exception for DIBs it cannot read safely (top-down, compressed, other
  // header sizes, a shorter colour table, negative or oversized width, no
  // pixels); nothing is written then. "User Interrupt" after Abort() from
  // OnProgressReport; codec errors with the codec's message.
  void WriteDIBitmap(const BITMAPINFO& info, const void* bits);
  // Supplies row y of an image (0: the top row) as width x 3 bytes, blue,
  // green, red for each pixel. The bytes must stay valid until the next call;
  // an exception it raises ends the compression as any failure does.
  using TRowSource = std::function<const uint8_t*(uint32_t y)>;
  // Compresses a width x height image whose rows the source supplies, top row
  // first, exactly as WriteDIBitmap compresses a 24-bit DIB of the same
  // pixels (settings, markers, events, progress and failures alike), for an
  // image that is not held in memory as a whole. Raises Exception for a
  // negative size and the codec's "Maximum supported image dimension is %d
  // pixels" for a larger one; nothing is written then.
  void WriteRows(int32_t width, int32_t height, const TRowSource& rows);
  // Compresses the bitmap at its own size from a DIB at bmDefault depth.
  // Raises what CheckBitmap raises.
  void WriteBitmap(TBitmap* bitmap);
  // Compresses the bitmap resized to width x height.
  void WriteStretchedBitmap(TBitmap* bitmap, int32_t width, int32_t height);
  // Compresses the metafile rendered at width x height on white. Raises
  // what CheckMetafile raises.
  void WriteMetaFile(TMetafile* metafile, int32_t width, int32_t height);

  // The checks the two calls above make before they compress anything, for
  // callers that want to know in advance (the file front ends, before they
  // create the file). CheckBitmap raises Exception "No bitmap to compress"
  // and "Cannot compress an empty bitmap"; CheckMetafile "No metafile to
  // compress", "Cannot compress an empty metafile", and the pixel limit of
  // CheckPixelLimit with kDefaultMaxPixels for width x height.
  static void CheckBitmap(TBitmap* bitmap);
  static void CheckMetafile(TMetafile* metafile, int32_t width, int32_t height);
  // jpeg_write_marker; valid only inside OnWriteMarkers. Elsewhere the codec
  // raises "Improper call to JPEG library in state %d". Data longer than
  // 65533 bytes fails with the codec's "Bogus marker length".
  void WriteMarker(int32_t marker, const void* data, int32_t length);

  // DIB construction (see DIBFromBitmap.h); no state of the component is used.
  void GetBitmapInfoHeader(HBITMAP bitmap, TBitmapResolution resolution, BITMAPINFOHEADER& header);
  void GetDIBSizes(HBITMAP bitmap, TBitmapResolution resolution, int32_t& header_size,
                   int32_t& image_size);
  void Bitmap2DIB(TBitmap* bitmap, TBitmapResolution resolution, void* header_block, void* bits);

 protected:
  void CreateJPEGObject(jpeg_error_mgr& err) override;
  // Destination operations, called by the codec through the bridges.
  // Prepare the buffer (inside the start of a compression).
  virtual void InitDestination();
  // The buffer is full: empty it; true when it was emptied completely.
  virtual bool EmptyOutputBuffer();
  // The datastream is complete: flush what the buffer holds.
  virtual void TermDestination();

 private:
  friend void JPEGInitDestination(j_compress_ptr);
  friend boolean JPEGEmptyOutputBuffer(j_compress_ptr);
  friend void JPEGTermDestination(j_compress_ptr);

  // The steps from the codec's start call to its finish call.
  // rows gives the picture's row y (0: the top) as blue-green-red samples.
  void CompressRows(const std::function<JSAMPROW(JDIMENSION y)>& rows);
  // What WriteDIBitmap and WriteRows do around CompressRows: the codec
  // fields a compression derives are given their settings back, and any
  // failure returns the codec object to its start state.
  void Compress(const std::function<JSAMPROW(JDIMENSION y)>& rows);
  // Puts the standard Huffman tables back: an optimised compression leaves
  // the tables of its image in the codec object.
  void RestoreStandardHuffmanTables();

  std::string FComment;
  std::vector<uint8_t> FICCProfile;
  bool FProgressiveJPEG = false;
  bool FWriteAllTables = true;
  int32_t FQuality = 0;
  bool FGrayscaleOutput = false;
  jpeg_compress_struct FCompressInfo{};
  std::unique_ptr<jpeg_destination_mgr> FDestination;
  // The codec's standard Huffman tables, as set up at construction.
  JHUFF_TBL FStandardDCTables[2]{};
  JHUFF_TBL FStandardACTables[2]{};
};
