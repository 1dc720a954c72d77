// Marks Zeljpeg's public API. A shared build compiles everything with hidden
// visibility, so only declarations marked ZELJPEG_API are exported from the
// library; the Windows builds are static and need no mark.
#pragma once

#if defined(_WIN32)
#define ZELJPEG_API
#else
#define ZELJPEG_API __attribute__((visibility("default")))
#endif
