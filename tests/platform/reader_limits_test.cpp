// Hostile files found by fuzzing the BMP and EMF readers: a tiny run-length
// encoded BMP declaring hundreds of millions of pixels, and metafiles whose
// frame or RestoreDC argument sit at the ends of the 32-bit range.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "platform/graphics/Graphics.h"
#include "tests/support/GraphicsTestSupport.h"

namespace {

class ReaderLimitsTest : public GraphicsTest {};

// An RLE8 file of width x height whose data ends the bitmap at once.
std::string EmptyRle8(int32_t width, int32_t height) {
  BmpLayout layout;
  layout.bits = 8;
  layout.colors = {0x000000, 0xFFFFFF};
  std::string file = BuildBmp(layout);
  file.resize(14 + 40 + 4 * 2);
  file += std::string("\x00\x01", 2);  // end of bitmap
  const uint32_t size = static_cast<uint32_t>(file.size());
  const uint32_t compression = BI_RLE8;
  const uint32_t data_size = 2;
  std::memcpy(&file[2], &size, 4);
  std::memcpy(&file[18], &width, 4);
  std::memcpy(&file[22], &height, 4);
  std::memcpy(&file[30], &compression, 4);
  std::memcpy(&file[34], &data_size, 4);
  return file;
}

TEST_F(ReaderLimitsTest, RunLengthFilesDeclaringHugeImagesExceedThePixelLimit) {
  TBitmap bitmap;
  TMemoryStream stream;
  // 939 million pixels in 72 bytes, and one row more than 16384 x 16384.
  for (auto [w, h] : {std::pair{7, 0x08000003}, std::pair{16385, 16384}}) {
    FillStream(stream, EmptyRle8(w, h));
    try {
      bitmap.LoadFromStream(stream);
      ADD_FAILURE() << "loaded";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Image of " + std::to_string(w) + " x " + std::to_string(h) +
                                 " pixels exceeds the limit of 268435456 pixels");
    }
  }
  EXPECT_TRUE(bitmap.Empty());
  // Ordinary sizes still load, untouched pixels at index 0.
  FillStream(stream, EmptyRle8(300, 200));
  bitmap.LoadFromStream(stream);
  EXPECT_EQ(bitmap.Width(), 300);
  EXPECT_EQ(bitmap.Height(), 200);
}

// A recorded metafile with a rectangle between SaveDC and RestoreDC(-1).
std::string RecordedEmf() {
  RECT frame{0, 0, 1000, 1000};
  HDC dc = CreateEnhMetaFileA(nullptr, nullptr, &frame, nullptr);
  SaveDC(dc);
  Rectangle(dc, 1, 1, 5, 5);
  RestoreDC(dc, -1);
  HENHMETAFILE metafile = CloseEnhMetaFile(dc);
  std::string bytes(GetEnhMetaFileBits(metafile, 0, nullptr), '\0');
  GetEnhMetaFileBits(metafile, static_cast<UINT>(bytes.size()),
                     reinterpret_cast<BYTE*>(bytes.data()));
  DeleteEnhMetaFile(metafile);
  return bytes;
}

TEST_F(ReaderLimitsTest, AFrameWiderThanAnIntHoldsGivesTheLargestSize) {
  std::string bytes = RecordedEmf();
  const int32_t left = INT32_MIN;  // rclFrame.left; right stays 1000
  std::memcpy(&bytes[24], &left, 4);
  TMetafile metafile;
  TMemoryStream stream;
  FillStream(stream, bytes);
  metafile.LoadFromStream(stream);
  EXPECT_EQ(metafile.MMWidth(), INT32_MAX);
  EXPECT_GT(metafile.Width(), 0);
}

#ifndef _WIN32
// The portable playback's own guard; on Windows playback is the system's
// (and Wine's playback faults on this record).
TEST_F(ReaderLimitsTest, RestoreDCWithTheSmallestIntIsIgnored) {
  std::string bytes = RecordedEmf();
  bool patched = false;
  for (size_t at = 0; at + 12 <= bytes.size();) {
    uint32_t type = 0, size = 0;
    std::memcpy(&type, &bytes[at], 4);
    std::memcpy(&size, &bytes[at + 4], 4);
    if (type == EMR_RESTOREDC) {
      const int32_t level = INT32_MIN;
      std::memcpy(&bytes[at + 8], &level, 4);
      patched = true;
    }
    if (size < 8) break;
    at += size;
  }
  ASSERT_TRUE(patched);
  HENHMETAFILE metafile = SetEnhMetaFileBits(static_cast<UINT>(bytes.size()),
                                             reinterpret_cast<const BYTE*>(bytes.data()));
  ASSERT_NE(metafile, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 8, 8);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT target{0, 0, 8, 8};
  EXPECT_TRUE(PlayEnhMetaFile(dc, metafile, &target));
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  DeleteEnhMetaFile(metafile);
}
#endif

}  // namespace
