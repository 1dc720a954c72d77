#include "zeljpeg/Transformer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <vector>

#include "platform/classes/SafeFileStream.h"
#include "zeljpeg/CoefficientTransform.h"
#include "zeljpeg/Exif.h"

// jerror.h needs jpeglib.h first (included through Transformer.h).
#include <jerror.h>

VASK_DEFINE_CLASS(TJPEGTransformer)

TClass TJPEGFileTransformer::StaticClass() {
  using C = TJPEGFileTransformer;
  static const TClassInfo info = TClassInfo::Make<C>(
      "TJPEGFileTransformer", inherited::StaticClass(),
      {
          rtti::Int<C>("Warnings", &C::GetWarnings),
          rtti::Int<C>("Trace_Level", &C::GetTraceLevel, &C::SetTraceLevel),
          rtti::Int<C>("PercentDone", &C::GetPercentDone),
          rtti::Enum<C>("Transform", JPEGTransformNames(), &C::Transform, &C::Transform, jtNone),
          rtti::Bool<C>("AutoOrient", &C::AutoOrient, &C::AutoOrient, false),
          rtti::Bool<C>("Trim", &C::Trim, &C::Trim, false),
          rtti::Bool<C>("Perfect", &C::Perfect, &C::Perfect, false),
          rtti::Enum<C>("CopyMarkers", JPEGCopyMarkersNames(), &C::CopyMarkers, &C::CopyMarkers,
                        jcComments),
          rtti::Int<C>("CropX", &C::CropX, &C::CropX, 0),
          rtti::Int<C>("CropY", &C::CropY, &C::CropY, 0),
          rtti::Int<C>("CropWidth", &C::CropWidth, &C::CropWidth, 0),
          rtti::Int<C>("CropHeight", &C::CropHeight, &C::CropHeight, 0),
          rtti::Bool<C>("ProgressiveJPEG", &C::ProgressiveJPEG, &C::ProgressiveJPEG, false),
          rtti::Bool<C>("OptimizeCoding", &C::OptimizeCoding, &C::OptimizeCoding, false),
          rtti::Int<C>("MaxPixels", &C::MaxPixels, &C::MaxPixels, kDefaultMaxPixels),
          rtti::Int<C>("MaxMemory", &C::MaxMemory, &C::MaxMemory, kJpegMaxCodecMemory),
          rtti::Int<C>("MaxScans", &C::MaxScans, &C::MaxScans, 1000),
          rtti::Event<TJPEGBase>("OnProgressReport", &TJPEGBase::OnProgressReport),
          rtti::Event<TJPEGBase>("OnWarning", &TJPEGBase::OnWarning),
      });
  return &info;
}

void InitZeljpegTransformer() {
  // Once, also when several threads start at the same time.
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterClasses({TJPEGTransformer::StaticClass(), TJPEGFileTransformer::StaticClass()});
  });
}

namespace {

// The read and write buffers.
constexpr int32_t kBufferSize = 65536;
// The end-of-image marker handed to the codec when the source runs dry.
const JOCTET kEndOfImage[2] = {0xFF, 0xD9};

long MemoryLimit(int64_t max_memory) {
  if (max_memory <= 0) return 0;
  return static_cast<long>(std::min<int64_t>(max_memory, std::numeric_limits<long>::max()));
}

}  // namespace

// The codec's callbacks: each finds the component through client_data,
// verifies its class and calls its operation.
struct TTransformerBridges {
  template <class CodecObject>
  static TJPEGTransformer& Of(CodecObject* c) {
    return JPEGOwner<TJPEGTransformer>(c);
  }
  static void InitSource(j_decompress_ptr c) { Of(c).InitSource(); }
  static boolean FillInputBuffer(j_decompress_ptr c) {
    return Of(c).FillInputBuffer() ? TRUE : FALSE;
  }
  static void SkipInputData(j_decompress_ptr c, long n) { Of(c).SkipInputData(n); }
  static void TermSource(j_decompress_ptr) {}
  static void InitDestination(j_compress_ptr c) { Of(c).InitDestination(); }
  static boolean EmptyOutputBuffer(j_compress_ptr c) {
    return Of(c).EmptyOutputBuffer() ? TRUE : FALSE;
  }
  static void TermDestination(j_compress_ptr c) { Of(c).TermDestination(); }
  static void ReadProgress(j_common_ptr c) {
    TJPEGTransformer& t = Of(c);
    t.PhaseProgress(0, t.FReadProgress);
  }
  static void WriteProgress(j_common_ptr c) {
    TJPEGTransformer& t = Of(c);
    t.PhaseProgress(1, t.FWriteProgress);
  }
};

TJPEGTransformer::TJPEGTransformer(TComponent* owner) : TJPEGBase(owner) {
  try {
    InitJPEGObject();
    FInBuffer.reset(new (std::nothrow) uint8_t[kBufferSize]);
    FOutBuffer.reset(new (std::nothrow) uint8_t[kBufferSize]);
    if (!FInBuffer || !FOutBuffer) OutOfMemoryError();
    FSource.init_source = TTransformerBridges::InitSource;
    FSource.fill_input_buffer = TTransformerBridges::FillInputBuffer;
    FSource.skip_input_data = TTransformerBridges::SkipInputData;
    FSource.resync_to_restart = jpeg_resync_to_restart;
    FSource.term_source = TTransformerBridges::TermSource;
    FDecompress.src = &FSource;
    FDestination.init_destination = TTransformerBridges::InitDestination;
    FDestination.empty_output_buffer = TTransformerBridges::EmptyOutputBuffer;
    FDestination.term_destination = TTransformerBridges::TermDestination;
    FCompress.dest = &FDestination;
    // Each codec object reports its own phase; PhaseProgress combines them.
    FReadProgress.progress_monitor = TTransformerBridges::ReadProgress;
    FWriteProgress.progress_monitor = TTransformerBridges::WriteProgress;
    FDecompress.progress = &FReadProgress;
    FCompress.progress = &FWriteProgress;
  } catch (...) {
    if (FCompressCreated) jpeg_destroy_compress(&FCompress);
    DestroyJPEGObject();
    throw;
  }
}

TJPEGTransformer::~TJPEGTransformer() {
  if (FCompressCreated) jpeg_destroy_compress(&FCompress);
  DestroyJPEGObject();
}

void TJPEGTransformer::CreateJPEGObject(jpeg_error_mgr& err) {
  // The decompression object is the component's codec object (errors,
  // Abort); the compression object shares its error manager.
  FDecompress.err = &err;
  FDecompress.client_data = static_cast<TObject*>(this);
  FJPEGObject = reinterpret_cast<jpeg_common_struct*>(&FDecompress);
  jpeg_Create_Decompress(FDecompress);
  FCompress.err = &err;
  FCompress.client_data = static_cast<TObject*>(this);
  jpeg_Create_Compress(FCompress);
  FCompressCreated = true;
  FCompress.mem->max_memory_to_use = kJpegMaxCodecMemory;
}

void TJPEGTransformer::ResetCodecObjects() {
  Abort();
  jpeg_abort_compress(&FCompress);
}

void TJPEGTransformer::TransformStream(TStream& source, TStream& dest) {
  TConversionScope conversion(*this, kBusyMessage);
  FSourceStream = &source;
  FDestStream = &dest;
  try {
    Run();
  } catch (...) {
    // Whatever failed (codec, stream, handler), both codec objects go back
    // to their start state.
    ResetCodecObjects();
    FSourceStream = nullptr;
    FDestStream = nullptr;
    throw;
  }
  FSourceStream = nullptr;
  FDestStream = nullptr;
}

void TJPEGTransformer::SaveMarkers() {
  const unsigned keep = 0xFFFF;
  jpeg_save_markers(&FDecompress, JPEG_COM, CopyMarkers != jcNone ? keep : 0);
  for (int n = 0; n < 16; ++n) {
    // Length 0 gives a marker back to the codec's own processing.
    const bool save = CopyMarkers == jcAll || (AutoOrient && n == 1);
    jpeg_save_markers(&FDecompress, JPEG_APP0 + n, save ? keep : 0);
  }
}

int TJPEGTransformer::SourceOrientation() const {
  for (jpeg_saved_marker_ptr m = FDecompress.marker_list; m != nullptr; m = m->next)
    if (m->marker == JPEG_APP0 + 1 && IsExifSegment(m->data, m->data_length))
      return ReadExifOrientation(m->data, m->data_length);
  return 0;
}

void TJPEGTransformer::Run() {
  ResetCodecObjects();
  FAbortRequested = false;
  FOutputWidth = FOutputHeight = 0;
  FApplied = jtNone;
  FPartialEdgeKept = false;
  FDecompress.mem->max_memory_to_use = MemoryLimit(MaxMemory);
  FCompress.mem->max_memory_to_use = MemoryLimit(MaxMemory);
  SaveMarkers();
  if (jpeg_read_header(&FDecompress, TRUE) != JPEG_HEADER_OK)
    throw Exception("Read beyond end of JPEG source");
  CheckPixelLimit(FDecompress.image_width, FDecompress.image_height, MaxPixels);

  TJPEGTransform applied = Transform;
  const bool oriented = AutoOrient && OrientationTransform(SourceOrientation()) != jtNone;
  if (oriented) applied = ComposeTransforms(OrientationTransform(SourceOrientation()), Transform);
  if (CropX < 0 || CropY < 0 || CropWidth < 0 || CropHeight < 0)
    throw Exception(Format("Crop region %dx%d+%d+%d is not valid", static_cast<int>(CropWidth),
                           static_cast<int>(CropHeight), static_cast<int>(CropX),
                           static_cast<int>(CropY)));
  const TCropRegion crop{static_cast<uint32_t>(CropX), static_cast<uint32_t>(CropY),
                         static_cast<uint32_t>(CropWidth), static_cast<uint32_t>(CropHeight)};
  TCoefficientTransform plan(FDecompress, applied, Trim, Perfect, crop);
  plan.RequestArrays(&FDecompress);
  jvirt_barray_ptr* source = jpeg_read_coefficients(&FDecompress);
  if (source == nullptr) throw Exception("Read beyond end of JPEG source");

  jpeg_copy_critical_parameters(&FDecompress, &FCompress);
  plan.AdjustDestination(&FCompress);
  FCompress.optimize_coding = OptimizeCoding ? TRUE : FALSE;
  if (ProgressiveJPEG) jpeg_simple_progression(&FCompress);
  jvirt_barray_ptr* result = plan.Execute(&FDecompress, source);
  jpeg_write_coefficients(&FCompress, result);
  CopySavedMarkers(oriented);
  jpeg_finish_compress(&FCompress);

  jpeg_progress_mgr& progress = Progress();
  progress.pass_counter = 0;
  progress.completed_passes = progress.total_passes;
  DoProgress();
  jpeg_finish_decompress(&FDecompress);
  FOutputWidth = plan.OutputWidth();
  FOutputHeight = plan.OutputHeight();
  FApplied = applied;
  FPartialEdgeKept = plan.PartialEdgeKept();
}

void TJPEGTransformer::CopySavedMarkers(bool oriented) {
  bool exif_seen = false;
  for (jpeg_saved_marker_ptr m = FDecompress.marker_list; m != nullptr; m = m->next) {
    const bool comment = m->marker == JPEG_COM;
    if (CopyMarkers == jcNone || (CopyMarkers == jcComments && !comment)) continue;
    // The output writes its own JFIF and Adobe segments.
    if (FCompress.write_JFIF_header && m->marker == JPEG_APP0 && m->data_length >= 5 &&
        std::memcmp(m->data, "JFIF", 5) == 0)
      continue;
    if (FCompress.write_Adobe_marker && m->marker == JPEG_APP0 + 14 && m->data_length >= 5 &&
        std::memcmp(m->data, "Adobe", 5) == 0)
      continue;
    if (oriented && !exif_seen && m->marker == JPEG_APP0 + 1 &&
        IsExifSegment(m->data, m->data_length)) {
      // The pixels are upright now: say so in the copy.
      exif_seen = true;
      std::vector<uint8_t> exif(m->data, m->data + m->data_length);
      WriteExifOrientation(exif.data(), exif.size(), 1);
      jpeg_write_marker(&FCompress, m->marker, exif.data(), static_cast<unsigned>(exif.size()));
      continue;
    }
    jpeg_write_marker(&FCompress, m->marker, m->data, m->data_length);
  }
}

void TJPEGTransformer::PhaseProgress(int phase, const jpeg_progress_mgr& codec) {
  if (phase == 0 && MaxScans > 0 && FDecompress.input_scan_number > MaxScans)
    throw Exception(Format("Too many scans in JPEG image (> %d)", static_cast<int>(MaxScans)));
  double fraction = 0;
  if (codec.pass_limit > 0 && codec.total_passes > 0)
    fraction = std::clamp(
        (static_cast<double>(codec.pass_counter) / codec.pass_limit + codec.completed_passes) /
            codec.total_passes,
        0.0, 1.0);
  // Reading is the first half of the component's progress, writing the second.
  jpeg_progress_mgr& progress = Progress();
  progress.pass_limit = 10000;
  progress.pass_counter = std::lround(fraction * 10000);
  progress.completed_passes = phase;
  progress.total_passes = 2;
  DoProgress();
  if (FAbortRequested) {
    FAbortRequested = false;
    throw Exception("User Interrupt");
  }
}

void TJPEGTransformer::InitSource() {
  FSource.bytes_in_buffer = 0;
  FBytesRead = 0;
}

bool TJPEGTransformer::FillInputBuffer() {
  const int32_t count = FSourceStream->Read(FInBuffer.get(), kBufferSize);
  if (count > 0) {
    FSource.next_input_byte = FInBuffer.get();
    FSource.bytes_in_buffer = static_cast<size_t>(count);
    FBytesRead += count;
    return true;
  }
  j_common_ptr common = reinterpret_cast<j_common_ptr>(&FDecompress);
  if (FBytesRead == 0) {
    ERREXIT(common, JERR_INPUT_EOF);
    throw Exception("Premature end of input file");  // only if the error exit returned
  }
  WARNMS(common, JWRN_JPEG_EOF);
  // A fake end-of-image marker lets the codec finish with what it has.
  FSource.next_input_byte = kEndOfImage;
  FSource.bytes_in_buffer = 2;
  return true;
}

void TJPEGTransformer::SkipInputData(long num_bytes) {
  if (num_bytes <= 0) return;
  const size_t n = static_cast<size_t>(num_bytes);
  if (n <= FSource.bytes_in_buffer) {
    FSource.next_input_byte += n;
    FSource.bytes_in_buffer -= n;
    return;
  }
  int64_t left = static_cast<int64_t>(n - FSource.bytes_in_buffer);
  FSource.bytes_in_buffer = 0;
  // Read and drop, so that streams that cannot seek (pipes) work too.
  while (left > 0) {
    const int32_t got = FSourceStream->Read(
        FInBuffer.get(), static_cast<int32_t>(std::min<int64_t>(left, kBufferSize)));
    if (got <= 0) break;  // the next refill meets the end of the data
    FBytesRead += got;
    left -= got;
  }
}

void TJPEGTransformer::InitDestination() {
  FDestination.next_output_byte = FOutBuffer.get();
  FDestination.free_in_buffer = kBufferSize;
}

bool TJPEGTransformer::EmptyOutputBuffer() {
  FDestStream->WriteBuffer(FOutBuffer.get(), kBufferSize);
  FDestination.next_output_byte = FOutBuffer.get();
  FDestination.free_in_buffer = kBufferSize;
  return true;
}

void TJPEGTransformer::TermDestination() {
  const size_t used = kBufferSize - FDestination.free_in_buffer;
  if (used > 0) FDestStream->WriteBuffer(FOutBuffer.get(), static_cast<int32_t>(used));
}

void TJPEGFileTransformer::TransformFile(const std::string& source, const std::string& dest) {
  if (Busy()) throw Exception(kBusyMessage);
  TFileStream input(source, fmOpenRead);
  TSafeFileStream output(dest);
  TransformStream(input, output);
  output.Commit();
}
