#include "tests/zeljpeg/decode_fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/support/TestSupport.h"

namespace decodetest {

std::string ApiJpeg(int w, int h, int components, J_COLOR_SPACE in_space,
                    J_COLOR_SPACE jpeg_space) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = static_cast<JDIMENSION>(w);
  c.image_height = static_cast<JDIMENSION>(h);
  c.input_components = components;
  c.in_color_space = in_space;
  jpeg_set_defaults(&c);
  jpeg_set_colorspace(&c, jpeg_space);
  jpeg_start_compress(&c, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(w) * components);
  while (c.next_scanline < c.image_height) {
    for (int x = 0; x < w; ++x) {
      const uint8_t samples[4] = {static_cast<uint8_t>(x * 9),
                                  static_cast<uint8_t>(c.next_scanline * 11), 100, 30};
      std::copy(samples, samples + components, &row[static_cast<size_t>(x) * components]);
    }
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&c, &p, 1);
  }
  jpeg_finish_compress(&c);
  std::string result(reinterpret_cast<char*>(out), size);
  jpeg_destroy_compress(&c);
  free(out);
  return result;
}

std::string InsertSegment(const std::string& jpeg, int marker, const std::string& payload,
                          int length) {
  size_t at = 2;
  if (jpeg.size() > 4 && static_cast<uint8_t>(jpeg[2]) == 0xFF &&
      static_cast<uint8_t>(jpeg[3]) == 0xE0)
    at = 4 + ((static_cast<uint8_t>(jpeg[4]) << 8) | static_cast<uint8_t>(jpeg[5]));
  if (length < 0) length = static_cast<int>(payload.size()) + 2;
  std::string seg;
  seg += '\xFF';
  seg += static_cast<char>(marker);
  seg += static_cast<char>((length >> 8) & 0xFF);
  seg += static_cast<char>(length & 0xFF);
  seg += payload;
  return jpeg.substr(0, at) + seg + jpeg.substr(at);
}

Bmp ParseBmp(const std::string& bytes) {
  Bmp bmp;
  EXPECT_GE(bytes.size(), 54u);
  if (bytes.size() < 54) return bmp;
  std::memcpy(&bmp.file, bytes.data(), sizeof bmp.file);
  std::memcpy(&bmp.info, bytes.data() + 14, sizeof bmp.info);
  size_t colours = bmp.info.biClrUsed;
  if (colours == 0 && bmp.info.biBitCount <= 8) colours = 1u << bmp.info.biBitCount;
  bmp.colours.resize(colours);
  if (colours) std::memcpy(bmp.colours.data(), bytes.data() + 54, colours * 4);
  bmp.bits = bytes.substr(bmp.file.bfOffBits);
  return bmp;
}

std::string ConvertToBmp(TJPEGStreamDecompressor& d, const std::string& jpeg,
                         TJPEGOutputType type) {
  TMemoryStream in, out;
  FillStream(in, jpeg);
  d.ConvertToDIB(in, out, type);
  return StreamBytes(out);
}

std::string DecodeError(TProbeDecompressor& d, const std::string& bytes, TJPEGOutputType type) {
  try {
    ConvertToBmp(d, bytes, type);
    return "";
  } catch (const Exception& e) {
    EXPECT_FALSE(e.Message().empty());
    return e.Message();
  }
}

void ExpectHealthy(TProbeDecompressor& d, const std::string& good, const std::string& expected) {
  EXPECT_TRUE(d.Idle());
  EXPECT_EQ(d.Stream(), nullptr);
  EXPECT_EQ(ConvertToBmp(d, good, jp24bit), expected);
}

std::string WithFrameSize(std::string jpeg, int width, int height) {
  size_t sof = jpeg.find("\xFF\xC0");
  if (sof == std::string::npos) sof = jpeg.find("\xFF\xC2");
  jpeg[sof + 5] = static_cast<char>(height >> 8);
  jpeg[sof + 6] = static_cast<char>(height & 255);
  jpeg[sof + 7] = static_cast<char>(width >> 8);
  jpeg[sof + 8] = static_cast<char>(width & 255);
  return jpeg;
}

}  // namespace decodetest
