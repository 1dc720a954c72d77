#include "zeljpeg/Compressor.h"

#include <algorithm>
#include <iterator>

#include <cstddef>
#include <cstring>
#include <new>
#include <optional>
#include <utility>

#include <jerror.h>

#include "platform/gdi/DibRows.h"
#include "platform/graphics/GdiGuards.h"
#include "platform/graphics/Graphics.h"
#include "zeljpeg/Scopes.h"

VASK_DEFINE_CLASS(TJPEGCompressor)

namespace {

// The sizes of the BITMAPINFOHEADER family: the 40-byte header and its
// versions with colour masks (52, 56), colour space (108, V4) and colour
// profile (124, V5). Their first 40 bytes are the same; the colour table
// follows the header, whatever its size.
bool IsInfoHeaderSize(DWORD size) {
  return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// Rejects, before anything is written, a DIB whose rows or colour table the
// compressor cannot read safely. bit_count is already known to be 4, 8 or 24.
void CheckReadableDIB(const BITMAPINFOHEADER& header, int bit_count, const void* bits) {
  if (!IsInfoHeaderSize(header.biSize))
    throw Exception(Format("Unable to compress a DIB with a header of %u bytes",
                           static_cast<unsigned>(header.biSize)));
  if (header.biCompression != BI_RGB) throw Exception("Unable to compress a compressed DIB");
  if (header.biHeight < 0) throw Exception("Unable to compress a top-down DIB");
  if (header.biWidth < 0) throw Exception("Unable to compress a DIB of negative width");
  if (header.biWidth > static_cast<LONG>(JPEG_MAX_DIMENSION))
    throw Exception(Format("Maximum supported image dimension is %d pixels",
                           static_cast<int>(JPEG_MAX_DIMENSION)));
  if (bit_count <= 8) {
    const DWORD needed = DWORD{1} << bit_count;
    if (header.biClrUsed != 0 && header.biClrUsed < needed)
      throw Exception(Format("Unable to compress a DIB whose colour table holds %u of %u entries",
                             static_cast<unsigned>(header.biClrUsed),
                             static_cast<unsigned>(needed)));
  }
  if (bits == nullptr && header.biWidth > 0 && header.biHeight > 0)
    throw Exception("Unable to compress a DIB without pixel data");
}

// Bytes the row buffer holds beyond three a pixel: the expansion below
// writes whole words, up to two bytes past the last pixel.
constexpr size_t kRowBufferSlack = 2;

// Palette expansion into blue-green-red triples through lookup tables built
// once per image from the colour table (first three bytes of each entry):
// an 8-bit index maps to its colour, a 4-bit pair byte (left pixel in the
// high nibble) to its two colours. Each pixel or pair is stored with one
// word copy; the copies overlap the next pixel, which the next copy
// overwrites.
class TPaletteExpander {
 public:
  TPaletteExpander(const uint8_t* table, int bit_count) {
    if (bit_count == 8) {
      for (int i = 0; i < 256; ++i) std::memcpy(single_[i], table + 4 * i, 3);
    } else {
      for (int b = 0; b < 256; ++b) {
        std::memcpy(pair_[b], table + 4 * (b >> 4), 3);
        std::memcpy(pair_[b] + 3, table + 4 * (b & 0x0F), 3);
      }
    }
  }

  // width indices, one a byte.
  void Expand8(const uint8_t* src, JSAMPLE* dst, JDIMENSION width) const {
    for (JDIMENSION x = 0; x < width; ++x, dst += 3) std::memcpy(dst, single_[src[x]], 4);
  }
  // (width + 1) / 2 bytes; for an odd width the last low nibble is expanded
  // too, and the codec reads only width pixels.
  void Expand4(const uint8_t* src, JSAMPLE* dst, JDIMENSION width) const {
    const JDIMENSION bytes = (width + 1) / 2;
    for (JDIMENSION i = 0; i < bytes; ++i, dst += 6) std::memcpy(dst, pair_[src[i]], 8);
  }

 private:
  uint8_t single_[256][4]{};
  uint8_t pair_[256][8]{};
};

}  // namespace

void JPEGInitDestination(j_compress_ptr cinfo) {
  JPEGOwner<TJPEGCompressor>(cinfo).InitDestination();
}

boolean JPEGEmptyOutputBuffer(j_compress_ptr cinfo) {
  return JPEGOwner<TJPEGCompressor>(cinfo).EmptyOutputBuffer() ? TRUE : FALSE;
}

void JPEGTermDestination(j_compress_ptr cinfo) {
  JPEGOwner<TJPEGCompressor>(cinfo).TermDestination();
}

TJPEGCompressor::TJPEGCompressor(TComponent* owner) : TJPEGBase(owner) {
  try {
    InitJPEGObject();
    FWriteAllTables = true;
    // The samples handed over are in DIB order: blue, green, red.
    FCompressInfo.input_components = 3;
    FCompressInfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&FCompressInfo);
    for (int i = 0; i < 2; ++i) {
      FStandardDCTables[i] = *FCompressInfo.dc_huff_tbl_ptrs[i];
      FStandardACTables[i] = *FCompressInfo.ac_huff_tbl_ptrs[i];
    }
    FDestination.reset(new (std::nothrow) jpeg_destination_mgr{});
    if (!FDestination) OutOfMemoryError();
    FDestination->init_destination = JPEGInitDestination;
    FDestination->empty_output_buffer = JPEGEmptyOutputBuffer;
    FDestination->term_destination = JPEGTermDestination;
    FCompressInfo.dest = FDestination.get();
    SetQuality(75);
  } catch (...) {
    DestroyJPEGObject();
    throw;
  }
}

TJPEGCompressor::~TJPEGCompressor() {
  DestroyJPEGObject();
}

void TJPEGCompressor::CreateJPEGObject(jpeg_error_mgr& err) {
  FCompressInfo.client_data = static_cast<TObject*>(this);
  FCompressInfo.err = &err;
  FJPEGObject = reinterpret_cast<jpeg_common_struct*>(&FCompressInfo);
  jpeg_Create_Compress(FCompressInfo);
}

void TJPEGCompressor::InitDestination() {
  AbstractError();
}

bool TJPEGCompressor::EmptyOutputBuffer() {
  AbstractError();
}

void TJPEGCompressor::TermDestination() {
  AbstractError();
}

void TJPEGCompressor::SetQuality(int32_t value) {
  FQuality = value;
  jpeg_set_quality(&FCompressInfo, value, TRUE);
}

void TJPEGCompressor::AssignSettings(const TJPEGCompressor& source) {
  SetTraceLevel(source.GetTraceLevel());
  FComment = source.FComment;
  FProgressiveJPEG = source.FProgressiveJPEG;
  FWriteAllTables = source.FWriteAllTables;
  FGrayscaleOutput = source.FGrayscaleOutput;
  SetQuality(source.FQuality);
  const jpeg_compress_struct& from = source.FCompressInfo;
  for (int i = 0; i < NUM_QUANT_TBLS; ++i) {
    if (from.quant_tbl_ptrs[i] == nullptr) continue;
    JQUANT_TBL*& table = FCompressInfo.quant_tbl_ptrs[i];
    if (table == nullptr)
      table = jpeg_alloc_quant_table(reinterpret_cast<j_common_ptr>(&FCompressInfo));
    std::copy(std::begin(from.quant_tbl_ptrs[i]->quantval),
              std::end(from.quant_tbl_ptrs[i]->quantval), std::begin(table->quantval));
    table->sent_table = FALSE;
  }
  FCompressInfo.input_gamma = from.input_gamma;
  FCompressInfo.dct_method = from.dct_method;
  FCompressInfo.optimize_coding = from.optimize_coding;
  FCompressInfo.restart_interval = from.restart_interval;
  FCompressInfo.restart_in_rows = from.restart_in_rows;
  FCompressInfo.smoothing_factor = from.smoothing_factor;
  FCompressInfo.write_JFIF_header = from.write_JFIF_header;
  FCompressInfo.density_unit = from.density_unit;
  FCompressInfo.X_density = from.X_density;
  FCompressInfo.Y_density = from.Y_density;
  FICCProfile = source.FICCProfile;
}

void TJPEGCompressor::AddQuantTable(int32_t which_tbl, const uint32_t* basic_table,
                                    int32_t scale_factor, bool force_baseline) {
  if (basic_table == nullptr) throw Exception("No quantisation table given");
  jpeg_add_quant_table(&FCompressInfo, which_tbl, basic_table, scale_factor,
                       force_baseline ? TRUE : FALSE);
}

void TJPEGCompressor::SetColorSpace(J_COLOR_SPACE color_space) {
  jpeg_set_colorspace(&FCompressInfo, color_space);
}

void TJPEGCompressor::SetICCProfile(std::vector<uint8_t> value) {
  // 255 segments of 65519 bytes: what the segments' one-byte numbers count.
  constexpr size_t kMaxICCProfile = size_t{255} * 65519;
  if (value.size() > kMaxICCProfile)
    throw Exception(Format("ICC profile of %lld bytes is larger than the %lld bytes a JPEG holds",
                           static_cast<long long>(value.size()),
                           static_cast<long long>(kMaxICCProfile)));
  FICCProfile = std::move(value);
}

void TJPEGCompressor::WriteMarker(int32_t marker, const void* data, int32_t length) {
  if (length < 0 || (data == nullptr && length > 0))
    throw Exception(Format("Invalid marker data of %d bytes", static_cast<int>(length)));
  jpeg_write_marker(&FCompressInfo, marker, static_cast<const JOCTET*>(data),
                    static_cast<unsigned int>(length));
}

void TJPEGCompressor::WriteDIBitmap(const BITMAPINFO& info, const void* bits) {
  TConversionScope conversion(*this, kBusyMessage);
  const BITMAPINFOHEADER& header = info.bmiHeader;
  FCompressInfo.image_width = static_cast<JDIMENSION>(header.biWidth);
  FCompressInfo.image_height = static_cast<JDIMENSION>(header.biHeight);
  SetColorSpace(FGrayscaleOutput ? JCS_GRAYSCALE : JCS_YCbCr);

  const int bit_count = header.biBitCount;
  if (bit_count != 4 && bit_count != 8 && bit_count != 24)
    throw Exception(Format("Unable to compress at %d bit resolution", bit_count));
  CheckReadableDIB(header, bit_count, bits);

  // One row buffer per image for the palette expansion of 4 and 8-bit rows.
  // A width of 0 gets a buffer too, so the codec reports the empty image as
  // it does at 24 bits.
  std::unique_ptr<JSAMPLE[]> row_buffer;
  if (bit_count != 24) {
    row_buffer.reset(new (
        std::nothrow) JSAMPLE[3 * static_cast<size_t>(Round4(header.biWidth)) + kRowBufferSlack]);
    if (!row_buffer) OutOfMemoryError();
  }

  const uint8_t* const rows = static_cast<const uint8_t*>(bits);
  const size_t stride = static_cast<size_t>(DibRowBytes(header.biWidth, bit_count));
  const JDIMENSION height = FCompressInfo.image_height;
  std::optional<TPaletteExpander> expander;
  if (bit_count != 24)
    expander.emplace(reinterpret_cast<const uint8_t*>(&info) + header.biSize, bit_count);
  Compress([&](JDIMENSION y) -> JSAMPROW {
    // DIB rows are stored bottom-up: the top row of the picture comes last.
    const uint8_t* src = rows + stride * (height - 1 - y);
    if (bit_count == 24) return const_cast<JSAMPROW>(src);  // read only by the codec
    if (bit_count == 8)
      expander->Expand8(src, row_buffer.get(), FCompressInfo.image_width);
    else
      expander->Expand4(src, row_buffer.get(), FCompressInfo.image_width);
    return row_buffer.get();
  });
}

void TJPEGCompressor::WriteRows(int32_t width, int32_t height, const TRowSource& rows) {
  TConversionScope conversion(*this, kBusyMessage);
  if (width < 0 || height < 0)
    throw Exception(Format("Unable to compress an image of %d x %d pixels", static_cast<int>(width),
                           static_cast<int>(height)));
  if (width > static_cast<int32_t>(JPEG_MAX_DIMENSION))
    throw Exception(Format("Maximum supported image dimension is %d pixels",
                           static_cast<int>(JPEG_MAX_DIMENSION)));
  FCompressInfo.image_width = static_cast<JDIMENSION>(width);
  FCompressInfo.image_height = static_cast<JDIMENSION>(height);
  SetColorSpace(FGrayscaleOutput ? JCS_GRAYSCALE : JCS_YCbCr);
  Compress([&](JDIMENSION y) {
    const uint8_t* row = rows(y);
    if (row == nullptr) throw Exception(Format("No pixels for row %u", static_cast<unsigned>(y)));
    return const_cast<JSAMPROW>(row);  // read only by the codec
  });
}

void TJPEGCompressor::Compress(const std::function<JSAMPROW(JDIMENSION y)>& rows) {
  // The codec derives these two fields for the compression at hand
  // (progressive output forces optimised coding; a restart interval in rows
  // becomes one in MCUs); give them back their settings afterwards so that
  // the properties read as set and the next compression is not affected.
  TRestore<boolean> optimize_coding(FCompressInfo.optimize_coding);
  TRestore<unsigned int> restart_interval(FCompressInfo.restart_interval);
  RestoreStandardHuffmanTables();
  // Whatever ends the compression (codec error, handler exception,
  // destination failure), the codec object goes back to its start state.
  TCodecReset reset(*this);
  CompressRows(rows);
}

void TJPEGCompressor::RestoreStandardHuffmanTables() {
  for (int i = 0; i < 2; ++i) {
    if (FCompressInfo.dc_huff_tbl_ptrs[i] != nullptr)
      *FCompressInfo.dc_huff_tbl_ptrs[i] = FStandardDCTables[i];
    if (FCompressInfo.ac_huff_tbl_ptrs[i] != nullptr)
      *FCompressInfo.ac_huff_tbl_ptrs[i] = FStandardACTables[i];
  }
}

void TJPEGCompressor::CompressRows(const std::function<JSAMPROW(JDIMENSION y)>& rows) {
  // A progressive script stays in the codec object; clear it when this
  // compression is sequential.
  if (FProgressiveJPEG) {
    jpeg_simple_progression(&FCompressInfo);
  } else {
    FCompressInfo.scan_info = nullptr;
    FCompressInfo.num_scans = 0;
  }
  if (!FWriteAllTables) jpeg_suppress_tables(&FCompressInfo, TRUE);
  jpeg_start_compress(&FCompressInfo, FWriteAllTables ? TRUE : FALSE);

  if (!FICCProfile.empty())
    jpeg_write_icc_profile(&FCompressInfo, FICCProfile.data(),
                           static_cast<unsigned int>(FICCProfile.size()));
  if (!FComment.empty())
    jpeg_write_marker(&FCompressInfo, JPEG_COM, reinterpret_cast<const JOCTET*>(FComment.data()),
                      static_cast<unsigned int>(FComment.size()));
  if (OnWriteMarkers) OnWriteMarkers(this);

  const JDIMENSION height = FCompressInfo.image_height;
  FAbortRequested = false;
  while (FCompressInfo.next_scanline < height) {
    JSAMPROW row = rows(FCompressInfo.next_scanline);
    // A destination that could not take a full buffer suspends the codec,
    // which then takes no row; end the compression as the codec ends a
    // suspension where it cannot be resumed.
    if (jpeg_write_scanlines(&FCompressInfo, &row, 1) != 1)
      ERREXIT(&FCompressInfo, JERR_CANT_SUSPEND);
    if (FAbortRequested) {
      Abort();
      throw Exception("User Interrupt");
    }
  }

  jpeg_progress_mgr& progress = Progress();
  progress.pass_counter = 0;
  progress.completed_passes = progress.total_passes;
  DoProgress();
  jpeg_finish_compress(&FCompressInfo);
}

void TJPEGCompressor::CheckBitmap(TBitmap* bitmap) {
  if (bitmap == nullptr) throw Exception("No bitmap to compress");
  if (bitmap->Empty()) throw Exception("Cannot compress an empty bitmap");
}

void TJPEGCompressor::CheckMetafile(TMetafile* metafile, int32_t width, int32_t height) {
  if (metafile == nullptr) throw Exception("No metafile to compress");
  if (metafile->Empty()) throw Exception("Cannot compress an empty metafile");
  CheckPixelLimit(width, height, kDefaultMaxPixels);
}

void TJPEGCompressor::WriteBitmap(TBitmap* bitmap) {
  CheckBitmap(bitmap);
  int32_t header_size = 0;
  int32_t image_size = 0;
  ::GetDIBSizes(bitmap->Handle(), bmDefault, header_size, image_size);
  TGlobalBlock block = AllocateGlobalBlock(static_cast<size_t>(image_size));
  TGlobalLock pixels(block.Get());
  std::unique_ptr<uint8_t[]> header(new (std::nothrow) uint8_t[header_size]);
  if (!header) OutOfMemoryError();
  ::Bitmap2DIB(bitmap, bmDefault, header.get(), pixels.Data());
  WriteDIBitmap(*reinterpret_cast<const BITMAPINFO*>(header.get()), pixels.Data());
}

void TJPEGCompressor::WriteStretchedBitmap(TBitmap* bitmap, int32_t width, int32_t height) {
  CheckBitmap(bitmap);
  std::unique_ptr<TBitmap> resized(ReSizeBitmap(bitmap, width, height));
  WriteBitmap(resized.get());
}

void TJPEGCompressor::WriteMetaFile(TMetafile* metafile, int32_t width, int32_t height) {
  CheckMetafile(metafile, width, height);
  std::unique_ptr<TBitmap> rendered(MetaToBitmap(metafile, width, height));
  // What the graphics layer could not draw is said, not silently lost.
  for (const TUndrawnRecord& r : metafile->SkippedRecords()) {
    const std::string name = EnhMetaRecordName(r.type);
    DeliverWarning(r.count == 1 ? Format("Metafile record %s was not drawn", name.c_str()).c_str()
                                : Format("Metafile record %s was not drawn (%u records)",
                                         name.c_str(), static_cast<unsigned>(r.count))
                                      .c_str());
  }
  WriteBitmap(rendered.get());
}

void TJPEGCompressor::GetBitmapInfoHeader(HBITMAP bitmap, TBitmapResolution resolution,
                                          BITMAPINFOHEADER& header) {
  ::GetBitmapInfoHeader(bitmap, resolution, header);
}

void TJPEGCompressor::GetDIBSizes(HBITMAP bitmap, TBitmapResolution resolution,
                                  int32_t& header_size, int32_t& image_size) {
  ::GetDIBSizes(bitmap, resolution, header_size, image_size);
}

void TJPEGCompressor::Bitmap2DIB(TBitmap* bitmap, TBitmapResolution resolution, void* header_block,
                                 void* bits) {
  ::Bitmap2DIB(bitmap, resolution, header_block, bits);
}
