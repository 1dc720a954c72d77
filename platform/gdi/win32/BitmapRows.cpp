// Windows keeps the pixels of device-dependent bitmaps to the display
// driver: callers fill them through SetDIBits.
#include "platform/gdi/BitmapRows.h"

TBitmapRows BitmapRows(HBITMAP) {
  return {};
}
