// Test-only support for the graphics API: choosing the virtual display,
// counting live handles and reading bitmap pixels. Production code never
// includes this header, and the calls are defined only in the test-support
// library (tests/support/portable and tests/support/win32), which test
// programs and fuzz harnesses link. On Linux they drive the portable
// implementation; on Windows the display is the real one (only its own
// format can be "chosen") and the handle counts are the system's count of
// the process's GDI objects.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gdi/Gdi.h"

namespace gditest {

// The virtual display's colour format.
enum class DisplayFormat {
  TrueColour32,  // 32 bits per pixel, no palette (the default)
  Palette8,      // 8 bits, RASTERCAPS has RC_PALETTE, SIZEPALETTE 256
  Colours16,     // 4 bits, NUMCOLORS 16, no palette
};

// Whether SetDisplayFormat can select format on this target.
bool CanSetDisplayFormat(DisplayFormat format);
// Changes the display format and size for DCs and bitmaps made from now on.
// Existing objects keep their format. A format that CanSetDisplayFormat
// refuses raises std::logic_error.
void SetDisplayFormat(DisplayFormat format);
DisplayFormat GetDisplayFormat();
void SetScreenSize(int width, int height);
// Back to 32-bit true colour, 1920 x 1080.
void ResetDisplay();

// Restores the default display when it goes out of scope.
class ScopedDisplay {
 public:
  explicit ScopedDisplay(DisplayFormat format, int width = 1920, int height = 1080) {
    SetDisplayFormat(format);
    SetScreenSize(width, height);
  }
  ~ScopedDisplay() { ResetDisplay(); }
  ScopedDisplay(const ScopedDisplay&) = delete;
  ScopedDisplay& operator=(const ScopedDisplay&) = delete;
};

// true: the portable implementation converts 24- and 32-bit pixel rows with
// its plain loops instead of the processor's vector instructions; false: it
// chooses by processor again. Does nothing on Windows, where the system
// converts.
void ForceScalarPixelCode(bool scalar);

// Live (created and not yet deleted) handles; stock objects are not counted.
// On Windows only the total is known; it is reported as dcs.
struct HandleCounts {
  int dcs = 0;  // screen, memory and metafile-recording DCs
  int bitmaps = 0;
  int palettes = 0;
  int brushes = 0;
  int pens = 0;
  int metafiles = 0;
  int globals = 0;  // GlobalAlloc blocks
  int Total() const { return dcs + bitmaps + palettes + brushes + pens + metafiles + globals; }
  bool operator==(const HandleCounts&) const = default;
};
HandleCounts LiveHandles();

// A copy of a bitmap's pixels as stored: rows top-down, each row
// (width * bpp + 7) / 8 bytes without padding. 32-bit pixels are blue,
// green, red, 0; 24-bit blue, green, red; 16-bit 5-5-5 little-endian;
// index bitmaps hold indices (left pixel in the high bits).
struct RawBitmap {
  int width = 0;
  int height = 0;
  int bpp = 0;
  std::vector<uint8_t> pixels;
  int RowBytes() const { return (width * bpp + 7) / 8; }
};
// Returns false for an invalid handle.
bool ReadBitmap(HBITMAP bitmap, RawBitmap& out);

}  // namespace gditest
