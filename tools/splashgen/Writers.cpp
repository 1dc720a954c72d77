#include "tools/splashgen/Writers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <stdexcept>

#include "platform/gdi/DibRows.h"

namespace splashgen {
namespace {

void Put16(std::vector<unsigned char>& out, uint32_t v) {
  out.push_back(static_cast<unsigned char>(v & 0xFF));
  out.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}
void Put32(std::vector<unsigned char>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
unsigned char Clamp8(float v) {
  return static_cast<unsigned char>(std::clamp(std::lround(v), 0L, 255L));
}
// The 40-byte information header of an uncompressed DIB.
void PutInfoHeader(std::vector<unsigned char>& out, int width, int height, int bits,
                   uint32_t image_size, uint32_t colours) {
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(bits));
  Put32(out, 0);  // BI_RGB
  Put32(out, image_size);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, colours);
  Put32(out, 0);
}

// The 16 standard colours in their usual order (red, green, blue).
constexpr unsigned char kPalette16[16][3] = {
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},  {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},    {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};

int Nearest16(Rgb p) {
  int best = 0;
  float best_d = 1e30f;
  for (int i = 0; i < 16; ++i) {
    const float dr = p.r - kPalette16[i][0], dg = p.g - kPalette16[i][1],
                db = p.b - kPalette16[i][2];
    const float d = dr * dr * 0.3f + dg * dg * 0.59f + db * db * 0.11f;
    if (d < best_d) {
      best_d = d;
      best = i;
    }
  }
  return best;
}

bool InsideRoundedSquare(int x, int y, int n, int r) {
  const int cx = std::clamp(x, r, n - 1 - r), cy = std::clamp(y, r, n - 1 - r);
  const int dx = x - cx, dy = y - cy;
  return dx * dx + dy * dy <= r * r;
}

}  // namespace

std::vector<unsigned char> EncodeBmp24(const Canvas& c) {
  const int row = static_cast<int>(DibRowBytes(c.Width(), 24));
  const uint32_t image = static_cast<uint32_t>(row) * c.Height();
  std::vector<unsigned char> out;
  out.reserve(54 + image);
  out.push_back('B');
  out.push_back('M');
  Put32(out, 54 + image);
  Put16(out, 0);
  Put16(out, 0);
  Put32(out, 54);
  PutInfoHeader(out, c.Width(), c.Height(), 24, image, 0);
  for (int y = c.Height() - 1; y >= 0; --y) {
    for (int x = 0; x < c.Width(); ++x) {
      const Rgb& p = c.At(x, y);
      out.push_back(Clamp8(p.b));
      out.push_back(Clamp8(p.g));
      out.push_back(Clamp8(p.r));
    }
    for (int pad = c.Width() * 3; pad < row; ++pad) out.push_back(0);
  }
  return out;
}

std::vector<unsigned char> EncodeIcon16(const Canvas& c) {
  const int n = 32;
  if (c.Width() != n || c.Height() != n) throw std::runtime_error("icon must be 32 x 32");
  constexpr uint32_t kXorSize = 32 * 16, kAndSize = 32 * 4;
  constexpr uint32_t kImageSize = 40 + 16 * 4 + kXorSize + kAndSize;
  std::vector<unsigned char> out;
  // Icon directory with one entry.
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, 1);
  out.push_back(n);
  out.push_back(n);
  out.push_back(16);  // colours
  out.push_back(0);
  Put16(out, 1);  // planes
  Put16(out, 4);  // bits per pixel
  Put32(out, kImageSize);
  Put32(out, 22);
  // The image: header with doubled height (colour rows, then the mask).
  PutInfoHeader(out, n, 2 * n, 4, kXorSize + kAndSize, 16);
  for (const auto& e : kPalette16) {
    out.push_back(e[2]);
    out.push_back(e[1]);
    out.push_back(e[0]);
    out.push_back(0);
  }
  for (int y = n - 1; y >= 0; --y)
    for (int x = 0; x < n; x += 2) {
      int idx[2];
      for (int k = 0; k < 2; ++k) {
        const int px = x + k;
        if (!InsideRoundedSquare(px, y, n, 5)) {
          idx[k] = 0;
          continue;
        }
        idx[k] = Nearest16(c.At(px, y));
      }
      out.push_back(static_cast<unsigned char>(idx[0] << 4 | idx[1]));
    }
  for (int y = n - 1; y >= 0; --y)
    for (int byte = 0; byte < 4; ++byte) {
      unsigned char bits = 0;
      for (int b = 0; b < 8; ++b)
        if (!InsideRoundedSquare(byte * 8 + b, y, n, 5))
          bits |= static_cast<unsigned char>(0x80 >> b);
      out.push_back(bits);
    }
  return out;
}

void WriteFile(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  f.close();
  if (!f) throw std::runtime_error("cannot write " + path);
}

}  // namespace splashgen
