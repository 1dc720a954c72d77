// Decodes the first image of an icon file for the window's icon.
#include <cstring>

#include "platform/forms/fltk/FltkBackend.h"
#include "platform/gdi/DibRows.h"

namespace fltk_backend {
namespace {

uint32_t Le32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// RGBA pixels of an icon image (header, colour table, colour rows, mask
// rows, all bottom-up); empty when the image is not understood.
std::vector<uint8_t> DecodeIconImage(const uint8_t* data, size_t size, int& width, int& height) {
  if (size < 40 || Le32(data) != 40) return {};
  const int w = static_cast<int32_t>(Le32(data + 4));
  const int h = static_cast<int32_t>(Le32(data + 8)) / 2;
  const int bits = Le16(data + 14);
  if (w <= 0 || h <= 0 || w > 256 || h > 256 || Le32(data + 16) != 0) return {};
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return {};
  uint32_t colours = Le32(data + 32);
  if (bits <= 8 && colours == 0) colours = 1u << bits;
  if (bits > 8) colours = 0;
  const size_t table = 40 + static_cast<size_t>(colours) * 4;
  const size_t row = static_cast<size_t>(DibRowBytes(w, bits));
  const size_t mask_row = static_cast<size_t>(DibRowBytes(w, 1));
  if (table > size || (size - table) < row * h + mask_row * h) return {};
  const uint8_t* pixels = data + table;
  const uint8_t* mask = pixels + row * h;
  std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = pixels + row * (h - 1 - y);
    const uint8_t* msk = mask + mask_row * (h - 1 - y);
    for (int x = 0; x < w; ++x) {
      uint8_t b, g, r, a = 255;
      if (bits <= 8) {
        const int per_byte = 8 / bits;
        const int shift = (per_byte - 1 - x % per_byte) * bits;
        uint32_t index = (src[x / per_byte] >> shift) & ((1u << bits) - 1);
        if (index >= colours) index = 0;
        const uint8_t* entry = data + 40 + index * 4;
        b = entry[0], g = entry[1], r = entry[2];
      } else {
        const uint8_t* p = src + x * (bits / 8);
        b = p[0], g = p[1], r = p[2];
        if (bits == 32) a = p[3];
      }
      if (bits != 32 && (msk[x / 8] & (0x80 >> (x % 8)))) a = 0;
      uint8_t* d = &rgba[(static_cast<size_t>(y) * w + x) * 4];
      d[0] = r, d[1] = g, d[2] = b, d[3] = a;
    }
  }
  width = w;
  height = h;
  return rgba;
}

// An RGB image that owns its pixel copy.
class OwnedImage : public Fl_RGB_Image {
 public:
  OwnedImage(std::vector<uint8_t> pixels, int w, int h)
      : Fl_RGB_Image(nullptr, w, h, 4), pixels_(std::move(pixels)) {
    array = pixels_.data();
  }

 private:
  std::vector<uint8_t> pixels_;
};

}  // namespace

std::unique_ptr<Fl_RGB_Image> IconToImage(TIcon& icon) {
  TMemoryStream stream;
  try {
    icon.SaveToStream(stream);
  } catch (const Exception&) {
    return nullptr;
  }
  const uint8_t* data = stream.Memory();
  const size_t size = static_cast<size_t>(stream.Size());
  if (size < 22 || Le16(data) != 0 || Le16(data + 2) != 1 || Le16(data + 4) == 0) return nullptr;
  const uint32_t bytes = Le32(data + 6 + 8), offset = Le32(data + 6 + 12);
  if (offset > size || bytes > size - offset) return nullptr;
  int w = 0, h = 0;
  std::vector<uint8_t> rgba = DecodeIconImage(data + offset, bytes, w, h);
  if (rgba.empty()) return nullptr;
  return std::make_unique<OwnedImage>(std::move(rgba), w, h);
}

}  // namespace fltk_backend
