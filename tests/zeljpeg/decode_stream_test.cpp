// TJPEGStreamDecompressor: the read-ahead buffer and its size rules, the
// source operations at the end of the data, embedded data, the DIB front
// ends and the shared instance.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/zeljpeg/decode_fixtures.h"

using namespace decodetest;

namespace {

class ETestError : public Exception {
 public:
  ETestError() : Exception("stream failure") {}
};

// A stream over bytes that counts what is read and can fail after a number
// of bytes, or refuse every seek as a pipe does.
class TProbeStream : public TStream {
 public:
  explicit TProbeStream(const std::string& bytes, int64_t fail_after = -1, bool seekable = true)
      : fail_after_(fail_after), seekable_(seekable) {
    FillStream(inner_, bytes);
  }
  int32_t Read(void* buffer, int32_t count) override {
    if (fail_after_ >= 0 && bytes_read + count > fail_after_) throw ETestError();
    int32_t n = inner_.Read(buffer, count);
    bytes_read += n;
    return n;
  }
  int32_t Write(const void* buffer, int32_t count) override { return inner_.Write(buffer, count); }
  int64_t Seek(int64_t offset, int origin) override {
    if (!seekable_) throw EStreamError("Invalid stream seek");
    return inner_.Seek(offset, origin);
  }
  int64_t bytes_read = 0;

 private:
  TMemoryStream inner_;
  int64_t fail_after_;
  bool seekable_;
};

std::string Decode24(TJPEGStreamDecompressor& d, TStream& in) {
  TMemoryStream out;
  d.ConvertToDIB(in, out, jp24bit);
  return StreamBytes(out);
}

TEST(DecodeStream, AnEmptyStreamIsPrematureEndOfInput) {
  TProbeDecompressor d(nullptr);
  TMemoryStream in;
  try {
    Decode24(d, in);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Premature end of input file");
  }
  EXPECT_EQ(d.Stream(), nullptr);
}

TEST(DecodeStream, AStreamAlreadyAtItsEndWarnsThenIsNotAJpeg) {
  TProbeDecompressor d(nullptr);
  std::vector<std::string> warnings;
  d.OnWarning = [&](const char* w) { warnings.emplace_back(w); };
  TMemoryStream in;
  FillStream(in, CJpeg(Ppm(8, 8)));
  in.Seek(0, soFromEnd);
  try {
    Decode24(d, in);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Not a JPEG file: starts with 0xff 0xd9");
  }
  EXPECT_EQ(warnings, std::vector<std::string>{"Premature end of JPEG file"});
}

TEST(DecodeStream, DataCutInsideTheScanGivesTheFullImageAndOneWarning) {
  const std::string full = CJpeg(Ppm(48, 40));
  TProbeDecompressor d(nullptr);
  std::vector<std::string> warnings;
  d.OnWarning = [&](const char* w) { warnings.emplace_back(w); };
  Bmp bmp = ParseBmp(ConvertToBmp(d, full.substr(0, full.size() * 2 / 3), jp24bit));
  EXPECT_EQ(bmp.info.biWidth, 48);
  EXPECT_EQ(bmp.info.biHeight, 40);
  EXPECT_EQ(warnings, std::vector<std::string>{"Premature end of JPEG file"});
  EXPECT_GE(d.GetWarnings(), 2);  // the cut data segment is counted too
}

TEST(DecodeStream, EmbeddedJpegAtOffset100) {
  const std::string jpeg = CJpeg(Ppm(20, 12));
  const std::string data = std::string(100, 'p') + jpeg + std::string(5000, 's');
  TProbeDecompressor d(nullptr);
  TMemoryStream in;
  FillStream(in, data);
  in.SetPosition(100);
  Bmp ours = ParseBmp(Decode24(d, in));
  Bmp alone = ParseBmp(ConvertToBmp(d, jpeg, jp24bit));
  EXPECT_EQ(ours.bits, alone.bits);
  // (Re-run the embedded decode to look at the position it leaves.)
  in.SetPosition(100);
  Decode24(d, in);
  const int64_t end = 100 + static_cast<int64_t>(jpeg.size());
  EXPECT_GE(in.Position(), end);
  EXPECT_LE(in.Position(), end + d.BufSize());
  try {
    d.SetBufSize(1000);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Cannot change buffer size while buffer is in use");
  }
  EXPECT_EQ(d.BufSize(), 4096);
  // A file that ends with the image leaves no unread bytes.
  ConvertToBmp(d, jpeg, jp24bit);
  EXPECT_NO_THROW(d.SetBufSize(1000));
  EXPECT_EQ(d.BufSize(), 1000);
}

// What a decode leaves its caller to see: the rows, the stream's position
// after the header, after the decode and whenever a handler runs, the
// warnings, what a marker handler read, and whether the buffer may be
// resized afterwards.
struct TSeen {
  std::string rows;
  int64_t after_header = -1, after = -1;
  std::vector<int64_t> at_events;    // comment and warning handlers
  std::vector<int64_t> at_progress;  // progress handlers
  std::vector<std::string> warnings;
  std::string app5;
  bool resizable = false;
};

TSeen Observe(TStream& in, int64_t start, int32_t buffer_size) {
  TProbeDecompressor d(nullptr);
  d.SetBufSize(buffer_size);
  TSeen seen;
  d.OnWarning = [&](const char* w) {
    seen.warnings.emplace_back(w);
    seen.at_events.push_back(in.Position());
  };
  d.OnProgressReport = [&](TObject*) { seen.at_progress.push_back(in.Position()); };
  d.OnJPEGComment = [&](TJPEGBase*, const char*) { seen.at_events.push_back(in.Position()); };
  d.OnJPEGMarker = [&](TJPEGBase*, int n, bool& done) {
    if (n != 5) return;
    const int length = d.GetByte() << 8 | d.GetByte();
    for (int i = 2; i < length; ++i) seen.app5 += static_cast<char>(d.GetByte());
    done = true;
  };
  in.SetPosition(start);
  d.OpenStream(in);
  seen.after_header = in.Position();
  std::vector<uint8_t> info(static_cast<size_t>(d.GetBitmapInfoSize(jp24bit)));
  seen.rows.resize(static_cast<size_t>(d.GetDIBitsSize(jp24bit)));
  d.ReadDIBitmap(reinterpret_cast<BITMAPINFO*>(info.data()), jp24bit, seen.rows.data());
  d.CloseStream();
  seen.after = in.Position();
  try {
    d.SetBufSize(buffer_size + 1);
    seen.resizable = true;
  } catch (const Exception&) {
  }
  return seen;
}

// A memory stream is read in place, a probe stream through the buffer: the
// caller sees the same either way, for every buffer size.
TEST(DecodeStream, AMemoryStreamReadInPlaceLooksAsIfBuffered) {
  const std::string jpeg = CJpeg(PhotoImage(160, 120), "-quality 95");
  const std::string progressive = CJpeg(PhotoImage(96, 64), "-progressive");
  struct Case {
    const char* name;
    std::string data;
    int64_t start;
    bool whole = true;
  };
  const std::vector<Case> cases = {
      {"embedded",
       std::string(100, 'p') + InsertSegment(jpeg, 0xFE, "note") + std::string(5000, 's'), 100},
      {"ends with the image", jpeg, 0},
      {"long APP0 skipped", InsertSegment(jpeg, 0xE0, "JFXX" + std::string(50000, 'z')) + "tail",
       0},
      {"APP5 read by its handler", InsertSegment(jpeg, 0xE5, std::string(9000, 'm')) + "tail", 0},
      {"cut inside the scan", jpeg.substr(0, jpeg.size() * 2 / 3), 0, false},
      {"progressive", progressive + std::string(70, 't'), 0},
  };
  for (const Case& c : cases) {
    for (int32_t size : {4096, 1000, 7, 65536}) {
      SCOPED_TRACE(std::string(c.name) + ", buffer " + std::to_string(size));
      TMemoryStream memory;
      FillStream(memory, c.data);
      TProbeStream buffered(c.data);
      const TSeen in_place = Observe(memory, c.start, size);
      const TSeen expected = Observe(buffered, c.start, size);
      EXPECT_EQ(in_place.after_header, expected.after_header);
      EXPECT_EQ(in_place.after, expected.after);
      EXPECT_EQ(in_place.at_events, expected.at_events);
      EXPECT_EQ(in_place.warnings, expected.warnings);
      EXPECT_EQ(in_place.app5, expected.app5);
      EXPECT_EQ(in_place.resizable, expected.resizable);
      ASSERT_EQ(in_place.at_progress.size(), expected.at_progress.size());
      // The codec decodes the rows after a cut differently with more bytes at
      // hand, as it does between any two buffer sizes.
      if (!c.whole) continue;
      EXPECT_EQ(in_place.rows, expected.rows);
      // While it decodes, the codec's bit buffer holds a few bytes more or
      // fewer with more bytes at hand: the position may be a buffer apart.
      for (size_t i = 0; i < expected.at_progress.size(); ++i)
        EXPECT_LE(std::abs(in_place.at_progress[i] - expected.at_progress[i]), size);
    }
  }
}

// A decode that fails half-way leaves a memory stream where buffered reading
// leaves its stream, and never touches the stream again: it may be freed.
TEST(DecodeStream, AFailedDecodeLetsGoOfAMemoryStreamReadInPlace) {
  const std::string jpeg = CJpeg(PhotoImage(160, 120), "-quality 95");
  auto fail_half_way = [&](TStream& in) {
    TProbeDecompressor d(nullptr);
    d.OnProgressReport = [&](TObject*) {
      if (d.GetPercentDone() > 50) throw ETestError();
    };
    d.OpenStream(in);
    std::string bits(static_cast<size_t>(d.GetDIBitsSize(jp24bit)), '\0');
    std::vector<uint8_t> info(static_cast<size_t>(d.GetBitmapInfoSize(jp24bit)));
    EXPECT_THROW(d.ReadDIBitmap(reinterpret_cast<BITMAPINFO*>(info.data()), jp24bit, bits.data()),
                 ETestError);
    return in.Position();
  };
  TProbeStream buffered(jpeg);
  const auto expected = fail_half_way(buffered);
  TProbeDecompressor d(nullptr);
  {
    auto in = std::make_unique<TMemoryStream>();
    FillStream(*in, jpeg);
    const auto seen = fail_half_way(*in);
    EXPECT_LE(std::abs(seen - expected), 4096);
    EXPECT_TRUE(seen % 4096 == 0 || seen == static_cast<int64_t>(jpeg.size())) << seen;
    // The same component, then the stream freed before it is closed.
    d.OnProgressReport = [&](TObject*) {
      if (d.GetPercentDone() > 50) throw ETestError();
    };
    in->SetPosition(0);
    d.OpenStream(*in);
    std::string bits(static_cast<size_t>(d.GetDIBitsSize(jp24bit)), '\0');
    std::vector<uint8_t> info(static_cast<size_t>(d.GetBitmapInfoSize(jp24bit)));
    EXPECT_THROW(d.ReadDIBitmap(reinterpret_cast<BITMAPINFO*>(info.data()), jp24bit, bits.data()),
                 ETestError);
  }
  d.CloseStream();
  d.OnProgressReport = nullptr;
  EXPECT_EQ(ParseBmp(ConvertToBmp(d, jpeg, jp24bit)).info.biWidth, 160);
}

TEST(DecodeStream, AnyBufferSizeDecodesTheSame) {
  const std::string jpeg = CJpeg(Ppm(33, 21), "-progressive");
  TProbeDecompressor d(nullptr);
  const std::string baseline = CJpeg(Ppm(33, 21));
  const std::string expected = ConvertToBmp(d, jpeg, jp8bit);
  for (int size : {1, 2, 3, 7, 64, 100000}) {
    TProbeDecompressor small(nullptr);
    small.OnWarning = [](const char*) {};
    small.SetBufSize(size);
    EXPECT_EQ(ConvertToBmp(small, jpeg, jp8bit), expected) << size;
    // A cut stream, even with a 1-byte buffer, still gets its end-of-image
    // marker.
    EXPECT_NO_THROW(ConvertToBmp(small, baseline.substr(0, baseline.size() - 40), jp24bit)) << size;
  }
}

TEST(DecodeStream, ZeroBufferSizeIsOutOfMemoryAndDecodesAreRefusedUntilReplaced) {
  TProbeDecompressor d(nullptr);
  EXPECT_THROW(d.SetBufSize(0), EOutOfMemory);
  EXPECT_EQ(d.BufSize(), 0);
  TMemoryStream in;
  FillStream(in, CJpeg(Ppm(8, 8)));
  try {
    Decode24(d, in);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "The JPEG decompressor has no read buffer");
  }
  EXPECT_EQ(in.Position(), 0);
  EXPECT_EQ(d.Stream(), nullptr);
  EXPECT_THROW(d.SetBufSize(-5), EOutOfMemory);
  d.SetBufSize(16);
  EXPECT_EQ(ParseBmp(Decode24(d, in)).info.biWidth, 8);
}

TEST(DecodeStream, LongSkipsSeekInsteadOfReading) {
  // APP0 segments are the codec's: it skips most of a long one.
  std::string jpeg = CJpeg(Ppm(8, 8));
  jpeg = InsertSegment(jpeg, 0xE0, "JFXX" + std::string(50000, 'z'));
  TProbeDecompressor d(nullptr);
  TProbeStream in(jpeg);
  Bmp bmp = ParseBmp(Decode24(d, in));
  EXPECT_EQ(bmp.info.biWidth, 8);
  EXPECT_LT(in.bytes_read, 20000);
}

// A stream that cannot seek (a pipe) decodes as a file does: skipped bytes
// are read, and an empty stream is still told from one that ran dry.
TEST(DecodeStream, AStreamThatCannotSeek) {
  TProbeDecompressor d(nullptr);
  std::vector<std::string> warnings;
  d.OnWarning = [&](const char* w) { warnings.emplace_back(w); };
  const std::string jpeg =
      InsertSegment(CJpeg(Pgm(64, 64)), 0xE0, "JFXX" + std::string(50000, 'z'));
  for (const std::string& bytes : {jpeg, jpeg.substr(0, jpeg.size() - 30)}) {
    TProbeStream file(bytes), pipe(bytes, -1, false);
    TMemoryStream from_file, from_pipe;
    d.ConvertToDIB(file, from_file, jpGrayscale);
    d.ConvertToDIB(pipe, from_pipe, jpGrayscale);
    EXPECT_EQ(StreamBytes(from_pipe), StreamBytes(from_file));
  }
  EXPECT_EQ(warnings,
            (std::vector<std::string>{"Premature end of JPEG file", "Premature end of JPEG file"}));
  TProbeStream empty("", -1, false);
  try {
    Decode24(d, empty);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Premature end of input file");
  }
}

TEST(DecodeStream, StreamFailuresReachTheCallerAndTheComponentRecovers) {
  const std::string jpeg = CJpeg(Ppm(64, 64), "-progressive");
  TProbeDecompressor d(nullptr);
  d.SetBufSize(256);
  for (int64_t fail_after : {0, 300, 1000}) {
    TProbeStream in(jpeg, fail_after);
    EXPECT_THROW(Decode24(d, in), ETestError) << fail_after;
    EXPECT_EQ(d.Stream(), nullptr);
    EXPECT_TRUE(d.Idle());  // idle again
  }
  TProbeStream good(jpeg);
  EXPECT_EQ(ParseBmp(Decode24(d, good)).info.biWidth, 64);
}

TEST(DecodeStream, ReadDIBitmapFromStreamHandsOverAnUnlockedBlock) {
  const std::string jpeg = CJpeg(Ppm(7, 5));
  TProbeDecompressor d(nullptr);
  const Bmp expected = ParseBmp(ConvertToBmp(d, jpeg, jp4bit));
  TMemoryStream in;
  FillStream(in, jpeg);
  std::vector<uint8_t> info(TJPEGDecompressor::GetBitmapInfoSize(jp4bit));
  HGLOBAL bits = nullptr;
  d.ReadDIBitmapFromStream(in, reinterpret_cast<BITMAPINFO*>(info.data()), jp4bit, bits);
  ASSERT_NE(bits, nullptr);
  EXPECT_EQ(d.Stream(), nullptr);
  ASSERT_EQ(GlobalSize(bits), expected.bits.size());
  void* p = GlobalLock(bits);
  EXPECT_EQ(std::memcmp(p, expected.bits.data(), expected.bits.size()), 0);
  EXPECT_FALSE(GlobalUnlock(bits));  // that was the only lock
  GlobalFree(bits);
  EXPECT_EQ(std::memcmp(info.data(), &expected.info, 40), 0);

  // On failure the caller is left no handle.
  bits = reinterpret_cast<HGLOBAL>(1);
  FillStream(in, CJpeg(Pgm(8, 8)));
  EXPECT_THROW(
      d.ReadDIBitmapFromStream(in, reinterpret_cast<BITMAPINFO*>(info.data()), jp4bit, bits),
      Exception);
  EXPECT_EQ(bits, nullptr);
}

TEST(DecodeStream, ConvertToDIBWritesAtTheDestinationsPosition) {
  TProbeDecompressor d(nullptr);
  TMemoryStream in, out;
  FillStream(in, CJpeg(Ppm(3, 2)));
  out.WriteBuffer("head", 4);
  d.ConvertToDIB(in, out, jp24bit);
  EXPECT_EQ(out.Position(), 82);
  EXPECT_EQ(StreamBytes(out).substr(0, 6), "headBM");
}

TEST(DecodeStream, TheFirstStreamDecompressorIsShared) {
  // Another suite may have left a shared instance alive on purpose.
  TJPEGStreamDecompressor* const saved = SharedStreamDecompressor;
  SharedStreamDecompressor = nullptr;
  {
    TJPEGFileDecompressor first(nullptr);
    EXPECT_EQ(SharedStreamDecompressor, &first);
    {
      TJPEGStreamDecompressor second(nullptr);
      EXPECT_EQ(SharedStreamDecompressor, &first);
    }
    EXPECT_EQ(SharedStreamDecompressor, &first);
  }
  EXPECT_EQ(SharedStreamDecompressor, nullptr);
  auto* a = new TJPEGStreamDecompressor(nullptr);
  auto* b = new TJPEGStreamDecompressor(nullptr);
  EXPECT_EQ(SharedStreamDecompressor, a);
  delete a;
  EXPECT_EQ(SharedStreamDecompressor, nullptr);  // not handed on to b
  auto* c = new TJPEGStreamDecompressor(nullptr);
  EXPECT_EQ(SharedStreamDecompressor, c);
  delete c;
  delete b;
  EXPECT_EQ(SharedStreamDecompressor, nullptr);
  SharedStreamDecompressor = saved;
}

TEST(DecodeStream, ADecompressorWithoutASourceRaisesAbstractError) {
  TJPEGDecompressor bare(nullptr);
  EXPECT_THROW(bare.ReadHeader(), EAbstractError);
  EXPECT_THROW(bare.ReadHeader(), EAbstractError);  // and stays usable
}

}  // namespace
