// The decoder's limits against hostile datastreams: images whose codec
// buffers would exceed the memory limit, progressive files with thousands of
// scans, and segments whose lengths run past the end of the data. Each must
// end in a clear exception and leave the component able to decode the next
// image.
#include <gtest/gtest.h>

#include <functional>

#include "platform/graphics/Graphics.h"
#include "tests/zeljpeg/decode_fixtures.h"

using namespace decodetest;

namespace {

TEST(DecodeLimits, CodecBuffersBeyondTheMemoryLimitNameTheLimit) {
  // 16384 x 16384 progressive colour without subsampling: within the pixel
  // limit, but the codec's coefficient buffers for the whole image (1.5 GB)
  // are not within its memory limit.
  const std::string good = CJpeg(Ppm(16, 16), "-progressive -sample 1x1");
  const std::string huge = WithFrameSize(good, 16384, 16384);
  TProbeDecompressor d(nullptr);
  const std::string expected = ConvertToBmp(d, good, jp24bit);
  d.OnWarning = [](const char*) {};
  EXPECT_EQ(DecodeError(d, huge, jp4bit),
            "Image needs more than the limit of 1073741824 bytes of codec memory");
  ExpectHealthy(d, good, expected);
}

// Each limit is a property: a tight one refuses an image with its own
// message, 0 lifts it, and the component stays usable throughout.
TEST(DecodeLimits, LimitsAreProperties) {
  const std::string progressive = CJpeg(Ppm(16, 16), "-progressive");
  struct Case {
    std::function<void(TJPEGDecompressor&, int64_t)> set;
    int64_t tight;
    std::string jpeg;
    std::string message;
  };
  const Case cases[] = {
      {[](TJPEGDecompressor& d, int64_t v) { d.MaxPixels = v; }, 255, progressive,
       "Image of 16 x 16 pixels exceeds the limit of 255 pixels"},
      // 2000 x 2000 declared: 12 MB of coefficient buffers.
      {[](TJPEGDecompressor& d, int64_t v) { d.MaxMemory = v; }, 1 << 20,
       WithFrameSize(progressive, 2000, 2000),
       "Image needs more than the limit of 1048576 bytes of codec memory"},
      {[](TJPEGDecompressor& d, int64_t v) { d.MaxScans = static_cast<int32_t>(v); }, 3,
       progressive, "Too many scans in JPEG image (> 3)"},
  };
  for (const Case& c : cases) {
    TProbeDecompressor d(nullptr);
    d.OnWarning = [](const char*) {};
    c.set(d, c.tight);
    for (TJPEGOutputType type : {jp24bit, jp8bit, jpGrayscale}) {
      EXPECT_EQ(DecodeError(d, c.jpeg, type), c.message);
      EXPECT_TRUE(d.Idle());
    }
    c.set(d, 0);
    EXPECT_EQ(DecodeError(d, c.jpeg, jp24bit), "") << c.message;
  }
}

// A progressive JPEG whose last scan is repeated until the file has scans
// scans in all.
std::string WithRepeatedLastScan(const std::string& jpeg, int scans) {
  int count = 0;
  size_t last = 0;
  for (size_t at = jpeg.find("\xFF\xDA"); at != std::string::npos;
       at = jpeg.find("\xFF\xDA", at + 2)) {
    ++count;
    last = at;
  }
  const size_t eoi = jpeg.rfind("\xFF\xD9");
  const std::string scan = jpeg.substr(last, eoi - last);
  std::string out = jpeg.substr(0, eoi);
  for (int i = count; i < scans; ++i) out += scan;
  return out + "\xFF\xD9";
}

TEST(DecodeLimits, ThousandsOfScansAreRefused) {
  const std::string good = CJpeg(Ppm(16, 16), "-progressive");
  TProbeDecompressor d(nullptr);
  const std::string expected = ConvertToBmp(d, good, jp24bit);
  int warnings = 0;
  d.OnWarning = [&](const char*) { ++warnings; };
  // At the limit the image decodes (the repeated refinement scan only warns).
  EXPECT_EQ(DecodeError(d, WithRepeatedLastScan(good, kDefaultMaxScans), jp24bit), "");
  for (TJPEGOutputType type : {jp24bit, jp8bit, jp4bit}) {
    EXPECT_EQ(DecodeError(d, WithRepeatedLastScan(good, 5000), type),
              "Too many scans in JPEG image (> 1000)");
    ExpectHealthy(d, good, expected);
  }
  // Also through the bitmap front end.
  TMemoryStream in;
  FillStream(in, WithRepeatedLastScan(good, 5000));
  try {
    std::unique_ptr<TBitmap> bitmap(d.ReadBitMapFromStream(in));
    ADD_FAILURE() << "decoded";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Too many scans in JPEG image (> 1000)");
  }
  ExpectHealthy(d, good, expected);
}

TEST(DecodeLimits, SegmentLengthsPastTheEndOfTheData) {
  const std::string good = CJpeg(Ppm(16, 16));
  TProbeDecompressor d(nullptr);
  const std::string expected = ConvertToBmp(d, good, jp24bit);
  d.OnWarning = [](const char*) {};
  int handled = 0;
  d.OnJPEGMarker = [&](TJPEGBase*, int marker, bool& done) {
    if (marker != 3) return;
    ++handled;
    int length = d.GetByte() << 8;
    length |= d.GetByte();
    for (int i = 2; i < length; ++i) d.GetByte();
    done = true;
  };
  // A comment, an APP segment skipped by the decoder, one read by the
  // handler: each claims 65535 bytes and the data ends after a few.
  for (int marker : {0xFE, 0xE5, 0xE3}) {
    std::string cut = InsertSegment(good, marker, "abc", 65535);
    cut.resize(cut.find("abc") + 3);
    for (TJPEGOutputType type : {jp24bit, jpGrayscale}) {
      const std::string message = DecodeError(d, cut, type);
      EXPECT_NE(message, "") << marker;
      ExpectHealthy(d, good, expected);
    }
  }
  EXPECT_GT(handled, 0);
}

}  // namespace
