// Opening files and addresses through the desktop: ShellExecuteA. On Windows
// this is the system's own; on Linux the call asks the desktop's opener
// (xdg-open) to open the file, detached from this process.
#pragma once

#include "platform/Export.h"
#include "platform/gdi/Gdi.h"

#ifdef _WIN32
#include <shellapi.h>
#else

// Show commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_NORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOW = 5;

// Asks the desktop to perform verb ("open", or null for the default action)
// on file, a document, program or address. parameters and directory may be
// null; directory is the working directory of the started opener (the
// caller's when null). owner and show are accepted for the Windows signature
// and otherwise unused on Linux.
//
// The opener is started in a session of its own and not waited for, so its
// result is unknown: a successful start returns a value greater than 32, as
// on Windows; a start that cannot even be attempted (no file given, the
// process table full) returns a value of 32 or less. Nothing is raised.
PLATFORM_API HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                                     LPCSTR directory, INT show);

#endif
