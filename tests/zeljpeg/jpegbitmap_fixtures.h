// Fixtures for the TJPEGBitmap tests: a fixture that checks graphics handles
// and frees the shared stream instances that a test caused to be
// constructed, and helpers for images and files.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/GdiFixture.h"
#include "tests/support/Pictures.h"
#include "zeljpeg/Zeljpeg.h"

namespace jpegbitmaptest {

// Every test starts without shared stream instances (it frees any left
// behind) and ends by freeing those it caused to be made, so that other
// suites' expectations about the first-constructed instance hold.
class JPEGBitmapTest : public GdiFixture {
 protected:
  void SetUp() override;
  void TearDown() override;
};

// A colour JPEG of w x h: cjpeg of Ppm(w, h, kColourSeed).
constexpr int kColourSeed = 7;
std::string ColourJpeg(int w, int h, const std::string& args = "-quality 90");

// The bitmap's pixels, top-down, as 0xRRGGBB (through a 24-bit DIB).
std::vector<uint32_t> BitmapPixels(TBitmap& bitmap);

bool StartsWith(const std::string& bytes, const char* prefix, size_t n);

}  // namespace jpegbitmaptest
