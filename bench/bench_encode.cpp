// Encoder speed on a real photograph, all at quality 75 into a destination
// that discards the bytes:
//  - Plain24: a plain libjpeg-turbo scanline encode of the bottom-up BGR DIB
//    rows, one row per call, last row in memory first;
//  - WriteDIBitmap24: TJPEGCompressor on the same DIB (target >= 0.97 x Plain24);
//  - WriteDIBitmap8 / WriteDIBitmap4: the photo quantised to 256 / 16
//    colours, compressed from 8 / 4-bit DIBs, against
//    WriteDIBitmap24Of8 / WriteDIBitmap24Of4: the same quantised pictures
//    expanded to 24-bit DIBs (target >= 0.9 x);
//  - SaveBitMapToStream: the photo as a bitmap saved into a TMemoryStream
//    (DIB construction, compression, buffer flushing) against
//    WriteDIBitmap24 (target <= 3 % slower); Bitmap2DIB and WriteBitmapNull
//    (WriteBitmap into the discarding destination) split that difference
//    into DIB construction and stream output.
//
// bench_encode --run MODE REPEATS serves bench/codec_vs_raw.py (paired
// rounds against the plain encode).
//
// Photo: the JPEG named by VASK_BENCH_PHOTO, else the first 2560x1600 JPEG
// wallpaper under /usr/share/wallpapers (bench/setup.sh installs them), else
// a generated picture of that size.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/support/BenchPhoto.h"
#include "bench/support/CpuTime.h"
#include "platform/classes/Streams.h"
#include "platform/graphics/Graphics.h"
#include "zeljpeg/StreamCompressor.h"

namespace {

constexpr int kOutBufferSize = 4096;

using Photo = BenchPhoto;

const Photo& ThePhoto() {
  return BenchPhotoOfSize(2560, 1600);
}

// A DIB: header block and rows.
struct Dib {
  std::vector<uint8_t> header;
  std::vector<uint8_t> bits;
  const BITMAPINFO& Info() const { return *reinterpret_cast<const BITMAPINFO*>(header.data()); }
};

Dib MakeHeader(int width, int height, int bit_count) {
  Dib dib;
  const int entries = bit_count <= 8 ? 1 << bit_count : 0;
  dib.header.assign(sizeof(BITMAPINFOHEADER) + 4 * entries, 0);
  auto* h = reinterpret_cast<BITMAPINFOHEADER*>(dib.header.data());
  h->biSize = sizeof(BITMAPINFOHEADER);
  h->biWidth = width;
  h->biHeight = height;
  h->biPlanes = 1;
  h->biBitCount = static_cast<WORD>(bit_count);
  const int stride = ((width * bit_count + 7) / 8 + 3) & ~3;
  h->biSizeImage = static_cast<DWORD>(stride * height);
  dib.bits.assign(h->biSizeImage, 0);
  return dib;
}

Dib PhotoDib24() {
  const Photo& photo = ThePhoto();
  Dib dib = MakeHeader(photo.width, photo.height, 24);
  dib.bits = photo.bgr;
  return dib;
}

// The photo reduced to a palette of 2^bit_count colours, a colour cube of
// 8 x 4 x 8 (red, green, blue) levels for 8 bits and 2 x 4 x 2 for 4 bits.
Dib PhotoDibIndexed(int bit_count) {
  const Photo& photo = ThePhoto();
  Dib dib = MakeHeader(photo.width, photo.height, bit_count);
  const int rb_levels = bit_count == 8 ? 8 : 2;
  const int g_levels = 4;
  const int b_levels = bit_count == 8 ? 8 : 2;
  // Index = (r * g_levels + g) * b_levels + b.
  uint8_t* table = dib.header.data() + sizeof(BITMAPINFOHEADER);
  for (int r = 0; r < rb_levels; ++r)
    for (int g = 0; g < g_levels; ++g)
      for (int b = 0; b < b_levels; ++b) {
        uint8_t* e = table + 4 * ((r * g_levels + g) * b_levels + b);
        e[0] = static_cast<uint8_t>(b * 255 / (b_levels - 1));
        e[1] = static_cast<uint8_t>(g * 255 / (g_levels - 1));
        e[2] = static_cast<uint8_t>(r * 255 / (rb_levels - 1));
      }
  const int stride = ((photo.width * bit_count + 7) / 8 + 3) & ~3;
  for (int y = 0; y < photo.height; ++y) {
    const uint8_t* src = photo.bgr.data() + static_cast<size_t>(y) * photo.Stride();
    uint8_t* dst = dib.bits.data() + static_cast<size_t>(y) * stride;
    for (int x = 0; x < photo.width; ++x) {
      const int b = src[3 * x] * b_levels / 256;
      const int g = src[3 * x + 1] * g_levels / 256;
      const int r = src[3 * x + 2] * rb_levels / 256;
      const int index = (r * g_levels + g) * b_levels + b;
      if (bit_count == 8)
        dst[x] = static_cast<uint8_t>(index);
      else
        dst[x / 2] |= static_cast<uint8_t>(x % 2 == 0 ? index << 4 : index);
    }
  }
  return dib;
}

// The indexed DIB expanded to 24 bits: the same picture.
Dib Expand(const Dib& indexed) {
  const auto& h = indexed.Info().bmiHeader;
  Dib dib = MakeHeader(h.biWidth, h.biHeight, 24);
  const uint8_t* table = indexed.header.data() + sizeof(BITMAPINFOHEADER);
  const int in_stride = ((h.biWidth * h.biBitCount + 7) / 8 + 3) & ~3;
  const int out_stride = (h.biWidth * 3 + 3) & ~3;
  for (int y = 0; y < h.biHeight; ++y)
    for (int x = 0; x < h.biWidth; ++x) {
      const uint8_t* row = indexed.bits.data() + static_cast<size_t>(y) * in_stride;
      const int index =
          h.biBitCount == 8 ? row[x] : (x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 15);
      uint8_t* out = dib.bits.data() + static_cast<size_t>(y) * out_stride + 3 * x;
      out[0] = table[4 * index];
      out[1] = table[4 * index + 1];
      out[2] = table[4 * index + 2];
    }
  return dib;
}

// A compressor whose destination discards the bytes.
class TNullCompressor : public TJPEGCompressor {
 public:
  explicit TNullCompressor(TComponent* owner) : TJPEGCompressor(owner) {}
  size_t bytes = 0;

 protected:
  void InitDestination() override {
    SetNextOut(buffer_);
    SetFreeIn(kOutBufferSize);
  }
  bool EmptyOutputBuffer() override {
    bytes += kOutBufferSize;
    SetNextOut(buffer_);
    SetFreeIn(kOutBufferSize);
    return true;
  }
  void TermDestination() override { bytes += kOutBufferSize - GetFreeIn(); }

 private:
  JOCTET buffer_[kOutBufferSize];
};

void SetCounters(benchmark::State& state, const Photo& photo, size_t bytes) {
  state.SetItemsProcessed(state.iterations() * photo.width * photo.height);
  state.counters["jpeg_bytes"] = static_cast<double>(bytes);
  state.SetLabel(photo.source);
}

// The plain encode's destination: the same discarding 4096-byte buffer.
JOCTET g_plain_buffer[kOutBufferSize];
size_t g_plain_bytes = 0;
void PlainInit(j_compress_ptr cinfo) {
  cinfo->dest->next_output_byte = g_plain_buffer;
  cinfo->dest->free_in_buffer = kOutBufferSize;
}
boolean PlainEmpty(j_compress_ptr cinfo) {
  g_plain_bytes += kOutBufferSize;
  cinfo->dest->next_output_byte = g_plain_buffer;
  cinfo->dest->free_in_buffer = kOutBufferSize;
  return TRUE;
}
void PlainTerm(j_compress_ptr cinfo) {
  g_plain_bytes += kOutBufferSize - cinfo->dest->free_in_buffer;
}

// Sets up cinfo, with err and dest as its error manager and destination, to
// encode photo at quality 75 from blue-green-red rows, as the plain encode.
void SetUpPlain(jpeg_compress_struct& cinfo, jpeg_error_mgr& err, jpeg_destination_mgr& dest,
                const Photo& photo) {
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  dest = jpeg_destination_mgr{};
  dest.init_destination = PlainInit;
  dest.empty_output_buffer = PlainEmpty;
  dest.term_destination = PlainTerm;
  cinfo.dest = &dest;
  cinfo.image_width = static_cast<JDIMENSION>(photo.width);
  cinfo.image_height = static_cast<JDIMENSION>(photo.height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 75, TRUE);
}

void BM_Plain24(benchmark::State& state) {
  const Photo& photo = ThePhoto();
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  jpeg_destination_mgr dest;
  SetUpPlain(cinfo, jerr, dest, photo);
  size_t bytes = 0;
  for (auto _ : state) {
    g_plain_bytes = 0;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
      JSAMPROW row = const_cast<JSAMPROW>(photo.bgr.data()) +
                     static_cast<size_t>(photo.height - 1 - cinfo.next_scanline) * photo.Stride();
      jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    bytes = g_plain_bytes;
  }
  jpeg_destroy_compress(&cinfo);
  SetCounters(state, photo, bytes);
}

void RunWriteDIBitmap(benchmark::State& state, const Dib& dib) {
  TNullCompressor c(nullptr);
  for (auto _ : state) {
    c.bytes = 0;
    c.WriteDIBitmap(dib.Info(), dib.bits.data());
  }
  SetCounters(state, ThePhoto(), c.bytes);
}

void BM_WriteDIBitmap24(benchmark::State& state) {
  static const Dib dib = PhotoDib24();
  RunWriteDIBitmap(state, dib);
}

const Dib& Indexed(int bit_count) {
  static const Dib dib8 = PhotoDibIndexed(8);
  static const Dib dib4 = PhotoDibIndexed(4);
  return bit_count == 8 ? dib8 : dib4;
}

void BM_WriteDIBitmap8(benchmark::State& state) {
  RunWriteDIBitmap(state, Indexed(8));
}
void BM_WriteDIBitmap24Of8(benchmark::State& state) {
  static const Dib dib = Expand(Indexed(8));
  RunWriteDIBitmap(state, dib);
}
void BM_WriteDIBitmap4(benchmark::State& state) {
  RunWriteDIBitmap(state, Indexed(4));
}
void BM_WriteDIBitmap24Of4(benchmark::State& state) {
  static const Dib dib = Expand(Indexed(4));
  RunWriteDIBitmap(state, dib);
}

// The bitmap of the photo: a device bitmap of the screen's depth.
std::unique_ptr<TBitmap> PhotoBitmap() {
  static const Dib dib = PhotoDib24();
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetHandle(CreateDIBitmap(nullptr, &dib.Info().bmiHeader, CBM_INIT, dib.bits.data(),
                                   &dib.Info(), DIB_RGB_COLORS));
  return bitmap;
}

// The parts of SaveBitMapToStream: the DIB construction alone, and
// WriteBitmap (DIB construction and compression) into the null destination.
void BM_Bitmap2DIB(benchmark::State& state) {
  auto bitmap = PhotoBitmap();
  TNullCompressor c(nullptr);
  int32_t header_size = 0, image_size = 0;
  c.GetDIBSizes(bitmap->Handle(), bmDefault, header_size, image_size);
  std::vector<uint8_t> header(static_cast<size_t>(header_size));
  std::vector<uint8_t> bits(static_cast<size_t>(image_size));
  for (auto _ : state) c.Bitmap2DIB(bitmap.get(), bmDefault, header.data(), bits.data());
  SetCounters(state, ThePhoto(), 0);
}

void BM_WriteBitmapNull(benchmark::State& state) {
  auto bitmap = PhotoBitmap();
  TNullCompressor c(nullptr);
  for (auto _ : state) {
    c.bytes = 0;
    c.WriteBitmap(bitmap.get());
  }
  SetCounters(state, ThePhoto(), c.bytes);
}

void BM_SaveBitMapToStream(benchmark::State& state) {
  const Photo& photo = ThePhoto();
  auto bitmap = PhotoBitmap();
  TJPEGStreamCompressor c(nullptr);
  TMemoryStream stream;
  for (auto _ : state) {
    stream.SetPosition(0);
    c.SaveBitMapToStream(bitmap.get(), stream);
  }
  SetCounters(state, photo, static_cast<size_t>(stream.Position()));
}

// The DIB a mode encodes: the 24-bit photo (dib24), the photo at 256
// colours (dib8) and that picture at 24 bits (dib24of8); made on first use.
const Dib& EncodeInput(const std::string& mode) {
  static const Dib dib24 = PhotoDib24();
  if (mode == "dib8") return Indexed(8);
  if (mode == "dib24of8") {
    static const Dib dib24of8 = Expand(Indexed(8));
    return dib24of8;
  }
  return dib24;
}

// One encode of a paired comparison (bench/codec_vs_raw.py): the plain
// encode for plain24, else WriteDIBitmap of dib. Kept out of line under one
// name for callgrind (--toggle-collect), the inputs made before.
__attribute__((noinline)) void BenchEncodeOnce(jpeg_compress_struct* plain, const Dib* dib,
                                               TNullCompressor& ours) {
  if (plain != nullptr) {
    const Photo& photo = ThePhoto();
    jpeg_start_compress(plain, TRUE);
    while (plain->next_scanline < plain->image_height) {
      JSAMPROW row = const_cast<JSAMPROW>(photo.bgr.data()) +
                     static_cast<size_t>(photo.height - 1 - plain->next_scanline) * photo.Stride();
      jpeg_write_scanlines(plain, &row, 1);
    }
    jpeg_finish_compress(plain);
    return;
  }
  ours.WriteDIBitmap(dib->Info(), dib->bits.data());
}

// Encodes the photo repeats times in mode after one untimed encode; prints
// the CPU seconds of one encode.
int RunMode(const std::string& mode, int repeats) {
  const Photo& photo = ThePhoto();
  jpeg_compress_struct plain;
  jpeg_error_mgr jerr;
  jpeg_destination_mgr dest;
  SetUpPlain(plain, jerr, dest, photo);
  TNullCompressor ours(nullptr);
  jpeg_compress_struct* const plain_run = mode == "plain24" ? &plain : nullptr;
  const Dib* const dib = plain_run != nullptr ? nullptr : &EncodeInput(mode);
  BenchEncodeOnce(plain_run, dib, ours);
  const double start = CpuSeconds();
  for (int i = 0; i < repeats; ++i) BenchEncodeOnce(plain_run, dib, ours);
  std::printf("%.9f\n", (CpuSeconds() - start) / std::max(repeats, 1));
  jpeg_destroy_compress(&plain);
  return 0;
}

}  // namespace

BENCHMARK(BM_Plain24)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WriteDIBitmap24)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WriteDIBitmap8)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WriteDIBitmap24Of8)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WriteDIBitmap4)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WriteDIBitmap24Of4)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Bitmap2DIB)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WriteBitmapNull)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SaveBitMapToStream)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char** argv) {
  InitGraphicsUnit();
  if (argc == 4 && std::string(argv[1]) == "--run") return RunMode(argv[2], std::atoi(argv[3]));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
