// Separate objects on separate threads: decoders, encoders, pictures, bitmap
// conversions and metafiles run on four threads at once, and every result
// must equal the one the same work gives on a single thread. Also: what a
// TJPEGBitmap load on another thread takes from the shared decompressor.
#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "tests/support/Pictures.h"
#include "tests/support/TestSupport.h"
#include "zeljpeg/Zeljpeg.h"

namespace {

constexpr int kThreads = 4;

// Runs make() once on this thread, then rounds times on each of kThreads
// threads started together; every result must equal the first. make must
// use objects of its own only.
void ExpectSameOnThreads(const std::function<std::string()>& make, int rounds) {
  const std::string expected = make();
  ASSERT_FALSE(expected.empty());
  std::vector<std::string> failures(kThreads);
  std::atomic<int> ready{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      ++ready;
      while (ready < kThreads) std::this_thread::yield();
      for (int r = 0; r < rounds && failures[t].empty(); ++r) {
        try {
          if (make() != expected) failures[t] = "round " + std::to_string(r) + ": different result";
        } catch (const Exception& e) {
          failures[t] = "round " + std::to_string(r) + ": " + e.Message();
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], "") << "thread " << t;
}

std::string Bytes(TMemoryStream& stream) {
  return StreamBytes(stream);
}

// The test pictures: a photograph-like JPEG made by cjpeg, and the same
// picture as a BMP file.
struct Inputs {
  std::string jpeg = CJpeg(PhotoImage(160, 120, 7), "-quality 85");
  std::string progressive = CJpeg(PhotoImage(96, 64, 3), "-quality 80 -progressive");
  std::string bmp;
  Inputs() {
    TJPEGStreamDecompressor decoder(nullptr);
    TMemoryStream in, out;
    FillStream(in, jpeg);
    decoder.ConvertToDIB(in, out, jp24bit);
    bmp = StreamBytes(out);
  }
};

const Inputs& TheInputs() {
  static const Inputs inputs;
  return inputs;
}

std::string Decode(const std::string& jpeg, TJPEGOutputType type) {
  TJPEGStreamDecompressor decoder(nullptr);
  decoder.OnWarning = [](const char*) {};
  TMemoryStream in, out;
  FillStream(in, jpeg);
  decoder.ConvertToDIB(in, out, type);
  return Bytes(out);
}

std::string Encode(const std::string& bmp, bool progressive) {
  TBitmap bitmap;
  TMemoryStream in, out;
  FillStream(in, bmp);
  bitmap.LoadFromStream(in);
  TJPEGStreamCompressor encoder(nullptr);
  encoder.SetQuality(80);
  encoder.SetProgressiveJPEG(progressive);
  encoder.SaveBitMapToStream(&bitmap, out);
  return Bytes(out);
}

// JPEG file -> TPicture -> BMP and JPEG files, through TJPEGBitmap and the
// shared instances (or copies of their settings on other threads).
std::string PictureRoundTrip(const TempDir& dir) {
  static std::atomic<int> serial{0};
  const std::string name = dir.File("p" + std::to_string(serial++));
  WriteFileBytes(name + ".jpg", TheInputs().jpeg);
  TPicture picture;
  picture.LoadFromFile(name + ".jpg");
  picture.SaveToFile(name + ".bmp");
  picture.SaveToFile(name + ".out.jpg");
  return ReadFileBytes(name + ".bmp") + ReadFileBytes(name + ".out.jpg");
}

// The BMP file's pixels in a screen-compatible bitmap, shrunk with
// HALFTONE, read back at 24 and at 4 bits.
std::string Conversions(const std::string& bmp) {
  // The DIB after the 14-byte file header, copied to be aligned.
  std::vector<uint32_t> dib((bmp.size() - sizeof(BITMAPFILEHEADER) + 3) / 4);
  std::memcpy(dib.data(), bmp.data() + sizeof(BITMAPFILEHEADER),
              bmp.size() - sizeof(BITMAPFILEHEADER));
  DWORD offset = 0;
  std::memcpy(&offset, bmp.data() + offsetof(BITMAPFILEHEADER, bfOffBits), sizeof offset);
  const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
  const auto* bits =
      reinterpret_cast<const uint8_t*>(dib.data()) + offset - sizeof(BITMAPFILEHEADER);
  const int w = info->bmiHeader.biWidth, h = info->bmiHeader.biHeight;
  HDC screen = GetDC(nullptr);
  HBITMAP source = CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, bits, info, DIB_RGB_COLORS);
  HBITMAP small = CreateCompatibleBitmap(screen, w / 3, h / 3);
  HDC from = CreateCompatibleDC(screen);
  HDC to = CreateCompatibleDC(screen);
  HGDIOBJ old_from = SelectObject(from, source);
  HGDIOBJ old_to = SelectObject(to, small);
  SetStretchBltMode(to, HALFTONE);
  const BOOL blitted = StretchBlt(to, 0, 0, w / 3, h / 3, from, 0, 0, w, h, SRCCOPY);
  SelectObject(from, old_from);
  SelectObject(to, old_to);
  DeleteDC(from);
  DeleteDC(to);
  std::string out = blitted ? "" : "StretchBlt failed";
  for (int bpp : {24, 4}) {
    std::vector<uint8_t> header(sizeof(BITMAPINFOHEADER) + 16 * sizeof(RGBQUAD));
    auto* bi = reinterpret_cast<BITMAPINFO*>(header.data());
    bi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi->bmiHeader.biWidth = w / 3;
    bi->bmiHeader.biHeight = h / 3;
    bi->bmiHeader.biPlanes = 1;
    bi->bmiHeader.biBitCount = static_cast<WORD>(bpp);
    std::string bits(static_cast<size_t>((w / 3 * bpp + 31) / 32 * 4 * (h / 3)), '\0');
    if (GetDIBits(screen, small, 0, h / 3, bits.data(), bi, DIB_RGB_COLORS) != h / 3)
      out += "GetDIBits failed";
    out.append(reinterpret_cast<const char*>(header.data()), header.size());
    out += bits;
  }
  DeleteObject(small);
  DeleteObject(source);
  ReleaseDC(nullptr, screen);
  return out;
}

// A metafile file played onto a 24-bit bitmap of its frame's pixel size.
std::string Playback(const std::string& emf) {
  HENHMETAFILE metafile =
      SetEnhMetaFileBits(static_cast<UINT>(emf.size()), reinterpret_cast<const BYTE*>(emf.data()));
  if (!metafile) return "SetEnhMetaFileBits failed";
  constexpr int kW = 200, kH = 150;
  HDC screen = GetDC(nullptr);
  HBITMAP target = CreateCompatibleBitmap(screen, kW, kH);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, target);
  PatBlt(dc, 0, 0, kW, kH, WHITENESS);
  const RECT rect{0, 0, kW, kH};
  std::string out = PlayEnhMetaFile(dc, metafile, &rect) ? "" : "PlayEnhMetaFile failed";
  SelectObject(dc, old);
  DeleteDC(dc);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = kW;
  bi.bmiHeader.biHeight = kH;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  std::string bits(static_cast<size_t>((kW * 3 + 3) / 4 * 4 * kH), '\0');
  if (GetDIBits(screen, target, 0, kH, bits.data(), &bi, DIB_RGB_COLORS) != kH)
    out += "GetDIBits failed";
  DeleteObject(target);
  ReleaseDC(nullptr, screen);
  DeleteEnhMetaFile(metafile);
  return out + bits;
}

// A metafile recorded with pens of its own, which are deleted (recorded as
// deletions) while other threads record theirs.
std::string Recording() {
  HDC dc = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  for (int i = 0; i < 8; ++i) {
    HPEN pen = CreatePen(PS_SOLID, 1 + i % 3, RGB(i * 30, 0, 255 - i * 30));
    HGDIOBJ old = SelectObject(dc, pen);
    Rectangle(dc, i * 4, i * 3, 60 + i * 5, 40 + i * 2);
    SelectObject(dc, old);
    DeleteObject(pen);
  }
  HENHMETAFILE metafile = CloseEnhMetaFile(dc);
  if (!metafile) return "";
  std::string out(GetEnhMetaFileBits(metafile, 0, nullptr), '\0');
  GetEnhMetaFileBits(metafile, static_cast<UINT>(out.size()), reinterpret_cast<BYTE*>(out.data()));
  DeleteEnhMetaFile(metafile);
  return out;
}

struct Job {
  const char* name;
  int rounds;
  std::function<std::string()> make;
};

class Threads : public testing::TestWithParam<Job> {};

TEST_P(Threads, SameResultOnFourThreadsAtOnce) {
  ExpectSameOnThreads(GetParam().make, GetParam().rounds);
}

TempDir& PictureDir() {
  static TempDir dir;
  return dir;
}

INSTANTIATE_TEST_SUITE_P(
    SeparateObjects, Threads,
    testing::Values(
        Job{"Decode24", 40, [] { return Decode(TheInputs().jpeg, jp24bit); }},
        Job{"Decode8", 10, [] { return Decode(TheInputs().jpeg, jp8bit); }},
        Job{"Decode4", 6, [] { return Decode(TheInputs().jpeg, jp4bit); }},
        Job{"DecodeGray", 6, [] { return Decode(TheInputs().jpeg, jpGrayscale); }},
        Job{"DecodeProgressive", 6, [] { return Decode(TheInputs().progressive, jp24bit); }},
        Job{"Encode", 16, [] { return Encode(TheInputs().bmp, false); }},
        Job{"EncodeProgressive", 4, [] { return Encode(TheInputs().bmp, true); }},
        Job{"PictureLoadSave", 12, [] { return PictureRoundTrip(PictureDir()); }},
        Job{"BitmapConversions", 16, [] { return Conversions(TheInputs().bmp); }},
        Job{"PlayShapes", 4,
            [] { return Playback(ReadFileBytes(TestDataPath("metafiles/canvas-shapes.emf"))); }},
        Job{"PlayText", 4,
            [] { return Playback(ReadFileBytes(TestDataPath("metafiles/wine-text.emf"))); }},
        Job{"PlayPaths", 4,
            [] { return Playback(ReadFileBytes(TestDataPath("metafiles/wine-paths.emf"))); }},
        Job{"Record", 60, Recording}),
    [](const testing::TestParamInfo<Job>& info) { return std::string(info.param.name); });

// While the shared decompressor decodes on this thread (the one that made
// it), a TJPEGBitmap load on another thread neither waits nor fails as busy:
// it decodes with a copy of the shared instance's settings, and none of the
// shared instance's handlers run on that thread. Its warnings, without a
// handler, go to standard error instead of a message box.
TEST(SharedInstance, LoadOnAnotherThreadWhileBusyUsesACopyOfTheSettings) {
  delete SharedStreamDecompressor;  // one the suite's bitmaps made
  TJPEGStreamDecompressor mine(nullptr);
  ASSERT_EQ(SharedStreamDecompressor, &mine);
  mine.GrayScaleOutput = true;
  mine.SetScale(jsHalf);
  const std::thread::id home = std::this_thread::get_id();
  std::atomic<int> handlers_elsewhere{0};
  std::string worker_error = "not run";
  bool worker_gray = false;
  int32_t worker_width = 0;
  const std::string truncated = TheInputs().jpeg.substr(0, TheInputs().jpeg.size() / 2);
  mine.OnWarning = [&](const char*) {
    if (std::this_thread::get_id() != home) ++handlers_elsewhere;
  };
  mine.OnProgressReport = [&](TObject*) {
    if (std::this_thread::get_id() != home) ++handlers_elsewhere;
    if (worker_error != "not run") return;
    worker_error.clear();
    std::thread worker([&] {
      try {
        for (const std::string& data : {TheInputs().jpeg, truncated}) {
          TJPEGBitmap bitmap;
          TMemoryStream in;
          FillStream(in, data);
          bitmap.LoadFromStream(in);
          TMemoryStream bmp;
          bitmap.SaveToStream(bmp);  // SaveAsBitmap is off: JPEG through a copy
          worker_gray = bitmap.Palette() != nullptr;
          if (worker_width == 0) worker_width = bitmap.Width();
        }
      } catch (const Exception& e) {
        worker_error = e.Message();
      }
    });
    worker.join();
  };
  MessageBoxRecorder boxes;
  TJPEGBitmap bitmap;
  TMemoryStream in;
  FillStream(in, TheInputs().jpeg);
  bitmap.LoadFromStream(in);
  EXPECT_EQ(worker_error, "");
  EXPECT_TRUE(worker_gray) << "the copy decoded in colour: GrayScaleOutput was not copied";
  EXPECT_EQ(worker_width, bitmap.Width()) << "the copy decoded at another scale";
  EXPECT_EQ(handlers_elsewhere, 0);
  EXPECT_TRUE(boxes.Boxes().empty());
}

}  // namespace
