#include "tests/zeljpeg/decode_fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/support/TestSupport.h"

namespace decodetest {

std::string Ppm(int w, int h, int seed) {
  std::string out = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
  uint32_t rng = 2166136261u ^ static_cast<uint32_t>(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      rng = rng * 1664525u + 1013904223u;
      int noise = static_cast<int>((rng >> 24) & 31) - 16;
      int r = (x * 255) / std::max(1, w - 1);
      int g = (y * 255) / std::max(1, h - 1);
      int b = ((x / 8 + y / 8) % 2) ? 220 : 40;
      if (x > w / 2 && y > h / 2) r = 255 - r;
      out += static_cast<char>(std::clamp(r + noise, 0, 255));
      out += static_cast<char>(std::clamp(g - noise, 0, 255));
      out += static_cast<char>(std::clamp(b + noise / 2, 0, 255));
    }
  return out;
}

std::string Pgm(int w, int h) {
  std::string out = "P5\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      out += static_cast<char>((x * 7 + y * 3 + ((x / 4) % 2) * 60) & 255);
  return out;
}

std::string RunTool(const std::string& command, const std::string& input) {
  return RunFilter(command, input);
}

std::string CJpeg(const std::string& image, const std::string& args) {
  return RunTool("cjpeg " + args, image);
}

std::string DJpeg(const std::string& jpeg, const std::string& args) {
  return RunTool("djpeg " + args, jpeg);
}

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

void Fill(TMemoryStream& stream, const std::string& bytes) {
  stream.Clear();
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  stream.SetPosition(0);
}

std::string Contents(TMemoryStream& stream) {
  return std::string(reinterpret_cast<const char*>(stream.Memory()),
                     static_cast<size_t>(stream.Size()));
}

std::string ConvertToBmp(TJPEGStreamDecompressor& d, const std::string& jpeg,
                         TJPEGOutputType type) {
  TMemoryStream in, out;
  Fill(in, jpeg);
  d.ConvertToDIB(in, out, type);
  return Contents(out);
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
