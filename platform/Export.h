// Marks the class library's public API. A shared build compiles everything
// with hidden visibility, so only declarations marked PLATFORM_API are
// exported from the library; the Windows builds are static and need no mark.
#pragma once

#if defined(_WIN32)
#define PLATFORM_API
#else
#define PLATFORM_API __attribute__((visibility("default")))
#endif
