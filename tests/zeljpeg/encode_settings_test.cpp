// Compression settings, markers, events and the codec's tools as oracles.
#include <gtest/gtest.h>

#include <functional>

#include "tests/support/TestSupport.h"

#include "tests/zeljpeg/encode_fixtures.h"

using namespace encodetest;

namespace {

struct OracleCase {
  const char* cjpeg_args;
  std::function<void(TJPEGCompressor&)> setup;
};

struct HandlerFailure {};

}  // namespace

// The same pixels give byte for byte what cjpeg gives with the equivalent
// switches.
TEST(EncodeSettings, MatchesCjpegByteForByte) {
  const std::vector<OracleCase> cases = {
      {"-quality 75", [](TJPEGCompressor&) {}},
      {"-quality 50 -grayscale",
       [](TJPEGCompressor& c) {
         c.SetQuality(50);
         c.SetGrayscaleOutput(true);
       }},
      {"-quality 75 -progressive", [](TJPEGCompressor& c) { c.SetProgressiveJPEG(true); }},
      {"-quality 85 -grayscale -progressive",
       [](TJPEGCompressor& c) {
         c.SetQuality(85);
         c.SetGrayscaleOutput(true);
         c.SetProgressiveJPEG(true);
       }},
      {"-quality 90 -optimize",
       [](TJPEGCompressor& c) {
         c.SetQuality(90);
         c.SetOptimizeCoding(true);
       }},
      {"-quality 75 -restart 2", [](TJPEGCompressor& c) { c.SetRestartInRows(2); }},
      {"-quality 75 -restart 5B", [](TJPEGCompressor& c) { c.SetRestartInterval(5); }},
      {"-quality 75 -smooth 30", [](TJPEGCompressor& c) { c.SetSmoothingFactor(30); }},
      {"-quality 75 -dct int", [](TJPEGCompressor& c) { c.SetDCTMethod(JDCT_ISLOW); }},
      {"-quality 75 -dct fast", [](TJPEGCompressor& c) { c.SetDCTMethod(JDCT_IFAST); }},
      {"-quality 75 -dct float", [](TJPEGCompressor& c) { c.SetDCTMethod(JDCT_FLOAT); }},
      {"-quality 100", [](TJPEGCompressor& c) { c.SetQuality(100); }},
      {"-quality 10 -baseline", [](TJPEGCompressor& c) { c.SetQuality(10); }},
      {"-quality 60 -progressive -optimize -restart 1 -dct fast -smooth 10",
       [](TJPEGCompressor& c) {
         c.SetQuality(60);
         c.SetProgressiveJPEG(true);
         c.SetOptimizeCoding(true);
         c.SetRestartInRows(1);
         c.SetDCTMethod(JDCT_IFAST);
         c.SetSmoothingFactor(10);
       }},
  };
  for (const RgbImage& image : {TestImage(61, 47, 3), TestImage(16, 8, 4), TestImage(1, 1, 5)}) {
    for (const OracleCase& oracle : cases) {
      TJPEGStreamCompressor c(nullptr);
      oracle.setup(c);
      const std::string ours = Compress(c, Dib24(image));
      EXPECT_EQ(ours, CJpeg(image, oracle.cjpeg_args))
          << oracle.cjpeg_args << " on " << image.width << " x " << image.height;
      const RgbImage decoded = DJpegImage(ours);
      EXPECT_EQ(decoded.width, image.width);
      EXPECT_EQ(decoded.height, image.height);
    }
  }
}

// The same on photograph-like pictures of 640 x 480: many blocks with the
// coefficient statistics of real scenes.
TEST(EncodeSettings, MatchesCjpegOnPhotographs) {
  for (int seed : {1, 2}) {
    const RgbImage photo = PhotoImage(640, 480, seed);
    const Dib dib = Dib24(photo);
    TJPEGStreamCompressor c(nullptr);
    EXPECT_EQ(Compress(c, dib), CJpeg(photo, "-quality 75")) << "seed " << seed;
    c.SetQuality(92);
    c.SetProgressiveJPEG(true);
    EXPECT_EQ(Compress(c, dib), CJpeg(photo, "-quality 92 -progressive")) << "seed " << seed;
    c.SetProgressiveJPEG(false);
    c.SetGrayscaleOutput(true);
    c.SetOptimizeCoding(true);
    c.SetRestartInRows(3);
    EXPECT_EQ(Compress(c, dib), CJpeg(photo, "-quality 92 -grayscale -optimize -restart 3"))
        << "seed " << seed;
    c.SetGrayscaleOutput(false);
    c.SetOptimizeCoding(false);
    c.SetRestartInRows(0);
    c.SetQuality(50);
    c.SetDCTMethod(JDCT_FLOAT);
    c.SetSmoothingFactor(20);
    EXPECT_EQ(Compress(c, dib), CJpeg(photo, "-quality 50 -dct float -smooth 20"))
        << "seed " << seed;
  }
}

TEST(EncodeSettings, ConstructionDefaults) {
  TJPEGStreamCompressor c(nullptr);
  EXPECT_EQ(c.Quality(), 75);
  EXPECT_TRUE(c.WriteAllTables());
  EXPECT_FALSE(c.ProgressiveJPEG());
  EXPECT_FALSE(c.GrayscaleOutput());
  EXPECT_EQ(c.Comment(), "");
  EXPECT_DOUBLE_EQ(c.InputGamma(), 1.0);
  EXPECT_EQ(c.DCTMethod(), JDCT_ISLOW);
  EXPECT_FALSE(c.OptimizeCoding());
  EXPECT_EQ(c.RestartInterval(), 0u);
  EXPECT_EQ(c.RestartInRows(), 0);
  EXPECT_EQ(c.SmoothingFactor(), 0);
  EXPECT_TRUE(c.WriteJFIFHeader());
  EXPECT_EQ(c.DensityUnit(), 0);
  EXPECT_EQ(c.X_Density(), 1);
  EXPECT_EQ(c.Y_Density(), 1);
  EXPECT_EQ(c.BufSize(), 4096);
  EXPECT_EQ(c.GetFreeIn(), 4096);
  EXPECT_TRUE(c.Idle());
}

// Quality keeps the value given; the codec clamps it to 1..100.
TEST(EncodeSettings, QualityIsClampedButReadsBackAsGiven) {
  const RgbImage image = TestImage(24, 16);
  TJPEGStreamCompressor c(nullptr);
  c.SetQuality(150);
  EXPECT_EQ(c.Quality(), 150);
  EXPECT_EQ(Compress(c, Dib24(image)), CJpeg(image, "-quality 100"));
  c.SetQuality(0);
  EXPECT_EQ(c.Quality(), 0);
  EXPECT_EQ(Compress(c, Dib24(image)), CJpeg(image, "-quality 1 -baseline"));
  c.SetQuality(-20);
  EXPECT_EQ(Compress(c, Dib24(image)), CJpeg(image, "-quality 1 -baseline"));
}

TEST(EncodeSettings, AddQuantTableUntilSetQualityRebuildsTables) {
  const RgbImage image = TestImage(16, 16);
  TJPEGStreamCompressor c(nullptr);
  const std::string standard = Compress(c, Dib24(image));
  std::vector<uint32_t> ones(64, 1);
  c.AddQuantTable(0, ones.data(), 100, true);
  const std::string custom = Compress(c, Dib24(image));
  ASSERT_NE(custom, standard);
  // Table 0 is the first DQT: FF DB, length, Pq/Tq, then 64 values of 1.
  const Segment dqt = Segments(custom)[2];
  ASSERT_EQ(dqt.marker, 0xDB);
  EXPECT_EQ(custom.substr(dqt.offset + 5, 64), std::string(64, '\x01'));
  c.SetQuality(75);
  EXPECT_EQ(Compress(c, Dib24(image)), standard);
  EXPECT_THROW(c.AddQuantTable(7, ones.data(), 100, true), Exception);  // bad table number
  EXPECT_EQ(Compress(c, Dib24(image)), standard);
}

TEST(EncodeSettings, TableSuppression) {
  const Dib dib = Dib24(TestImage(16, 16));
  TJPEGStreamCompressor c(nullptr);
  const std::string full = Compress(c, dib);
  EXPECT_EQ(CountMarkers(full, 0xDB), 2);
  EXPECT_EQ(CountMarkers(full, 0xC4), 4);
  c.SetWriteAllTables(false);
  const std::string abbreviated = Compress(c, dib);
  EXPECT_EQ(CountMarkers(abbreviated, 0xDB), 0);
  EXPECT_EQ(CountMarkers(abbreviated, 0xC4), 0);
  EXPECT_EQ(CountMarkers(abbreviated, 0xDA), 1);
  c.SetWriteAllTables(true);
  c.SetGrayscaleOutput(true);
  EXPECT_EQ(CountMarkers(Compress(c, dib), 0xDB), 1);
}

TEST(EncodeSettings, GrayscaleAndProgressiveFrames) {
  const Dib dib = Dib24(TestImage(20, 20));
  TJPEGStreamCompressor c(nullptr);
  std::string jpeg = Compress(c, dib);
  EXPECT_EQ(FrameMarker(jpeg), 0xC0);
  EXPECT_EQ(FrameComponents(jpeg), 3);
  c.SetGrayscaleOutput(true);
  jpeg = Compress(c, dib);
  EXPECT_EQ(FrameComponents(jpeg), 1);
  EXPECT_EQ(CountMarkers(jpeg, 0xDA), 1);
  c.SetProgressiveJPEG(true);
  jpeg = Compress(c, dib);
  EXPECT_EQ(FrameMarker(jpeg), 0xC2);
  EXPECT_EQ(CountMarkers(jpeg, 0xDA), 6);
  c.SetGrayscaleOutput(false);
  jpeg = Compress(c, dib);
  EXPECT_EQ(FrameMarker(jpeg), 0xC2);
  EXPECT_EQ(FrameComponents(jpeg), 3);
  EXPECT_EQ(CountMarkers(jpeg, 0xDA), 10);
  // The progressive script does not outlive the setting.
  c.SetProgressiveJPEG(false);
  jpeg = Compress(c, dib);
  EXPECT_EQ(FrameMarker(jpeg), 0xC0);
  EXPECT_EQ(CountMarkers(jpeg, 0xDA), 1);
  EXPECT_EQ(DJpegImage(jpeg).width, 20);
}

TEST(EncodeSettings, JFIFMarkerAlwaysWrittenWithDensity) {
  const Dib dib = Dib24(TestImage(8, 8));
  TJPEGStreamCompressor c(nullptr);
  c.SetWriteJFIFHeader(false);
  c.SetDensityUnit(1);
  c.SetX_Density(300);
  c.SetY_Density(150);
  const std::string jpeg = Compress(c, dib);
  EXPECT_EQ(jpeg.substr(0, 11), std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11));
  EXPECT_EQ(jpeg.substr(11, 9), std::string("\x01\x01\x01\x01\x2C\x00\x96\x00\x00", 9));
  EXPECT_TRUE(c.WriteJFIFHeader());
}

TEST(EncodeSettings, CommentFollowsTheJFIFMarker) {
  const Dib dib = Dib24(TestImage(8, 8));
  TJPEGStreamCompressor c(nullptr);
  EXPECT_EQ(CountMarkers(Compress(c, dib), 0xFE), 0);
  c.SetComment("abc");
  const std::string jpeg = Compress(c, dib);
  EXPECT_EQ(jpeg.substr(20, 7), std::string("\xFF\xFE\x00\x05"
                                            "abc",
                                            7));
  EXPECT_EQ(RdJpgCom(jpeg), "abc\n");
}

TEST(EncodeSettings, OnWriteMarkersPlacesMarkersAfterTheComment) {
  const Dib dib = Dib24(TestImage(8, 8));
  TJPEGStreamCompressor c(nullptr);
  c.SetComment("abc");
  int calls = 0;
  c.OnWriteMarkers = [&](TObject* sender) {
    EXPECT_EQ(sender, &c);
    ++calls;
    const uint8_t data[4] = {1, 2, 3, 4};
    c.WriteMarker(0xE1, data, 4);
    c.WriteMarker(0xEF, "xy", 2);
  };
  const std::string jpeg = Compress(c, dib);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(jpeg.substr(27, 8), std::string("\xFF\xE1\x00\x06\x01\x02\x03\x04", 8));
  EXPECT_EQ(jpeg.substr(35, 6), std::string("\xFF\xEF\x00\x04xy", 6));
  EXPECT_EQ(DJpegImage(jpeg).width, 8);
}

TEST(EncodeSettings, WriteMarkerOutsideItsWindow) {
  const RgbImage image = TestImage(16, 16);
  TJPEGStreamCompressor c(nullptr);
  try {
    c.WriteMarker(0xE1, "abcd", 4);
    ADD_FAILURE() << "WriteMarker on an idle component succeeded";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Improper call to JPEG library in state 100");
  }
  EXPECT_THROW(c.WriteMarker(0xE1, "abcd", -1), Exception);
  // From a progress report after the first row: the compression is aborted.
  c.OnProgressReport = [&](TObject*) {
    if (c.GetPercentDone() > 20) c.WriteMarker(0xE1, "abcd", 4);
  };
  try {
    Compress(c, Dib24(image));
    ADD_FAILURE() << "WriteMarker after the first row succeeded";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Improper call to JPEG library in state 101");
  }
  EXPECT_TRUE(c.Idle());
  c.OnProgressReport = nullptr;
  EXPECT_EQ(Compress(c, Dib24(image)), CJpeg(image, "-quality 75"));
}

// Oversized marker data and comments are refused by the codec; the component
// goes back to idle.
TEST(EncodeSettings, OversizedMarkersFail) {
  const RgbImage image = TestImage(8, 8);
  TJPEGStreamCompressor c(nullptr);
  const std::string big(65534, 'x');
  c.OnWriteMarkers = [&](TObject*) { c.WriteMarker(0xE2, big.data(), 65534); };
  EXPECT_THROW(Compress(c, Dib24(image)), Exception);
  EXPECT_TRUE(c.Idle());
  c.OnWriteMarkers = nullptr;
  c.SetComment(big);
  EXPECT_THROW(Compress(c, Dib24(image)), Exception);
  c.SetComment(std::string(65533, 'y'));
  EXPECT_EQ(RdJpgCom(Compress(c, Dib24(image))).size(), 65533u + 1);
}

// An exception from OnWriteMarkers ends the compression and leaves the codec
// object idle, so the next compression succeeds at once.
TEST(EncodeSettings, OnWriteMarkersExceptionResetsTheCodec) {
  const RgbImage image = TestImage(16, 16);
  TJPEGStreamCompressor c(nullptr);
  c.OnWriteMarkers = [](TObject*) { throw HandlerFailure{}; };
  EXPECT_THROW(Compress(c, Dib24(image)), HandlerFailure);
  EXPECT_TRUE(c.Idle());
  c.OnWriteMarkers = nullptr;
  EXPECT_EQ(Compress(c, Dib24(image)), CJpeg(image, "-quality 75"));
}

TEST(EncodeSettings, AbortFromProgressEndsAfterTheCurrentRow) {
  const RgbImage image = TestImage(40, 100);
  TProbeCompressor c(nullptr);
  int reports = 0;
  c.OnProgressReport = [&](TObject* sender) {
    EXPECT_EQ(sender, &c);
    ++reports;
    if (c.ProgressMgr().pass_counter == 10) c.Abort();
  };
  TMemoryStream stream;
  try {
    c.SaveDIBitmapToStream(stream, Dib24(image).Info(), Dib24(image).Bits());
    ADD_FAILURE() << "the abort did not end the compression";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "User Interrupt");
  }
  EXPECT_EQ(reports, 11);
  EXPECT_TRUE(c.Idle());
  c.OnProgressReport = nullptr;
  EXPECT_EQ(Compress(c, Dib24(image)), CJpeg(image, "-quality 75"));
}

TEST(EncodeSettings, ProgressExceptionReachesTheCaller) {
  const RgbImage image = TestImage(16, 32);
  TJPEGStreamCompressor c(nullptr);
  int reports = 0;
  c.OnProgressReport = [&](TObject*) {
    if (++reports == 5) throw HandlerFailure{};
  };
  EXPECT_THROW(Compress(c, Dib24(image)), HandlerFailure);
  EXPECT_TRUE(c.Idle());
  c.OnProgressReport = nullptr;
  EXPECT_EQ(Compress(c, Dib24(image)), CJpeg(image, "-quality 75"));
}

TEST(EncodeSettings, PercentDoneEndsAt100AndOptimisationAddsAPass) {
  const Dib dib = Dib24(TestImage(32, 64));
  TJPEGStreamCompressor c(nullptr);
  std::vector<int> seen;
  c.OnProgressReport = [&](TObject*) { seen.push_back(c.GetPercentDone()); };
  Compress(c, dib);
  ASSERT_EQ(seen.size(), 65u);  // one per row, then the final report
  EXPECT_EQ(seen.back(), 100);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));

  seen.clear();
  c.SetOptimizeCoding(true);
  Compress(c, dib);
  const auto hundred = std::find(seen.begin(), seen.end(), 100);
  ASSERT_NE(hundred, seen.end());
  ASSERT_NE(hundred + 1, seen.end()) << "the output pass reports progress too";
  EXPECT_EQ(*(hundred + 1), 50);
  for (auto it = hundred + 1; it != seen.end(); ++it) {
    EXPECT_GE(*it, 50);
    EXPECT_LE(*it, 100);
  }
}

TEST(EncodeSettings, SettingsLastFromOneCompressionToTheNext) {
  const RgbImage image = TestImage(30, 20);
  TJPEGStreamCompressor c(nullptr);
  c.SetQuality(40);
  c.SetOptimizeCoding(true);
  const std::string first = Compress(c, Dib24(image));
  EXPECT_EQ(Compress(c, Dib24(image)), first);
  EXPECT_EQ(first, CJpeg(image, "-quality 40 -optimize"));
}

// What the codec derives during one compression (optimised Huffman tables,
// optimised coding for progressive output, a restart interval from rows)
// does not leak into the properties or the next compression.
TEST(EncodeSettings, DerivedCodecStateDoesNotLeak) {
  const RgbImage image = TestImage(45, 37, 9);
  TJPEGStreamCompressor c(nullptr);
  c.SetOptimizeCoding(true);
  Compress(c, Dib24(TestImage(45, 37, 10)));
  c.SetOptimizeCoding(false);
  EXPECT_EQ(Compress(c, Dib24(image)), CJpeg(image, "-quality 75"));

  c.SetProgressiveJPEG(true);
  Compress(c, Dib24(image));
  EXPECT_FALSE(c.OptimizeCoding());
  c.SetProgressiveJPEG(false);
  EXPECT_EQ(Compress(c, Dib24(image)), CJpeg(image, "-quality 75"));

  c.SetRestartInRows(2);
  EXPECT_EQ(Compress(c, Dib24(image)), CJpeg(image, "-quality 75 -restart 2"));
  EXPECT_EQ(c.RestartInterval(), 0u);
  c.SetRestartInRows(0);
  EXPECT_EQ(Compress(c, Dib24(image)), CJpeg(image, "-quality 75"));

  // Also when a compression fails half-way.
  c.SetRestartInRows(1);
  c.SetOptimizeCoding(false);
  c.SetProgressiveJPEG(true);
  int reports = 0;
  c.OnProgressReport = [&](TObject*) {
    if (++reports == 10) c.Abort();
  };
  EXPECT_THROW(Compress(c, Dib24(image)), Exception);
  c.OnProgressReport = nullptr;
  EXPECT_EQ(c.RestartInterval(), 0u);
  EXPECT_FALSE(c.OptimizeCoding());
  c.SetRestartInRows(0);
  c.SetProgressiveJPEG(false);
  EXPECT_EQ(Compress(c, Dib24(image)), CJpeg(image, "-quality 75"));
}
