// Metafiles drawn as the system's GDI draws them. The expected images in
// tests/data/metafiles are Wine's GDI playing each metafile at its frame's
// size (made by tests/platform/oracle/make_oracle.sh); here the same files are
// drawn through TMetafile and compared. Under Wine (the Windows suite) the
// system draws them again and must match exactly; on Linux the portable
// playback must match exactly where the geometry has whole-pixel corners and
// within a stated tolerance where Windows' own curve, wide-pen and glyph
// rasterisers decide single pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/graphics/Graphics.h"
#include "tests/support/GraphicsTestSupport.h"

namespace {

// The pixels of a bitmap as 0xRRGGBB, rows top-down.
std::vector<uint32_t> Pixels(TBitmap& bitmap) {
  const int w = bitmap.Width(), h = bitmap.Height();
  BITMAPINFO info{};
  info.bmiHeader = {40, w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<uint32_t> out(static_cast<size_t>(w) * h);
  HDC screen = GetDC(nullptr);
  HBITMAP handle = bitmap.ReleaseHandle();
  EXPECT_EQ(GetDIBits(screen, handle, 0, h, out.data(), &info, DIB_RGB_COLORS), h);
  bitmap.SetHandle(handle);
  ReleaseDC(nullptr, screen);
  for (uint32_t& p : out) p &= 0xFFFFFF;
  return out;
}

std::string DataFile(const std::string& name) {
  return std::string(VASK_TEST_DATA_DIR) + "/metafiles/" + name;
}

// How a playback may differ from the system's.
enum class Match {
  Exact,
  // Curves, wide pens and turned shapes may lie a pixel off: at most 0.5% of
  // the pixels have no pixel of the same colour at most one pixel away in
  // the other image.
  Shifted,
  // Smoothed text: as Shifted with colours within 96 per channel, for at
  // most 1.5% of the pixels (glyph hinting and grey levels differ).
  Text,
};

struct Case {
  const char* file;
  Match match;
};

// Pixels of a without a pixel of a near colour within one pixel in b.
int Unmatched(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int w, int h,
              int colour_tolerance) {
  auto similar = [&](uint32_t p, uint32_t q) {
    for (int shift = 0; shift < 24; shift += 8) {
      if (std::abs(int((p >> shift) & 0xFF) - int((q >> shift) & 0xFF)) > colour_tolerance) {
        return false;
      }
    }
    return true;
  };
  int count = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      bool found = false;
      for (int dy = -1; dy <= 1 && !found; ++dy) {
        for (int dx = -1; dx <= 1 && !found; ++dx) {
          const int u = x + dx, v = y + dy;
          found = u >= 0 && v >= 0 && u < w && v < h && similar(a[y * w + x], b[v * w + u]);
        }
      }
      count += !found;
    }
  }
  return count;
}

class MetafileOracleTest : public GraphicsTest, public testing::WithParamInterface<Case> {};

TEST_P(MetafileOracleTest, DrawsAsTheSystemDoes) {
  const Case c = GetParam();
  TBitmap expected_bitmap;
  expected_bitmap.LoadFromFile(DataFile(std::string(c.file) + ".bmp"));
  TMetafile metafile;
  metafile.LoadFromFile(DataFile(c.file));
  const int w = metafile.Width(), h = metafile.Height();
  ASSERT_EQ(w, expected_bitmap.Width());
  ASSERT_EQ(h, expected_bitmap.Height());
  const std::vector<uint32_t> expected = Pixels(expected_bitmap);

  TBitmap target;
  target.SetWidth(w);
  target.SetHeight(h);
  target.Canvas()->FillRect(RECT{0, 0, w, h});
  target.Canvas()->StretchDraw(RECT{0, 0, w, h}, &metafile);
  EXPECT_TRUE(metafile.SkippedRecords().empty())
      << EnhMetaRecordName(metafile.SkippedRecords()[0].type);
  const std::vector<uint32_t> actual = Pixels(target);
  if (const char* out = std::getenv("VASK_ORACLE_OUT")) {
    target.SaveToFile(std::string(out) + "/" + c.file + ".bmp");
  }

  int differing = 0;
  for (size_t i = 0; i < actual.size(); ++i) differing += actual[i] != expected[i];
  const int tolerance = c.match == Match::Text ? 96 : 0;
  const int unmatched =
      Unmatched(actual, expected, w, h, tolerance) + Unmatched(expected, actual, w, h, tolerance);
  SCOPED_TRACE(testing::Message() << differing << " pixels differ, " << unmatched
                                  << " without a match nearby, of " << w * h);
#ifdef _WIN32
  // The system's conversion of a Windows metafile depends on the display
  // it runs on: that one is held to the tolerance of its contents.
  if (std::string(c.file).find(".wmf") == std::string::npos) {
    EXPECT_EQ(differing, 0) << "the system no longer draws the expected image";
    return;
  }
#endif
  switch (c.match) {
    case Match::Exact:
      EXPECT_EQ(differing, 0);
      break;
    case Match::Shifted:
      EXPECT_LE(unmatched, w * h / 200);
      break;
    case Match::Text:
      EXPECT_LE(unmatched, w * h * 3 / 200);
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, MetafileOracleTest,
    testing::Values(
        Case{"wine-lines.emf", Match::Exact}, Case{"hand-cliprect.emf", Match::Exact},
        Case{"hand-worldscale.emf", Match::Exact}, Case{"hand-polypolygon16.emf", Match::Exact},
        Case{"hand-region.emf", Match::Exact}, Case{"canvas-shapes.emf", Match::Shifted},
        Case{"hand-polybezier16.emf", Match::Shifted}, Case{"wine-curves.emf", Match::Shifted},
        Case{"wine-paths.emf", Match::Shifted}, Case{"wine-clipping.emf", Match::Shifted},
        Case{"wine-transforms.emf", Match::Shifted}, Case{"wine-styles.emf", Match::Shifted},
        Case{"wine-placeable.wmf", Match::Text}, Case{"hand-textopaque.emf", Match::Text},
        Case{"wine-text.emf", Match::Text}),
    [](const testing::TestParamInfo<Case>& info) {
      std::string name = info.param.file;
      for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      }
      return name;
    });

}  // namespace
