// TJPEGBase: warnings and trace messages, progress, abort, codec errors and
// the bridges' class checks.
#include <gtest/gtest.h>

#include <jerror.h>

#include "tests/support/TestSupport.h"
#include "tests/zeljpeg/decode_fixtures.h"

using namespace decodetest;

namespace {

class ETestError : public Exception {
 public:
  ETestError() : Exception("from the handler") {}
};

// A JPEG whose header carries junk before three markers: three "extraneous
// bytes" warnings while the header is read.
std::string JpegWithThreeWarnings() {
  std::string j = CJpeg(Ppm(16, 16));
  for (int code : {0xDB, 0xC0, 0xDA}) {
    size_t at = j.find(std::string("\xFF") + static_cast<char>(code), 2);
    j.insert(at, "\x01\x02");
  }
  return j;
}

std::vector<std::string> DecodeCollectingWarnings(TProbeDecompressor& d, const std::string& jpeg) {
  std::vector<std::string> seen;
  d.OnWarning = [&](const char* text) { seen.emplace_back(text); };
  ConvertToBmp(d, jpeg, jp24bit);
  return seen;
}

TEST(JPEGBase, Round4RoundsUpToMultiplesOfFour) {
  EXPECT_EQ(Round4(0), 0);
  for (int v = 1; v <= 4; ++v) EXPECT_EQ(Round4(v), 4);
  EXPECT_EQ(Round4(5), 8);
  EXPECT_EQ(Round4(1021), 1024);
}

TEST(JPEGBase, PercentDoneFromTheProgressCounters) {
  TProbeDecompressor d(nullptr);
  EXPECT_EQ(d.GetPercentDone(), 0);  // no pass started: no division by zero
  jpeg_progress_mgr& p = d.ProgressMgr();
  p.pass_counter = 50;
  p.pass_limit = 200;
  p.completed_passes = 1;
  p.total_passes = 4;
  EXPECT_EQ(d.GetPercentDone(), 31);
  p.pass_counter = 1;
  p.pass_limit = 8;  // (0.125 + 0) / 4 = 3.125 %
  p.completed_passes = 0;
  EXPECT_EQ(d.GetPercentDone(), 3);
  p.total_passes = 0;
  EXPECT_EQ(d.GetPercentDone(), 0);
}

TEST(JPEGBase, WarningsAreCountedAndOnlyTheFirstShownBelowTraceLevel3) {
  const std::string jpeg = JpegWithThreeWarnings();
  TProbeDecompressor d(nullptr);
  auto seen = DecodeCollectingWarnings(d, jpeg);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_NE(seen[0].find("Corrupt JPEG data: 2 extraneous bytes before marker 0xdb"),
            std::string::npos)
      << seen[0];
  EXPECT_EQ(d.GetWarnings(), 3);

  d.SetTraceLevel(3);
  seen = DecodeCollectingWarnings(d, jpeg);
  std::vector<std::string> warnings;
  for (auto& s : seen)
    if (s.find("Corrupt JPEG data") != std::string::npos) warnings.push_back(s);
  EXPECT_EQ(warnings.size(), 3u);
  EXPECT_EQ(d.GetWarnings(), 3);

  // A clean image resets the count at its header read.
  d.SetTraceLevel(0);
  seen = DecodeCollectingWarnings(d, CJpeg(Ppm(8, 8)));
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(d.GetWarnings(), 0);
}

TEST(JPEGBase, TraceMessagesFollowTheTraceLevelAndAreNotCounted) {
  TProbeDecompressor d(nullptr);
  std::vector<std::string> seen;
  d.OnWarning = [&](const char* text) { seen.emplace_back(text); };
  d.EmitMessage(JTRC_EOI, 1);
  EXPECT_TRUE(seen.empty());
  d.SetTraceLevel(1);
  EXPECT_EQ(d.GetTraceLevel(), 1);
  d.EmitMessage(JTRC_EOI, 1);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], "End Of Image");
  d.EmitMessage(JTRC_EOI, 2);
  EXPECT_EQ(seen.size(), 1u);
  EXPECT_EQ(d.GetWarnings(), 0);

  // At trace level 1 a real decode reports its markers.
  seen.clear();
  ConvertToBmp(d, CJpeg(Ppm(8, 8)), jp24bit);
  EXPECT_FALSE(seen.empty());
  EXPECT_EQ(d.GetWarnings(), 0);
}

TEST(JPEGBase, WarningWithoutHandlerShowsAWarningBox) {
  MessageBoxRecorder boxes;
  TProbeDecompressor d(nullptr);
  d.EmitMessage(JWRN_JPEG_EOF, -1);
  d.EmitMessage(JWRN_JPEG_EOF, -1);  // second warning: counted only
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  const TMessageBoxRequest& box = boxes.Boxes()[0];
  EXPECT_EQ(box.Text, "Premature end of JPEG file");
  EXPECT_EQ(box.Caption, "Warning");
  EXPECT_EQ(box.Type, mtWarning);
  EXPECT_EQ(box.Buttons, MsgButtons(mbOK));
  EXPECT_EQ(box.HelpContext, 0);
  EXPECT_EQ(d.GetWarnings(), 2);
}

TEST(JPEGBase, ProgressEndsAt100AndNeverGoesBack) {
  for (const char* args : {"-quality 90", "-progressive", "-restart 1"}) {
    TProbeDecompressor d(nullptr);
    std::vector<int> reports;
    d.OnProgressReport = [&](TObject* sender) {
      EXPECT_EQ(sender, &d);
      reports.push_back(d.GetPercentDone());
    };
    ConvertToBmp(d, CJpeg(Ppm(40, 30), args), jp8bit);
    ASSERT_FALSE(reports.empty()) << args;
    EXPECT_EQ(reports.back(), 100) << args;
    for (int r : reports) EXPECT_LE(r, 100);
  }
}

TEST(JPEGBase, AbortFromTheProgressHandlerStopsWithUserInterrupt) {
  const std::string jpeg = CJpeg(Ppm(32, 32));
  TProbeDecompressor d(nullptr);
  int calls = 0;
  d.OnProgressReport = [&](TObject*) {
    if (++calls == 5) d.Abort();  // inside the scanline loop
  };
  try {
    ConvertToBmp(d, jpeg, jp24bit);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "User Interrupt");
  }
  EXPECT_EQ(calls, 5);  // stopped after the current scanline
  EXPECT_TRUE(d.Idle());
  d.OnProgressReport = nullptr;
  EXPECT_EQ(ParseBmp(ConvertToBmp(d, jpeg, jp24bit)).info.biWidth, 32);
}

TEST(JPEGBase, AbortDuringStartDecompressDoesNotStopTheDecode) {
  // Two-pass quantisation reports progress inside jpeg_start_decompress; the
  // request is cleared before the scanline loop.
  TProbeDecompressor d(nullptr);
  bool first = true;
  d.OnProgressReport = [&](TObject*) {
    if (first) d.Abort();
    first = false;
  };
  Bmp bmp = ParseBmp(ConvertToBmp(d, CJpeg(Ppm(32, 32), "-progressive"), jp8bit));
  EXPECT_EQ(bmp.info.biBitCount, 8);
}

TEST(JPEGBase, AbortWhileIdleRaisesNothing) {
  TProbeDecompressor d(nullptr);
  EXPECT_NO_THROW(d.Abort());
  EXPECT_NO_THROW(d.Abort());
  EXPECT_TRUE(d.Idle());
}

TEST(JPEGBase, ExceptionFromTheProgressHandlerReachesTheCaller) {
  TProbeDecompressor d(nullptr);
  d.OnProgressReport = [](TObject*) { throw ETestError(); };
  EXPECT_THROW(ConvertToBmp(d, CJpeg(Ppm(16, 16)), jp24bit), ETestError);
  EXPECT_TRUE(d.Idle());
  d.OnProgressReport = nullptr;
  EXPECT_NO_THROW(ConvertToBmp(d, CJpeg(Ppm(16, 16)), jp24bit));
}

TEST(JPEGBase, ExceptionFromTheWarningHandlerReachesTheCallerAndTheComponentRecovers) {
  TProbeDecompressor d(nullptr);
  d.OnWarning = [](const char*) { throw ETestError(); };
  EXPECT_THROW(ConvertToBmp(d, JpegWithThreeWarnings(), jp24bit), ETestError);
  EXPECT_EQ(d.GetWarnings(), 0);  // the message that raised is not counted
  EXPECT_TRUE(d.Idle());
  d.OnWarning = nullptr;
  EXPECT_NO_THROW(ConvertToBmp(d, CJpeg(Ppm(16, 16)), jp24bit));
}

TEST(JPEGBase, CodecErrorsCarryTheCodecMessageAndLeaveTheComponentUsable) {
  TProbeDecompressor d(nullptr);
  try {
    ConvertToBmp(d, "BM not a jpeg at all", jp24bit);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Not a JPEG file: starts with 0x42 0x4d");
  }
  EXPECT_TRUE(d.Idle());
  EXPECT_NO_THROW(ConvertToBmp(d, CJpeg(Ppm(16, 16)), jp24bit));
}

TEST(JPEGBase, BridgesCheckTheOwnersClass) {
  TComponent stranger(nullptr);
  jpeg_error_mgr err;
  jpeg_decompress_struct c{};
  c.err = jpeg_std_error(&err);
  c.client_data = static_cast<TObject*>(&stranger);
  j_common_ptr common = reinterpret_cast<j_common_ptr>(&c);
  EXPECT_THROW(JPEGErrorExit(common), EInvalidCast);
  EXPECT_THROW(JPEGEmitMessage(common, -1), EInvalidCast);
  EXPECT_THROW(JPEGProgressMonitor(common), EInvalidCast);
  c.client_data = nullptr;
  EXPECT_THROW(JPEGProgressMonitor(common), EInvalidCast);
}

}  // namespace
