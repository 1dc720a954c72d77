// Decoder speed: ReadDIBitmap (through a stream decompressor, as applications
// use it) against a plain libjpeg-turbo scanline decode into the same
// bottom-up BGR buffer, at 24 bits and quantised to 64 colours.
//
// Photos: the files named in VASK_BENCH_PHOTOS (colon-separated), else the
// 2560x1600 and 5120x2880 wallpapers that bench/setup.sh installs.
//
// bench_decode --run MODE FILE REPEATS serves bench/codec_vs_raw.py, which
// compares the front ends with the plain decode in paired rounds.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/support/CpuTime.h"
#include "zeljpeg/Zeljpeg.h"

namespace {

std::vector<std::string> Photos() {
  std::vector<std::string> photos;
  if (const char* env = std::getenv("VASK_BENCH_PHOTOS")) {
    std::stringstream list(env);
    for (std::string p; std::getline(list, p, ':');)
      if (!p.empty()) photos.push_back(p);
    return photos;
  }
  namespace fs = std::filesystem;
  for (const char* size : {"2560x1600", "5120x2880"}) {
    std::vector<std::string> found;
    std::error_code ec;
    for (auto& theme : fs::directory_iterator("/usr/share/wallpapers", ec)) {
      fs::path p = theme.path() / "contents" / "images" / (std::string(size) + ".jpg");
      if (fs::exists(p)) found.push_back(p.string());
    }
    std::sort(found.begin(), found.end());
    if (!found.empty()) photos.push_back(found.front());
  }
  return photos;
}

std::string Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// The plain decode: memory source, one scanline per call straight into its
// row of a bottom-up DIB buffer.
void PlainDecode(const std::string& jpeg, std::vector<uint8_t>& dib, bool quantise) {
  jpeg_decompress_struct d{};
  jpeg_error_mgr err{};
  d.err = jpeg_std_error(&err);
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size());
  jpeg_read_header(&d, TRUE);
  d.out_color_space = JCS_EXT_BGR;
  if (quantise) {
    d.quantize_colors = TRUE;
    d.desired_number_of_colors = 64;
    d.two_pass_quantize = TRUE;
    d.dither_mode = JDITHER_FS;
    d.out_color_space = JCS_RGB;
  }
  jpeg_start_decompress(&d);
  const size_t row = (static_cast<size_t>(d.output_width) * d.output_components + 3) & ~size_t{3};
  const size_t size = row * d.output_height;
  if (dib.size() < size) dib.resize(size);
  while (d.output_scanline < d.output_height) {
    JSAMPROW p = dib.data() + row * (d.output_height - 1 - d.output_scanline);
    jpeg_read_scanlines(&d, &p, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
}

void ComponentDecode(TJPEGStreamDecompressor& c, TMemoryStream& in, std::vector<uint8_t>& dib,
                     std::vector<uint8_t>& info, TJPEGOutputType type) {
  in.SetPosition(0);
  c.OpenStream(in);
  const size_t size = static_cast<size_t>(c.GetDIBitsSize(type));
  if (dib.size() < size) dib.resize(size);
  c.ReadDIBitmap(reinterpret_cast<BITMAPINFO*>(info.data()), type, dib.data());
  c.CloseStream();
}

void BM_Plain(benchmark::State& state, std::string jpeg, bool quantise) {
  std::vector<uint8_t> dib;
  for (auto _ : state) {
    PlainDecode(jpeg, dib, quantise);
    benchmark::DoNotOptimize(dib.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * dib.size()));
}

void BM_ReadDIBitmap(benchmark::State& state, std::string jpeg, TJPEGOutputType type) {
  TJPEGStreamDecompressor c(nullptr);
  TMemoryStream in;
  in.WriteBuffer(jpeg.data(), static_cast<int32_t>(jpeg.size()));
  std::vector<uint8_t> dib, info(TJPEGDecompressor::GetBitmapInfoSize(type));
  for (auto _ : state) {
    ComponentDecode(c, in, dib, info, type);
    benchmark::DoNotOptimize(dib.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * dib.size()));
}

// One decode of a paired comparison (bench/codec_vs_raw.py), by mode:
//   raw24, raw8         the plain decode (24-bit; 64 colours two-pass FS)
//   dib24, dib8         ReadDIBitmap through a stream decompressor on a
//                       memory stream, into a buffer kept between decodes
//   dib24buffered       the same through the 4096-byte read buffer
//   fromstream24        ReadDIBitmapFromStream on a memory stream (a new
//                       global block each time, freed after)
//   bitmap24            TJPEGBitmap::LoadFromStream from a memory stream
//                       (decoded straight into the 32-bit device bitmap)
// Kept out of line under one name, so that callgrind can count this
// function's instructions alone (--toggle-collect=*BenchDecodeOnce*).
// A memory stream seen through Read and Seek only: the decompressor reads
// it through its read buffer, as it reads files (and as it read memory
// streams before it read them in place).
class TBufferedView : public TStream {
 public:
  explicit TBufferedView(TMemoryStream& inner) : inner_(inner) {}
  int32_t Read(void* buffer, int32_t count) override { return inner_.Read(buffer, count); }
  int32_t Write(const void*, int32_t) override { return 0; }
  int64_t Seek(int64_t offset, int origin) override { return inner_.Seek(offset, origin); }
  int64_t Size() override { return inner_.Size(); }

 private:
  TMemoryStream& inner_;
};

struct DecodeRun {
  std::string mode, jpeg;
  TMemoryStream in;
  TJPEGStreamDecompressor decompressor{nullptr};
  std::vector<uint8_t> dib, info = std::vector<uint8_t>(1064);
  TJPEGBitmap bitmap;
};

__attribute__((noinline)) void BenchDecodeOnce(DecodeRun& r) {
  if (r.mode == "raw24" || r.mode == "raw8") {
    PlainDecode(r.jpeg, r.dib, r.mode == "raw8");
  } else if (r.mode == "dib24" || r.mode == "dib8") {
    ComponentDecode(r.decompressor, r.in, r.dib, r.info, r.mode == "dib8" ? jp8bit : jp24bit);
  } else if (r.mode == "dib24buffered") {
    r.in.SetPosition(0);
    TBufferedView view(r.in);
    r.decompressor.OpenStream(view);
    const size_t size = static_cast<size_t>(r.decompressor.GetDIBitsSize(jp24bit));
    if (r.dib.size() < size) r.dib.resize(size);
    r.decompressor.ReadDIBitmap(reinterpret_cast<BITMAPINFO*>(r.info.data()), jp24bit,
                                r.dib.data());
    r.decompressor.CloseStream();
  } else if (r.mode == "fromstream24") {
    r.in.SetPosition(0);
    HGLOBAL bits = nullptr;
    r.decompressor.ReadDIBitmapFromStream(r.in, reinterpret_cast<BITMAPINFO*>(r.info.data()),
                                          jp24bit, bits);
    GlobalFree(bits);
  } else if (r.mode == "bitmap24") {
    r.in.SetPosition(0);
    r.bitmap.LoadFromStream(r.in);
  } else {
    throw Exception("unknown mode " + r.mode);
  }
}

// Decodes file repeats times in mode after two untimed decodes; prints the
// CPU seconds of one decode (the mean of the timed ones).
int RunMode(const std::string& mode, const char* file, int repeats) {
  try {
    DecodeRun r;
    r.mode = mode;
    r.jpeg = Load(file);
    if (r.jpeg.empty()) throw Exception(std::string("cannot read ") + file);
    r.in.WriteBuffer(r.jpeg.data(), static_cast<int32_t>(r.jpeg.size()));
    // Two untimed decodes: a bitmap load keeps the old image until the new
    // one is complete, so its steady state alternates two pixel blocks, and
    // the second load is the first that finds one to reuse.
    BenchDecodeOnce(r);
    BenchDecodeOnce(r);
    const double start = CpuSeconds();
    for (int i = 0; i < repeats; ++i) BenchDecodeOnce(r);
    std::printf("%.9f\n", (CpuSeconds() - start) / std::max(repeats, 1));
    return 0;
  } catch (const Exception& e) {
    std::fprintf(stderr, "bench_decode: %s\n", e.what());
    return 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  InitZeljpegUnit();
  // The codec frees its image memory after every decode. Whether glibc then
  // hands those pages back to the kernel (and the next decode faults them in
  // again) depends on incidental heap layout, which differs between the two
  // benchmarked paths and swamps the decode itself. Keep freed memory in the
  // heap so that both paths run under the same allocator conditions
  // (VASK_BENCH_DEFAULT_MALLOC=1 turns this off).
  if (std::getenv("VASK_BENCH_DEFAULT_MALLOC") == nullptr) {
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
  }
  if (argc == 5 && std::strcmp(argv[1], "--run") == 0)
    return RunMode(argv[2], argv[3], std::atoi(argv[4]));
  for (const std::string& path : Photos()) {
    const std::string jpeg = Load(path);
    const std::string name =
        std::filesystem::path(path).parent_path().parent_path().parent_path().filename().string() +
        "/" + std::filesystem::path(path).stem().string();
    benchmark::RegisterBenchmark(("Plain24/" + name).c_str(), BM_Plain, jpeg, false)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("ReadDIBitmap24/" + name).c_str(), BM_ReadDIBitmap, jpeg, jp24bit)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Plain8/" + name).c_str(), BM_Plain, jpeg, true)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("ReadDIBitmap8/" + name).c_str(), BM_ReadDIBitmap, jpeg, jp8bit)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
