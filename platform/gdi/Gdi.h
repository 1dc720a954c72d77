// The Windows graphics, memory and resource API. On Windows this is the
// system's own; on Linux the same names are declared here and implemented
// portably in platform/gdi/portable/ (see the header comments there for the
// rules this implementation picks where Windows leaves a result undefined).
//
// Threads, as on Windows: every call may be made from any thread, and
// separate objects (contexts, bitmaps, palettes, metafiles, memory blocks)
// work on separate threads at once; one object used from two threads at once
// is the caller's mistake. The last error is kept per thread.
#pragma once

#include "platform/Export.h"

#ifdef _WIN32
#include <windows.h>

// The class library has functions and methods of these names; the system's
// own are called by their explicit "A" names.
#undef CreateWindow
#undef FindWindow
#undef MessageBox
#undef RegisterClass

// The module instance of the running program (the executable's image base).
extern "C" PLATFORM_API HINSTANCE HInstance;
#else
#include "platform/gdi/portable/WinGdi.h"
#include "platform/gdi/portable/WinTypes.h"
#endif

#include "platform/gdi/Layouts.h"
