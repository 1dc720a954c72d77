// The Windows graphics, memory and resource API. On Windows this is the
// system's own; on Linux the same names are declared here and implemented
// portably in platform/gdi/portable/ (see the header comments there for the
// rules this implementation picks where Windows leaves a result undefined).
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/gdi/portable/WinGdi.h"
#include "platform/gdi/portable/WinTypes.h"
#endif
