// What a header read tells without decoding: size, components, colour space,
// coding, density, EXIF orientation and the ICC profile (against Pillow and
// the datastream's own layout); the segments kept; the ICC profile written
// by the compressor.
#include <gtest/gtest.h>

#include <random>

#include "tests/zeljpeg/encode_fixtures.h"
#include "tests/zeljpeg/metadata_fixtures.h"

using namespace decodetest;
using namespace metatest;

namespace {

// The APP2 segments that carry profile in pieces of at most chunk bytes,
// numbered from 1 as the ICC profile format of JPEG files numbers them.
std::string WithICCProfile(std::string jpeg, const std::string& profile, size_t chunk = 65519) {
  const size_t count = (profile.size() + chunk - 1) / chunk;
  // Inserted last first: each goes right after SOI and APP0.
  for (size_t i = count; i-- > 0;) {
    const std::string header =
        std::string("ICC_PROFILE\0", 12) + static_cast<char>(i + 1) + static_cast<char>(count);
    jpeg = InsertSegment(jpeg, 0xE2, header + profile.substr(i * chunk, chunk));
  }
  return jpeg;
}

std::string RandomBytes(size_t n) {
  std::mt19937 rng(7);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

std::string Hex(const std::vector<uint8_t>& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (uint8_t b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

// Pillow's metadata lines: icc_profile, exif, dpi.
std::vector<std::string> PillowMetadata(const std::string& jpeg) {
  std::vector<std::string> lines;
  const std::string text = Pillow("metadata", jpeg);
  for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
    lines.push_back(text.substr(at, end - at));
  return lines;
}

}  // namespace

TEST(DecodeHeader, TellsWhatTheDatastreamSays) {
  const struct {
    const char* args;
    std::string image;
    int components;
    J_COLOR_SPACE space;
    bool progressive;
  } cases[] = {
      {"-quality 80", Ppm(41, 17), 3, JCS_YCbCr, false},
      {"-progressive", Ppm(8, 300), 3, JCS_YCbCr, true},
      {"-grayscale -progressive", Ppm(5, 5), 1, JCS_GRAYSCALE, true},
      {"-rgb", Ppm(9, 9), 3, JCS_RGB, false},
  };
  TJPEGStreamDecompressor d(nullptr);
  for (const auto& c : cases) {
    TMemoryStream in;
    FillStream(in, CJpeg(c.image, c.args));
    d.OpenStream(in);
    int w = 0, h = 0;
    PnmRgb(c.image, &w, &h);
    EXPECT_EQ(d.ImageWidth(), static_cast<uint32_t>(w)) << c.args;
    EXPECT_EQ(d.ImageHeight(), static_cast<uint32_t>(h)) << c.args;
    EXPECT_EQ(d.NumComponents(), c.components) << c.args;
    EXPECT_EQ(d.JPEGColorSpace(), c.space) << c.args;
    EXPECT_EQ(d.Progressive(), c.progressive) << c.args;
    EXPECT_EQ(d.ExifOrientation(), 1) << c.args;  // no EXIF data
    EXPECT_EQ(d.ICCProfileSize(), 0) << c.args;
    d.CloseStream();
  }
}

TEST(DecodeHeader, DensityOrientationAndProfileAsPillowReadsThem) {
  // A JFIF density of 300 x 150 dpi written by our compressor, EXIF
  // orientation 8 and a profile of three segments (the last one short).
  TJPEGStreamCompressor c(nullptr);
  c.SetDensityUnit(1);
  c.SetX_Density(300);
  c.SetY_Density(150);
  const std::string profile = RandomBytes(2 * 65519 + 1000);
  std::string jpeg =
      WithICCProfile(encodetest::Compress(c, encodetest::Dib24(TestImage(24, 16))), profile);
  jpeg = InsertSegment(jpeg, 0xE1, ExifPayload(8, false));
  TJPEGStreamDecompressor d(nullptr);
  std::vector<int> markers;
  // A marker handler that leaves the segments alone does not take them away.
  d.OnJPEGMarker = [&](TJPEGBase*, int n, bool&) { markers.push_back(n); };
  TMemoryStream in;
  FillStream(in, jpeg);
  d.OpenStream(in);
  const std::vector<std::string> pillow = PillowMetadata(jpeg);
  ASSERT_EQ(pillow.size(), 3u);
  EXPECT_EQ(Hex(d.ICCProfile()), pillow[0]);
  EXPECT_EQ(d.ICCProfileSize(), static_cast<int32_t>(profile.size()));
  EXPECT_EQ(pillow[2], "300x150");
  EXPECT_EQ(d.DensityUnit(), 1);
  EXPECT_EQ(d.X_Density(), 300);
  EXPECT_EQ(d.Y_Density(), 150);
  EXPECT_EQ(std::to_string(d.ExifOrientation()) + "\n", Pillow("orientation", jpeg));
  EXPECT_EQ(markers, (std::vector<int>{1, 2, 2, 2}));
  d.CloseStream();

  // A handler that reads the segments itself takes them: no profile then.
  d.OnJPEGMarker = [&](TJPEGBase* sender, int, bool& done) {
    auto* decoder = static_cast<TJPEGDecompressor*>(sender);
    int length = decoder->GetByte() << 8;
    length |= decoder->GetByte();
    for (int i = 2; i < length; ++i) decoder->GetByte();
    done = true;
  };
  in.SetPosition(0);
  d.OpenStream(in);
  EXPECT_EQ(d.ICCProfileSize(), 0);
  EXPECT_EQ(d.ExifOrientation(), 1);
  d.CloseStream();
}

TEST(DecodeHeader, ProfilesThatDoNotFitTogetherAreIgnoredWithAWarning) {
  const std::string base = CJpeg(Ppm(8, 8));
  const std::string piece = std::string("ICC_PROFILE\0", 12);
  const struct {
    const char* what;
    std::string jpeg;
  } cases[] = {
      {"a missing piece", InsertSegment(base, 0xE2, piece + "\1\2abc")},
      {"a repeated piece",
       InsertSegment(InsertSegment(base, 0xE2, piece + "\1\2abc"), 0xE2, piece + "\1\2abc")},
      {"counts that disagree",
       InsertSegment(InsertSegment(base, 0xE2, piece + "\1\2abc"), 0xE2, piece + "\2\3abc")},
      {"piece number 0", InsertSegment(base, 0xE2, piece + std::string("\0\1abc", 5))},
      {"no room for the numbers", InsertSegment(base, 0xE2, piece)},
  };
  TJPEGStreamDecompressor d(nullptr);
  for (const auto& c : cases) {
    std::vector<std::string> warnings;
    d.OnWarning = [&](const char* text) { warnings.push_back(text); };
    const Bmp bmp = ParseBmp(ConvertToBmp(d, c.jpeg, jp24bit));
    EXPECT_EQ(d.ICCProfileSize(), 0) << c.what;
    EXPECT_EQ(warnings.size(), 1u) << c.what;
    EXPECT_EQ(bmp.info.biWidth, 8) << c.what;  // the image decodes all the same
  }
}

TEST(DecodeHeader, KeepsTheSegmentsAskedForInTheirOrder) {
  std::string jpeg = CJpeg(Ppm(8, 8));
  jpeg = InsertSegment(jpeg, 0xED, "Photoshop 3.0");
  jpeg = InsertSegment(jpeg, 0xFE, "a comment");
  jpeg = InsertSegment(jpeg, 0xE1, ExifPayload(3));
  jpeg = InsertSegment(jpeg, 0xE1, "http://ns.adobe.com/xap/1.0/");
  const std::vector<Segment> expected = ExtraSegments(jpeg);
  ASSERT_EQ(expected.size(), 4u);
  TJPEGStreamDecompressor d(nullptr);
  for (TJPEGCopyMarkers mode : {jcNone, jcComments, jcAll}) {
    d.SaveMarkers = mode;
    ConvertToBmp(d, jpeg, jp24bit);  // kept after the decode too
    std::vector<Segment> kept;
    for (const TJPEGMarker& m : d.Markers())
      kept.push_back({m.Marker, std::string(m.Data.begin(), m.Data.end())});
    std::vector<Segment> wanted;
    for (const Segment& s : expected)
      if (mode == jcAll || (mode == jcComments && s.marker == 0xFE)) wanted.push_back(s);
    ASSERT_EQ(kept.size(), wanted.size()) << mode;
    for (size_t i = 0; i < kept.size(); ++i) {
      EXPECT_EQ(kept[i].marker, wanted[i].marker) << mode << " " << i;
      EXPECT_EQ(kept[i].payload, wanted[i].payload) << mode << " " << i;
    }
    EXPECT_EQ(d.ExifOrientation(), 3) << mode;
  }
}

TEST(EncodeICCProfile, PillowReadsBackTheProfileWritten) {
  TJPEGStreamCompressor c(nullptr);
  for (size_t size : {size_t{500}, size_t{65519}, size_t{65520}, size_t{200000}}) {
    const std::string profile = RandomBytes(size);
    c.SetICCProfile(std::vector<uint8_t>(profile.begin(), profile.end()));
    const std::string jpeg = encodetest::Compress(c, encodetest::Dib24(TestImage(16, 8)));
    const std::vector<std::string> pillow = PillowMetadata(jpeg);
    ASSERT_FALSE(pillow.empty());
    EXPECT_EQ(pillow[0], Hex(std::vector<uint8_t>(profile.begin(), profile.end()))) << size;
  }
  c.SetICCProfile({});
  EXPECT_EQ(PillowMetadata(encodetest::Compress(c, encodetest::Dib24(TestImage(16, 8))))[0], "");
}
