// The module's resource table on Linux: files embedded by the build register
// themselves here, and FindResourceA looks them up.
#pragma once

#include "platform/Export.h"
#include "platform/gdi/portable/WinTypes.h"

// One embedded resource. The build generates one static instance per file; its
// constructor adds the entry to the table. The bytes are read-only and live
// as long as the program.
class PLATFORM_API ResourceRegistration {
 public:
  ResourceRegistration(LPCSTR type, LPCSTR name, const unsigned char* begin,
                       const unsigned char* end);
  ResourceRegistration(const ResourceRegistration&) = delete;
  ResourceRegistration& operator=(const ResourceRegistration&) = delete;
};

// Adds a resource at run time (tests use it); the bytes must outlive the use.
PLATFORM_API void RegisterResource(LPCSTR type, LPCSTR name, const void* data, size_t size);
// Removes the resource again; returns false when none was registered.
PLATFORM_API bool UnregisterResource(LPCSTR type, LPCSTR name);
