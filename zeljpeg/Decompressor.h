// TJPEGDecompressor: decodes JPEG data, read through five abstract source
// operations, into DIBs, bitmap and palette handles, or TBitmap objects, and
// reports comment and application segments through events.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/ImageLimits.h"
#include "zeljpeg/Export.h"
#include "zeljpeg/JPEGBase.h"
#include "zeljpeg/Markers.h"
#include "zeljpeg/Transforms.h"

class TBitmap;

// The DIB a decode produces.
enum TJPEGOutputType : uint8_t {
  jp24bit,     // 24-bit true colour, no colour table
  jp8bit,      // 8 bits, quantised to at most ColoursIn8bitMode colours
  jp4bit,      // 4 bits (two pixels a byte, left pixel high), at most 16 colours
  jpGrayscale  // 8 bits, 64 gray levels of a fixed table (values 0 to 63)
};

// The common scales of a decode; jsOther stands for any other factor set
// through ScaleNumerator and ScaleDenominator.
enum TJPEGScale : uint8_t { jsFullSize, jsHalf, jsQuarter, jsEighth, jsOther };
// "jsFullSize", "jsHalf", "jsQuarter", "jsEighth", "jsOther", for published
// properties.
ZELJPEG_API const TEnumNames& JPEGScaleNames();

// The size of a width x height picture shrunk to fit inside a box of
// box_width x box_height pixels, aspect kept (the other side rounded to the
// nearest pixel, at least 1); a picture that fits already keeps its size.
// Raises Exception for an empty box or picture.
ZELJPEG_API void FitInside(int64_t width, int64_t height, int32_t box_width, int32_t box_height,
                           int32_t& fit_width, int32_t& fit_height);

// A comment segment's text (NUL-terminated, valid only during the call).
using TJPEGCommentEvent = TEvent<TJPEGBase*, const char*>;
// An APPn segment (Marker = n: 1 to 13 or 15). A handler that sets done must
// read the whole segment itself with GetByte, its two length bytes included;
// one that leaves done false must leave the source where it found it.
using TJPEGMarkerEvent = TEvent<TJPEGBase*, int, bool&>;

// The decompressor's limits on what a datastream may ask for, as defaults
// of its properties MaxPixels (the shared default of platform/graphics),
// MaxMemory and MaxScans. Every scan of a progressive image passes over the
// whole image, so a small file with thousands of tiny scans would keep a
// decoder busy for minutes; encoders write about ten.
constexpr int64_t kDefaultMaxMemory = kJpegMaxCodecMemory;
constexpr int32_t kDefaultMaxScans = 1000;

// Bridges installed in the codec's source manager and marker processors:
// each calls the operation of JPEGOwner<TJPEGDecompressor>(cinfo).
void JPEGInitSource(j_decompress_ptr cinfo);
boolean JPEGFillInputBuffer(j_decompress_ptr cinfo);
void JPEGSkipInputData(j_decompress_ptr cinfo, long num_bytes);
boolean JPEGResyncToRestart(j_decompress_ptr cinfo, int desired);
void JPEGTermSource(j_decompress_ptr cinfo);
boolean JPEGHandleComment(j_decompress_ptr cinfo);
boolean JPEGHandleAPPMarker(j_decompress_ptr cinfo);

// Calling order: attach a source and ReadHeader (the stream descendant's
// OpenStream does both); optionally GetDIBitsSize/GetBitmapInfoSize; exactly
// one of ReadDIBitmap, ReadWinBitmap or ReadBitmap; detach the source. Any
// exception leaving ReadHeader or a decode has reset the codec object, so the
// component is ready for the next image.
class ZELJPEG_API TJPEGDecompressor : public TJPEGBase {
  VASK_CLASS(TJPEGDecompressor, TJPEGBase)
 public:
  explicit TJPEGDecompressor(TComponent* owner);
  ~TJPEGDecompressor() override;

  // Raised by a header read or decode started while the component is Busy().
  static constexpr const char* kBusyMessage = "The JPEG decompressor is busy with another image";

  // Options; each takes effect at the next operation that uses it.
  J_DCT_METHOD DCTMethod = JDCT_ISLOW;    // ReadHeader
  bool DoFancyUpSampling = true;          // ReadHeader
  bool DoBlockSmoothing = true;           // ReadHeader
  bool TwoPassQuantize = true;            // ReadHeader; jp8bit and jp4bit
  J_DITHER_MODE DitherMode = JDITHER_FS;  // ReadHeader; jp8bit and jp4bit
  int32_t ColoursIn8bitMode = 64;         // ReadDIBitmap: colours for jp8bit (8 to 256)
  bool GrayScaleOutput = false;           // ReadWinBitmap: forces jpGrayscale
  TJPEGCommentEvent OnJPEGComment;        // COM segments with data
  TJPEGMarkerEvent OnJPEGMarker;          // APP1 to APP13 and APP15 segments
  // Decodes: turns the image upright by the EXIF orientation of the header
  // (ExifOrientation), for every output type; the output sizes below and
  // GetDIBitsSize follow the turn at once. Off: the pixels as stored.
  bool AutoOrient = false;
  // ReadHeader: which segments Markers() keeps (comments; or comments and
  // every APPn segment a marker handler did not read itself).
  TJPEGCopyMarkers SaveMarkers = jcNone;

  // The scale of a decode: ScaleNumerator / ScaleDenominator of the image's
  // size, which the codec rounds up to the next factor M/8 it has (M = 1 to
  // 16): 1/2 decodes 4/8, 1/3 decodes 3/8. Takes effect at once after a
  // header read (OutputWidth, GetDIBitsSize, the limits follow) and at every
  // later header read. Scale names 1/1, 1/2, 1/4 and 1/8; setting jsOther
  // changes nothing. SetScaleNumerator and SetScaleDenominator raise
  // Exception for values outside 1 to 65535.
  TJPEGScale Scale() const;
  void SetScale(TJPEGScale value);
  int32_t ScaleNumerator() const { return FScaleNumerator; }
  void SetScaleNumerator(int32_t value);
  int32_t ScaleDenominator() const { return FScaleDenominator; }
  void SetScaleDenominator(int32_t value);

  // What the header read last says (all 0, orientation 1 and no profile
  // before the first header read): the image's size as stored, its
  // component count, whether it is progressive, the JFIF density (unit 0:
  // an aspect ratio only, 1 dots per inch, 2 per cm; 0 x 0 without a JFIF
  // segment), the EXIF orientation (1 to 8 from the first EXIF segment; 1
  // when there is none or it says nothing valid), and the ICC profile that
  // its APP2 segments make up (empty when there is none, or when its pieces
  // do not fit together: the codec warns then). Segments read by an
  // OnJPEGMarker handler itself are not seen.
  uint32_t ImageWidth() const { return FHeader.width; }
  uint32_t ImageHeight() const { return FHeader.height; }
  int32_t NumComponents() const { return FHeader.components; }
  bool Progressive() const { return FHeader.progressive; }
  uint8_t DensityUnit() const { return FHeader.density_unit; }
  uint16_t X_Density() const { return FHeader.x_density; }
  uint16_t Y_Density() const { return FHeader.y_density; }
  int32_t ExifOrientation() const { return FHeader.orientation; }
  const std::vector<uint8_t>& ICCProfile() const { return FICCProfile; }
  int32_t ICCProfileSize() const { return static_cast<int32_t>(FICCProfile.size()); }
  // The segments SaveMarkers asked for, in the order of the datastream
  // (at most 64 MB of them; a warning tells when more were dropped).
  const std::vector<TJPEGMarker>& Markers() const { return FMarkers; }

  // The turn a decode applies: that of ExifOrientation when AutoOrient is
  // set, else jtNone.
  TJPEGTransform OrientationApplied() const;
  // The size of the DIB a decode makes: scaled, then turned.
  uint32_t OutputWidth() const;
  uint32_t OutputHeight() const;

  // After a header read: sets the smallest scale M/8 whose output covers the
  // size of the (upright, with AutoOrient) image fitted inside width x
  // height (see FitInside). Raises Exception before a header read and for an
  // empty box.
  void ScaleToFit(int32_t width, int32_t height);
  // After a header read: decodes at the scale of ScaleToFit, then shrinks
  // by area averaging to fit inside width x height, into a new TBitmap the
  // caller owns. The scale is the caller's again afterwards. Raises as
  // ScaleToFit and ReadBitmap.
  TBitmap* ReadThumbnail(int32_t width, int32_t height);

  // Limits; 0 (or below) means none. Each raises Exception with a message
  // that names the image's need and the limit:
  // - MaxPixels (GetDIBitsSize, ReadDIBitmap): "Image of W x H pixels exceeds
  //   the limit of N pixels";
  // - MaxMemory (ReadHeader; bytes of codec working memory, above all the
  //   whole-image buffers of progressive images): "Image needs more than the
  //   limit of N bytes of codec memory";
  // - MaxScans (while decoding): "Too many scans in JPEG image (> N)".
  // Memory that cannot be had within a limit still raises EOutOfMemory.
  int64_t MaxPixels = kDefaultMaxPixels;
  int64_t MaxMemory = kDefaultMaxMemory;
  int32_t MaxScans = kDefaultMaxScans;

  // Copies source's decoding options, scale, AutoOrient, SaveMarkers, limits
  // and trace level, not its event handlers. Call while both are idle.
  void AssignSettings(const TJPEGDecompressor& source);

  // The next byte of the source, refilling the buffer when it is empty.
  // Raises Exception "Read beyond end of JPEG source" when the source has no
  // more data. For marker handlers.
  uint8_t GetByte();

  // The colour space of the datastream whose header was read last, as the
  // codec found it: JCS_GRAYSCALE, JCS_YCbCr, JCS_RGB, JCS_CMYK, JCS_YCCK or
  // JCS_UNKNOWN; for choosing an output type between ReadHeader and a decode.
  J_COLOR_SPACE JPEGColorSpace() const { return FDecompress.jpeg_color_space; }

  // Bytes of the pixel rows for type, from the codec's output values as they
  // stand (after ReadHeader: the image's own component count, so jp8bit and
  // jpGrayscale of a colour image get three times what they need) at the
  // size of OutputWidth x OutputHeight (scaled, and turned by AutoOrient).
  // Raises Exception above MaxPixels, or when the rows would not fit in 2 GB.
  int32_t GetDIBitsSize(TJPEGOutputType type) const;
  // Bytes of the BITMAPINFO for type: 40 + 4 x (0, 256, 16, 64) entries.
  static int32_t GetBitmapInfoSize(TJPEGOutputType type);

  // Reads the header (an image is required) and copies the options into the
  // codec; a header read earlier and not decoded is dropped first. Codec
  // errors and exceptions from the comment and marker events propagate after
  // the codec object has been reset.
  virtual void ReadHeader();
  // Decodes the image whose header has been read into a bottom-up DIB of
  // OutputWidth x OutputHeight pixels (at the scale, turned upright when
  // AutoOrient applies). info must hold GetBitmapInfoSize(type) bytes, bits
  // GetDIBitsSize(type) bytes. Every byte of the rows the decode makes is
  // written, their padding zeroed; bytes after them (the spare two thirds of
  // a jp8bit or jpGrayscale buffer sized before decoding a colour image) are
  // left as they are, so a zero-filled buffer stays zero there. Before
  // decoding starts it refuses an image the type cannot
  // represent: "Image is Grayscale but colour output requested" for a
  // grayscale image unless type is jpGrayscale, "Image is CMYK or YCCK; <type>
  // output is not possible" for a four-component image (the colour output
  // would be wrong) and "Image has N colour components; <type> output needs
  // 3" (gray: "1 or 3") for other counts; <type> is "24-bit colour", "8-bit
  // colour", "4-bit colour" or "grayscale". Raises "User Interrupt" after
  // Abort from the progress event, and the codec's errors.
  void ReadDIBitmap(BITMAPINFO* info, TJPEGOutputType type, void* bits);
  // Receives one decoded row: y counts from the top row (0) down, row holds
  // the bytes of that row of a bottom-up DIB of the type (padding zeroed),
  // valid during the call.
  using TRowWriter = std::function<void(uint32_t y, const uint8_t* row, size_t bytes)>;
  // Decodes as ReadDIBitmap, but hands the rows to write, top row first, as
  // they are decoded (a strip of about 128 KB at a time) instead of placing
  // them in a pixel buffer: for a caller that passes the rows on (to a file,
  // say) without holding the whole image. info (GetBitmapInfoSize(type) bytes) is filled, colour
  // table included, before the first row is handed out. A picture that AutoOrient
  // turns is decoded whole first, then handed out (its rows come in another
  // order from the codec). Raises as ReadDIBitmap, and what write raises; the
  // codec object is reset then.
  void ReadDIBRows(BITMAPINFO* info, TJPEGOutputType type, const TRowWriter& write);
  // Decodes into a device-dependent bitmap compatible with the screen, the
  // output type chosen from the display (gray when GrayScaleOutput or the
  // image is gray, 8-bit on a palette display, 4-bit on a 16-colour display,
  // else 24-bit), and its palette (0 at 24 bits). The caller owns both.
  // Raises EOutOfMemory when the bitmap or palette cannot be created.
  void ReadWinBitmap(HBITMAP& bitmap, HPALETTE& palette);
  // As ReadWinBitmap, into a new TBitmap that the caller owns.
  TBitmap* ReadBitmap();

 protected:
  void CreateJPEGObject(jpeg_error_mgr& err) override;

  // The codec's source callbacks; the defaults raise EAbstractError.
  virtual void InitSource();
  virtual bool FillInputBuffer();
  virtual void SkipInputBytes(int32_t num_bytes);
  virtual bool ResyncToRestart(int32_t desired);
  virtual void TermSource();
  // Fires OnJPEGComment; returns true.
  virtual bool DoJPEGComment(const char* comment);
  // Also enforces MaxScans: the codec reports progress at least once per
  // scan while it reads a multi-scan image.
  void DoProgress() override;

  // The source manager's buffer pointer and count.
  const uint8_t* GetNextInputByte() const;
  void SetNextInputByte(const uint8_t* p);
  int32_t GetBytesInBuffer() const;
  void SetBytesInBuffer(int32_t count);

  // The codec's decompression object.
  jpeg_decompress_struct FDecompress{};

 private:
  friend void JPEGInitSource(j_decompress_ptr);
  friend boolean JPEGFillInputBuffer(j_decompress_ptr);
  friend void JPEGSkipInputData(j_decompress_ptr, long);
  friend boolean JPEGResyncToRestart(j_decompress_ptr, int);
  friend void JPEGTermSource(j_decompress_ptr);
  friend boolean JPEGHandleComment(j_decompress_ptr);
  friend boolean JPEGHandleAPPMarker(j_decompress_ptr);

  bool HandleJPEGComment();
  bool HandleAPPMarker();
  // Refuses, before decoding starts, an image that type cannot represent.
  void CheckOutputType(TJPEGOutputType type) const;
  // The DIB header and colour table of the decode that has started.
  void FillBitmapInfo(BITMAPINFO* info, TJPEGOutputType type) const;
  // Where the decode puts row y (from the top) of row_bytes bytes; with
  // written set, the row is handed to it once it is complete. With
  // oriented_dib set (when OrientationApplied is not jtNone), place and
  // written are not used: the turned image goes into the whole bottom-up DIB
  // there (GetDIBitsSize(type) bytes, need not be zeroed).
  using TRowPlace = std::function<uint8_t*(uint32_t y, int64_t row_bytes)>;
  void DecodeRows(BITMAPINFO* info, TJPEGOutputType type, const TRowPlace& place,
                  const TRowWriter* written, uint8_t* oriented_dib = nullptr);
  // Bytes in one DIB row of type, from the codec's output values as they stand.
  int64_t RowBytes(TJPEGOutputType type) const;
  void DecodeWinBitmap(HBITMAP& bitmap, HPALETTE& palette);
  // Decodes as ReadDIBitmap, handing the image out in strips of a bounded
  // size as they are decoded: put(top, count, rows) receives the image rows
  // [top, top + count) as a bottom-up DIB of count rows (info, filled
  // before the first strip, describes the whole image). A picture that
  // AutoOrient turns is decoded whole first and comes as one strip. The
  // caller holds the conversion scope and resets the codec on failure.
  using TStripWriter = std::function<void(uint32_t top, uint32_t count, const uint8_t* rows)>;
  void DecodeStrips(BITMAPINFO* info, TJPEGOutputType type, const TStripWriter& put);
  // Gives the codec the scale, recomputing the output size after a header read.
  void ApplyScale();
  // Around the codec's header read: forget the last header, then take what
  // the new one says.
  void BeginHeader();
  void EndHeader();
  // A segment read by a marker processor: its EXIF orientation, an ICC
  // piece, a segment SaveMarkers asks for.
  void KeepSegment(int marker, const uint8_t* data, size_t size);
  // True when a segment with this marker has something KeepSegment wants.
  bool WantsSegment(int marker) const;

  struct THeader {
    uint32_t width = 0, height = 0;
    int32_t components = 0;
    bool progressive = false;
    uint8_t density_unit = 0;
    uint16_t x_density = 0, y_density = 0;
    int32_t orientation = 1;
  };

  std::unique_ptr<jpeg_source_mgr> FSource;
  int32_t FScaleNumerator = 1;
  int32_t FScaleDenominator = 1;
  THeader FHeader;
  std::vector<TJPEGMarker> FMarkers;
  std::vector<TJPEGMarker> FICCSegments;
  std::vector<uint8_t> FICCProfile;
  size_t FKeptBytes = 0;
  bool FExifSeen = false;
  bool FKeptLimitReported = false;
};
