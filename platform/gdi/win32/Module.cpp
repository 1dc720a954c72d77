// The program's module instance on Windows: the executable's image base,
// which the linker provides, so the value is fixed before any code runs.
#include "platform/gdi/Gdi.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

HINSTANCE HInstance = reinterpret_cast<HINSTANCE>(&__ImageBase);
