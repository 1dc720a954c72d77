// Colours, fonts and icons of the class library as system objects.
#include <cstring>

#include "platform/forms/win32/Win32Backend.h"

namespace win32_backend {

COLORREF ToColorRef(TColor color) {
  if (color == clNone || color == clDefault) return GetSysColor(COLOR_WINDOW);
  if (color < 0) {
    const int index = static_cast<int>(static_cast<uint32_t>(color) & 0xFFu);
    // GetSysColor answers 0 for indices it does not know, as ColorToRGB does.
    return GetSysColor(index);
  }
  return static_cast<COLORREF>(color) & 0x00FFFFFFu;
}

FontHandle MakeFont(const TFont& font) {
  const TFontStyles style = font.Style();
  BYTE pitch = DEFAULT_PITCH;
  if (font.Pitch() == fpVariable) pitch = VARIABLE_PITCH;
  if (font.Pitch() == fpFixed) pitch = FIXED_PITCH;
  // The class library's charset values are the system's (1 = DEFAULT_CHARSET).
  FontHandle handle(CreateFontA(
      font.Height(), 0, 0, 0, (style & (1 << fsBold)) ? FW_BOLD : FW_NORMAL,
      (style & (1 << fsItalic)) ? TRUE : FALSE, (style & (1 << fsUnderline)) ? TRUE : FALSE,
      (style & (1 << fsStrikeOut)) ? TRUE : FALSE, font.Charset(), OUT_DEFAULT_PRECIS,
      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, static_cast<DWORD>(pitch | FF_DONTCARE),
      font.Name().c_str()));
  if (!handle) OutOfMemoryError();
  return handle;
}

namespace {

uint32_t Le32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

}  // namespace

IconHandle MakeIcon(const TIcon& icon, int size) {
  // An .ico file: a 6-byte header, 16-byte directory entries (width,
  // height, colours, reserved, planes, bits, size, offset), the images.
  const std::vector<uint8_t>& bytes = icon.FileBytes();
  const uint8_t* data = bytes.data();
  if (bytes.size() < 6 || Le16(data) != 0 || Le16(data + 2) != 1) return IconHandle();
  const size_t count = Le16(data + 4);
  if (count == 0 || 6 + 16 * count > bytes.size()) return IconHandle();
  const uint8_t* best = nullptr;
  int best_distance = 0, best_bits = 0;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* entry = data + 6 + 16 * i;
    const uint32_t length = Le32(entry + 8), offset = Le32(entry + 12);
    if (length < 40 || offset > bytes.size() || length > bytes.size() - offset) continue;
    const int width = entry[0] == 0 ? 256 : entry[0];
    int bits = Le16(entry + 6);
    // Entries often leave the depth out; the image's own header has it (a
    // PNG image counts as 32 bits).
    if (bits == 0)
      bits = std::memcmp(data + offset, "\x89PNG", 4) == 0 ? 32 : Le16(data + offset + 14);
    const int distance = width > size ? width - size : size - width;
    if (best == nullptr || distance < best_distance ||
        (distance == best_distance && bits > best_bits)) {
      best = entry;
      best_distance = distance;
      best_bits = bits;
    }
  }
  if (best == nullptr) return IconHandle();
  const uint32_t length = Le32(best + 8), offset = Le32(best + 12);
  // The call only reads the image; its parameter is not declared const.
  return IconHandle(CreateIconFromResourceEx(const_cast<uint8_t*>(data + offset), length, TRUE,
                                             0x00030000, size, size, LR_DEFAULTCOLOR));
}

}  // namespace win32_backend
