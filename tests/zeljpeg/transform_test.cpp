// TJPEGTransformer against jpegtran with the same switches: the outputs
// decode to the same pixels for every transform, sampling, coding and edge
// mode, crops and copied segments agree, and the EXIF orientation turns the
// image as Pillow turns it.
#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"
#include "tests/zeljpeg/metadata_fixtures.h"
#include "zeljpeg/Transformer.h"

using namespace decodetest;
using namespace metatest;

namespace {

std::string Transform(TJPEGTransformer& t, const std::string& jpeg) {
  TMemoryStream in, out;
  FillStream(in, jpeg);
  t.TransformStream(in, out);
  return StreamBytes(out);
}

// Runs jpegtran; false when it refuses.
bool Jpegtran(const std::string& args, const std::string& jpeg, std::string& out) {
  TempDir dir;
  WriteFileBytes(dir.File("in.jpg"), jpeg);
  const bool ok = RunShell("jpegtran " + args + " " + dir.File("in.jpg") + " >" +
                           dir.File("out.jpg") + " 2>/dev/null") == 0;
  out = ok ? ReadFileBytes(dir.File("out.jpg")) : "";
  return ok;
}

struct TransformCase {
  TJPEGTransform transform;
  const char* args;
};
const TransformCase kTransforms[] = {
    {jtNone, ""},
    {jtFlipHorizontal, "-flip horizontal"},
    {jtFlipVertical, "-flip vertical"},
    {jtTranspose, "-transpose"},
    {jtTransverse, "-transverse"},
    {jtRotate90, "-rotate 90"},
    {jtRotate180, "-rotate 180"},
    {jtRotate270, "-rotate 270"},
};

const char* const kSamplings[] = {"-sample 1x1", "-sample 2x1", "-sample 2x2", "-sample 1x2",
                                  "-grayscale"};

// The image decoded by djpeg, size included.
std::string Pixels(const std::string& jpeg) {
  return DJpeg(jpeg, "");
}

}  // namespace

TEST(TransformOracle, EveryTransformDecodesAsJpegtransOutput) {
  TJPEGTransformer t(nullptr);
  for (const char* sampling : kSamplings)
    for (const char* coding : {"", " -progressive"}) {
      // 37 x 23: partial iMCUs at the right and bottom for every sampling.
      const std::string jpeg = CJpeg(Ppm(37, 23), std::string("-quality 85 ") + sampling + coding);
      for (const TransformCase& c : kTransforms)
        for (bool trim : {false, true}) {
          t.Transform = c.transform;
          t.Trim = trim;
          std::string theirs;
          ASSERT_TRUE(Jpegtran(std::string(c.args) + (trim ? " -trim" : ""), jpeg, theirs));
          const std::string what =
              std::string(sampling) + coding + " " + c.args + (trim ? " -trim" : "");
          EXPECT_TRUE(Pixels(Transform(t, jpeg)) == Pixels(theirs)) << what;
        }
    }
}

TEST(TransformOracle, CropsDecodeAsJpegtransOutput) {
  struct Crop {
    TJPEGTransform transform;
    const char* transform_args;
    int w, h, x, y;
  };
  const Crop crops[] = {
      {jtNone, "", 16, 16, 0, 0},
      {jtNone, "", 20, 11, 5, 3},
      {jtNone, "", 37, 23, 0, 0},
      {jtRotate90, "-rotate 90", 10, 18, 3, 17},
      {jtFlipHorizontal, "-flip horizontal", 30, 20, 7, 2},
      {jtTransverse, "-transverse", 12, 25, 9, 8},
  };
  TJPEGTransformer t(nullptr);
  for (const char* sampling : {"-sample 2x2", "-grayscale"}) {
    const std::string jpeg = CJpeg(Ppm(37, 23), sampling);
    for (const Crop& c : crops) {
      t.Transform = c.transform;
      t.CropWidth = c.w;
      t.CropHeight = c.h;
      t.CropX = c.x;
      t.CropY = c.y;
      const std::string args = std::string(c.transform_args) + " -crop " + std::to_string(c.w) +
                               "x" + std::to_string(c.h) + "+" + std::to_string(c.x) + "+" +
                               std::to_string(c.y);
      std::string theirs;
      ASSERT_TRUE(Jpegtran(args, jpeg, theirs)) << args;
      EXPECT_TRUE(Pixels(Transform(t, jpeg)) == Pixels(theirs)) << sampling << " " << args;
    }
  }
}

TEST(TransformOracle, PerfectRefusesWhatJpegtranRefusesAndOtherwiseTheEdgeIsReported) {
  TJPEGTransformer t(nullptr);
  t.Perfect = true;
  for (const auto& [w, h] : {std::pair{37, 23}, std::pair{32, 16}, std::pair{32, 23}}) {
    const std::string jpeg = CJpeg(Ppm(w, h), "-sample 2x2");
    for (const TransformCase& c : kTransforms) {
      t.Transform = c.transform;
      std::string theirs;
      const bool jpegtran_ok = Jpegtran(std::string(c.args) + " -perfect", jpeg, theirs);
      std::string ours;
      try {
        ours = Transform(t, jpeg);
      } catch (const Exception& e) {
        EXPECT_NE(e.Message().find("not perfect"), std::string::npos) << e.Message();
      }
      EXPECT_EQ(!ours.empty(), jpegtran_ok) << w << "x" << h << " " << c.args;
      // Without Perfect the transform runs and says whether it kept an edge.
      t.Perfect = false;
      Transform(t, jpeg);
      EXPECT_EQ(t.PartialEdgeKept(), !jpegtran_ok) << w << "x" << h << " " << c.args;
      t.Perfect = true;
      if (jpegtran_ok && !ours.empty()) {
        EXPECT_TRUE(Pixels(ours) == Pixels(theirs));
      }
    }
  }
}

TEST(TransformOracle, CopiesTheSegmentsJpegtranCopies) {
  std::string jpeg = InsertSegment(CJpeg(Ppm(16, 16)), 0xFE, "first");
  jpeg = InsertSegment(jpeg, 0xE1, ExifPayload(6));
  jpeg = InsertSegment(jpeg, 0xE2, std::string("ICC_PROFILE\0\1\1profile", 22));
  jpeg = InsertSegment(jpeg, 0xED, "Photoshop 3.0");
  jpeg = InsertSegment(jpeg, 0xEF, "app15");
  jpeg = InsertSegment(jpeg, 0xFE, "second");
  const struct {
    TJPEGCopyMarkers mode;
    const char* args;
  } modes[] = {{jcNone, "-copy none"}, {jcComments, "-copy comments"}, {jcAll, "-copy all"}};
  TJPEGTransformer t(nullptr);
  for (const auto& m : modes) {
    t.CopyMarkers = m.mode;
    std::string theirs;
    ASSERT_TRUE(Jpegtran(m.args, jpeg, theirs));
    const std::vector<Segment> ours = ExtraSegments(Transform(t, jpeg));
    const std::vector<Segment> expected = ExtraSegments(theirs);
    ASSERT_EQ(ours.size(), expected.size()) << m.args;
    for (size_t i = 0; i < ours.size(); ++i) {
      EXPECT_EQ(ours[i].marker, expected[i].marker) << m.args << " segment " << i;
      EXPECT_EQ(ours[i].payload, expected[i].payload) << m.args << " segment " << i;
    }
  }
}

TEST(TransformOrientation, TurnsUprightAsPillowDoesAndWritesOrientationOne) {
  TJPEGTransformer t(nullptr);
  t.AutoOrient = true;
  t.CopyMarkers = jcAll;
  for (int orientation = 1; orientation <= 8; ++orientation) {
    // Whole iMCUs, so that every orientation is a perfect transform; both
    // byte orders.
    const std::string jpeg =
        InsertSegment(CJpeg(Ppm(48, 32)), 0xE1, ExifPayload(orientation, orientation % 2 == 0));
    const std::string ours = Transform(t, jpeg);
    // Moving coefficients is not moving pixels: the decoder's rounding
    // (upsampling, inverse DCT) differs by a few levels; a wrong turn
    // differs by far more.
    EXPECT_LE(MaxDifference(DjpegRgb(ours), PnmRgb(Pillow("upright", jpeg))), 4) << orientation;
    EXPECT_EQ(Pillow("orientation", ours), "1\n") << orientation;
  }
}

TEST(TransformErrors, BadRequestsAndDataFailClearlyAndLeaveTheComponentUsable) {
  const std::string good = CJpeg(Ppm(37, 23));
  const struct {
    const char* what;
    std::string data;
    int crop_w, crop_h, crop_x, crop_y;
    const char* message;
  } cases[] = {
      {"crop past the right edge", good, 10, 10, 30, 0, "does not lie inside the 37 x 23 image"},
      {"crop past the bottom", good, 10, 10, 0, 20, "does not lie inside"},
      {"crop of no height", good, 10, 0, 0, 0, "does not lie inside"},
      {"negative crop", good, 10, 10, -1, 0, "is not valid"},
      {"no data", "", 0, 0, 0, 0, "Premature end of input file"},
      {"not a JPEG", "BM12345678", 0, 0, 0, 0, "Not a JPEG file"},
  };
  TJPEGTransformer t(nullptr);
  for (const auto& c : cases) {
    t.CropWidth = c.crop_w;
    t.CropHeight = c.crop_h;
    t.CropX = c.crop_x;
    t.CropY = c.crop_y;
    try {
      Transform(t, c.data);
      ADD_FAILURE() << c.what << ": no exception";
    } catch (const Exception& e) {
      EXPECT_NE(e.Message().find(c.message), std::string::npos) << c.what << ": " << e.Message();
    }
    t.CropWidth = t.CropHeight = t.CropX = t.CropY = 0;
    EXPECT_TRUE(Pixels(Transform(t, good)) == Pixels(good)) << "after " << c.what;
  }
}

TEST(TransformProgress, ReportsBothHalvesAndStopsOnAbort) {
  const std::string jpeg = CJpeg(Ppm(64, 64), "-progressive");
  TJPEGFileTransformer t(nullptr);
  t.Transform = jtRotate90;
  std::vector<int32_t> seen;
  bool abort = true;
  t.OnProgressReport = [&](TObject*) {
    seen.push_back(t.GetPercentDone());
    if (abort && t.GetPercentDone() >= 50) t.Abort();
  };
  try {
    Transform(t, jpeg);
    ADD_FAILURE() << "no User Interrupt";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "User Interrupt");
  }
  abort = false;
  seen.clear();
  const std::string out = Transform(t, jpeg);
  ASSERT_FALSE(seen.empty());
  EXPECT_LT(seen.front(), 50);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(seen.back(), 100);
  std::string theirs;
  ASSERT_TRUE(Jpegtran("-rotate 90", jpeg, theirs));
  EXPECT_TRUE(Pixels(out) == Pixels(theirs));
}
