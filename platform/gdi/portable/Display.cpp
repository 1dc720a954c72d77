// The virtual display: its colour format and size, GetDeviceCaps and
// GetSystemMetrics. Test support chooses the display through TheDisplay().
#include "platform/gdi/portable/GdiObjects.h"

namespace gdiport {

DisplayState& TheDisplay() {
  static DisplayState d;
  return d;
}

namespace {

constexpr int kDpi = 96;

}  // namespace

gditest::DisplayFormat CurrentDisplay() {
  return TheDisplay().format;
}

int DisplayBpp(gditest::DisplayFormat format) {
  switch (format) {
    case gditest::DisplayFormat::Palette8:
      return 8;
    case gditest::DisplayFormat::Colours16:
      return 4;
    case gditest::DisplayFormat::TrueColour32:
      break;
  }
  return 32;
}

SIZE ScreenSize() {
  return {TheDisplay().width, TheDisplay().height};
}

SIZE ScreenMillimetres() {
  const SIZE s = ScreenSize();
  return {(s.cx * 254 + kDpi * 5) / (kDpi * 10), (s.cy * 254 + kDpi * 5) / (kDpi * 10)};
}

SIZE ScreenMicrometres() {
  const SIZE s = ScreenSize();
  return {static_cast<LONG>(int64_t(s.cx) * 25400 / kDpi),
          static_cast<LONG>(int64_t(s.cy) * 25400 / kDpi)};
}

}  // namespace gdiport

using namespace gdiport;

int GetDeviceCaps(HDC handle, int index) {
  const Dc* dc = GetDc(handle);
  if (!dc) return 0;
  const gditest::DisplayFormat f = dc->display;
  const bool palette = f == gditest::DisplayFormat::Palette8;
  const SIZE size = ScreenSize();
  const SIZE mm = ScreenMillimetres();
  switch (index) {
    case DRIVERVERSION:
      return 0x4000;
    case TECHNOLOGY:
      return DT_RASDISPLAY;
    case HORZSIZE:
      return mm.cx;
    case VERTSIZE:
      return mm.cy;
    case HORZRES:
      return size.cx;
    case VERTRES:
      return size.cy;
    case BITSPIXEL:
      return DisplayBpp(f);
    case PLANES:
      return 1;
    case NUMBRUSHES:
    case NUMPENS:
      return -1;
    case NUMFONTS:
      return 0;
    case NUMCOLORS:
      switch (f) {
        case gditest::DisplayFormat::Palette8:
          return 20;
        case gditest::DisplayFormat::Colours16:
          return 16;
        case gditest::DisplayFormat::TrueColour32:
          return -1;
      }
      return -1;
    case RASTERCAPS:
      return RC_BITBLT | RC_BITMAP64 | RC_GDI20_OUTPUT | RC_DI_BITMAP | RC_DIBTODEV |
             RC_STRETCHBLT | RC_STRETCHDIB | (palette ? RC_PALETTE : 0);
    case ASPECTX:
    case ASPECTY:
      return 36;
    case ASPECTXY:
      return 51;
    case LOGPIXELSX:
    case LOGPIXELSY:
      return 96;
    case SIZEPALETTE:
      return palette ? 256 : 0;
    case NUMRESERVED:
      return palette ? 20 : 0;
    case COLORRES:
      return palette ? 18 : 24;
    default:
      return 0;
  }
}

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN:
      return ScreenSize().cx;
    case SM_CYSCREEN:
      return ScreenSize().cy;
    default:
      return 0;
  }
}
