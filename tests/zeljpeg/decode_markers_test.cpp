// Comment and application segments: the OnJPEGComment and OnJPEGMarker events.
#include <gtest/gtest.h>

#include "tests/zeljpeg/decode_fixtures.h"

using namespace decodetest;

namespace {

class ETestError : public Exception {
 public:
  ETestError() : Exception("from the handler") {}
};

struct Recorder {
  std::vector<std::string> comments;
  std::vector<int> markers;
  std::vector<std::string> warnings;
  void Attach(TJPEGStreamDecompressor& d) {
    d.OnJPEGComment = [this, &d](TJPEGBase* sender, const char* text) {
      EXPECT_EQ(sender, &d);
      comments.emplace_back(text);
    };
    d.OnJPEGMarker = [this, &d](TJPEGBase* sender, int marker, bool& done) {
      EXPECT_EQ(sender, &d);
      EXPECT_FALSE(done);
      markers.push_back(marker);
    };
    d.OnWarning = [this](const char* text) { warnings.emplace_back(text); };
  }
};

const std::string& Base() {
  static const std::string jpeg = CJpeg(Ppm(16, 16));
  return jpeg;
}

TEST(DecodeMarkers, CommentsReachTheEventUnlessEmpty) {
  TProbeDecompressor d(nullptr);
  Recorder r;
  r.Attach(d);
  std::string jpeg = InsertSegment(InsertSegment(Base(), 0xFE, "hello"), 0xFE, "");
  Bmp bmp = ParseBmp(ConvertToBmp(d, jpeg, jp24bit));
  EXPECT_EQ(bmp.info.biWidth, 16);
  ASSERT_EQ(r.comments.size(), 1u);
  EXPECT_EQ(r.comments[0], "hello");
  EXPECT_TRUE(r.warnings.empty());
}

TEST(DecodeMarkers, ACommentWithANulIsCutButFullyConsumed) {
  TProbeDecompressor d(nullptr);
  Recorder r;
  r.Attach(d);
  std::string jpeg = InsertSegment(Base(), 0xFE, std::string("abc\0def", 7));
  Bmp bmp = ParseBmp(ConvertToBmp(d, jpeg, jp24bit));
  EXPECT_EQ(bmp.info.biHeight, 16);
  ASSERT_EQ(r.comments.size(), 1u);
  EXPECT_EQ(r.comments[0], "abc");
  EXPECT_TRUE(r.warnings.empty());
  EXPECT_EQ(d.GetWarnings(), 0);
}

TEST(DecodeMarkers, ApplicationSegmentsRaiseTheMarkerEventWithTheirNumber) {
  TProbeDecompressor d(nullptr);
  Recorder r;
  r.Attach(d);
  std::string jpeg = Base();
  for (int n : {15, 14, 13, 1, 0}) jpeg = InsertSegment(jpeg, 0xE0 + n, "data" + std::to_string(n));
  ConvertToBmp(d, jpeg, jp24bit);
  EXPECT_EQ(r.markers, (std::vector<int>{1, 13, 15}));  // never APP0 or APP14
  EXPECT_TRUE(r.warnings.empty());
  // Unassigned: skipped silently.
  TProbeDecompressor plain(nullptr);
  EXPECT_EQ(ParseBmp(ConvertToBmp(plain, jpeg, jp24bit)).info.biWidth, 16);
  EXPECT_EQ(plain.GetWarnings(), 0);
}

TEST(DecodeMarkers, AHandlerThatSetsDoneReadsTheSegmentItself) {
  TProbeDecompressor d(nullptr);
  std::string payload;
  d.OnJPEGMarker = [&](TJPEGBase*, int, bool& done) {
    int length = d.GetByte() << 8;
    length |= d.GetByte();
    for (int i = 0; i < length - 2; ++i) payload += static_cast<char>(d.GetByte());
    done = true;
  };
  ConvertToBmp(d, InsertSegment(Base(), 0xE1, std::string("Exif\0\0xyz", 9)), jp24bit);
  EXPECT_EQ(payload, std::string("Exif\0\0xyz", 9));
  EXPECT_EQ(d.GetWarnings(), 0);
}

TEST(DecodeMarkers, AHandlerThatSetsDoneWithoutReadingGetsAStrayDataWarning) {
  TProbeDecompressor d(nullptr);
  Recorder r;
  r.Attach(d);
  d.OnJPEGMarker = [](TJPEGBase*, int, bool& done) { done = true; };
  Bmp bmp = ParseBmp(ConvertToBmp(d, InsertSegment(Base(), 0xE2, "payload"), jp24bit));
  EXPECT_EQ(bmp.info.biWidth, 16);
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_NE(r.warnings[0].find("extraneous bytes before marker"), std::string::npos);
  EXPECT_EQ(d.GetWarnings(), 1);
}

TEST(DecodeMarkers, LengthsZeroAndOneMeanNearly64KBOfData) {
  for (int length : {0, 1}) {
    TProbeDecompressor d(nullptr);
    Recorder r;
    r.Attach(d);
    // The segment swallows the rest of the file and more.
    std::string jpeg = InsertSegment(Base(), 0xFE, std::string(70000 - length, 'x'), length);
    ConvertToBmp(d, jpeg, jpGrayscale);
    ASSERT_EQ(r.comments.size(), 1u);
    EXPECT_EQ(r.comments[0].size(), 65534u + length);
  }
  // An APP segment of length 0 past the end of the data: the source feeds
  // end-of-image markers with one warning each, then the header read fails.
  TProbeDecompressor d(nullptr);
  Recorder r;
  r.Attach(d);
  std::string jpeg = InsertSegment(Base().substr(0, 20), 0xE5, "", 0);
  EXPECT_THROW(ConvertToBmp(d, jpeg, jp24bit), Exception);
  ASSERT_FALSE(r.warnings.empty());
  EXPECT_EQ(r.warnings[0], "Premature end of JPEG file");
  EXPECT_EQ(ParseBmp(ConvertToBmp(d, Base(), jp24bit)).info.biWidth, 16);
}

TEST(DecodeMarkers, ACommentRunningPastTheEndOfTheData) {
  TProbeDecompressor d(nullptr);
  Recorder r;
  r.Attach(d);
  std::string jpeg = InsertSegment(Base().substr(0, 2), 0xFE, "short", 300);
  EXPECT_THROW(ConvertToBmp(d, jpeg, jp24bit), Exception);
  ASSERT_EQ(r.comments.size(), 1u);
  EXPECT_EQ(r.comments[0].substr(0, 5), "short");
  EXPECT_EQ(r.comments[0].substr(5, 2), "\xFF\xD9");
}

TEST(DecodeMarkers, ExceptionsFromTheHandlersReachTheCallerAndTheComponentRecovers) {
  std::string jpeg = InsertSegment(InsertSegment(Base(), 0xFE, "c"), 0xE3, "m");
  TProbeDecompressor d(nullptr);
  d.OnJPEGComment = [](TJPEGBase*, const char*) { throw ETestError(); };
  EXPECT_THROW(ConvertToBmp(d, jpeg, jp24bit), ETestError);
  EXPECT_EQ(d.Stream(), nullptr);
  d.OnJPEGComment = nullptr;
  d.OnJPEGMarker = [](TJPEGBase*, int, bool&) { throw ETestError(); };
  EXPECT_THROW(ConvertToBmp(d, jpeg, jp24bit), ETestError);
  d.OnJPEGMarker = nullptr;
  EXPECT_EQ(ParseBmp(ConvertToBmp(d, jpeg, jp24bit)).info.biWidth, 16);
}

TEST(DecodeMarkers, SegmentsAfterTheFirstScanAreReportedDuringTheDecode) {
  // Move a comment between the scans of a progressive image.
  std::string jpeg = CJpeg(Ppm(16, 16), "-progressive");
  size_t second_sos = jpeg.find("\xFF\xDA", jpeg.find("\xFF\xDA") + 2);
  ASSERT_NE(second_sos, std::string::npos);
  jpeg.insert(second_sos, std::string("\xFF\xFE\x00\x07later", 9));
  TProbeDecompressor d(nullptr);
  Recorder r;
  r.Attach(d);
  TMemoryStream in;
  FillStream(in, jpeg);
  d.OpenStream(in);
  EXPECT_TRUE(r.comments.empty());
  HGLOBAL bits = nullptr;
  d.CloseStream();
  d.Abort();
  in.SetPosition(0);
  std::vector<uint8_t> info(TJPEGDecompressor::GetBitmapInfoSize(jp24bit));
  d.ReadDIBitmapFromStream(in, reinterpret_cast<BITMAPINFO*>(info.data()), jp24bit, bits);
  ASSERT_NE(bits, nullptr);
  GlobalFree(bits);
  EXPECT_EQ(r.comments, std::vector<std::string>{"later"});
}

}  // namespace
