// Helpers for the graphics tests: BMP, ICO and EMF files built byte by byte,
// an independent image reader (Pillow) and a fixture that checks every
// graphics handle made during a test is released again.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/classes/Streams.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiTest.h"
#include "tests/support/TestSupport.h"

// Runs the graphics unit's initialisation and compares the live handle
// counts at the end of each test with those at its start.
class GraphicsTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

 private:
  gditest::HandleCounts start_;
};

// A BMP file described field by field; BuildBmp lays it out. Pixel rows are
// given as values (palette index, or 0xRRGGBB) and packed to the depth.
struct BmpLayout {
  int width = 1;
  int height = 1;  // negative: rows top-down
  int bits = 24;
  bool core_header = false;  // 12-byte header, RGBTRIPLE colours
  uint32_t compression = BI_RGB;
  uint32_t masks[3] = {0, 0, 0};  // BI_BITFIELDS
  std::vector<uint32_t> colors;   // 0xRRGGBB; biClrUsed = size
  // value of pixel (x, y), y counted from the top
  std::function<uint32_t(int x, int y)> pixel = [](int, int) { return 0u; };
};
std::string BuildBmp(const BmpLayout& layout);

// A deterministic pixel pattern: index (x * 7 + y * 13) % colours, or an RGB
// value that varies in all three channels.
uint32_t PatternIndex(int x, int y, int colours);
uint32_t PatternRgb(int x, int y);

// The 766-byte 32 x 32 16-colour icon: colours: the 16 VGA colours; pixel
// (x, y) (from the top) has index (x + y) % 16, except that the pixels with
// x < 4 are masked (transparent) and black, as an icon's masked pixels are.
std::string BuildIcon32x16();

// A minimal enhanced metafile: header (frame 0..frame_w x 0..frame_h in .01
// mm) and an EOF record with the given palette entries (0xRRGGBB).
std::string BuildEmf(int frame_w, int frame_h, const std::vector<uint32_t>& palette);

// Decodes an image file with Pillow (/usr/bin/python3, installed by the
// set-up script) into rows top-down of 0xRRGGBB; false (and a message in
// why) when Pillow fails, which the tests treat as a failure.
bool PillowDecode(const std::string& path, int& width, int& height, std::vector<uint32_t>& rgb,
                  std::string& why);
// Has Pillow write an image of width x height from 0xRRGGBB pixels in the
// given mode ("RGB", "P", "1", "RGBA") as BMP to path.
bool PillowWriteBmp(const std::string& path, int width, int height,
                    const std::vector<uint32_t>& rgb, const std::string& mode, std::string& why);
