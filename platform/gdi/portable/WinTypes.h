// Basic Windows types, handles and resource calls, declared portably with their
// Windows widths so that the structures built from them have Windows layouts.
// Included through platform/gdi/Gdi.h; do not include directly.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Export.h"

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef int32_t INT;
typedef uint32_t UINT;
typedef int32_t BOOL;
typedef char CHAR;
typedef int16_t SHORT;
typedef char16_t WCHAR;
typedef uint16_t USHORT;
typedef int64_t LONGLONG;
typedef BYTE* LPBYTE;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef DWORD COLORREF;
typedef uintptr_t UINT_PTR;
typedef intptr_t INT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef ULONG_PTR SIZE_T;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Handles are opaque values looked up in a handle table; a stale or wrong-kind
// handle makes a call fail, never crash.
#define VASK_DECLARE_HANDLE(name) \
  struct name##__ {               \
    int unused;                   \
  };                              \
  typedef struct name##__* name
VASK_DECLARE_HANDLE(HDC);
VASK_DECLARE_HANDLE(HBITMAP);
VASK_DECLARE_HANDLE(HPALETTE);
VASK_DECLARE_HANDLE(HENHMETAFILE);
VASK_DECLARE_HANDLE(HBRUSH);
VASK_DECLARE_HANDLE(HPEN);
VASK_DECLARE_HANDLE(HFONT);
VASK_DECLARE_HANDLE(HICON);
VASK_DECLARE_HANDLE(HWND);
VASK_DECLARE_HANDLE(HINSTANCE);
VASK_DECLARE_HANDLE(HRSRC);
#undef VASK_DECLARE_HANDLE
typedef void* HANDLE;
typedef void* HGDIOBJ;
typedef HANDLE HGLOBAL;
typedef HINSTANCE HMODULE;
typedef HICON HCURSOR;

typedef struct tagRECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
} RECT, *LPRECT;

typedef struct tagPOINT {
  LONG x;
  LONG y;
} POINT, *LPPOINT;

typedef struct tagSIZE {
  LONG cx;
  LONG cy;
} SIZE, *LPSIZE;

#define MAKEINTRESOURCEA(i) ((LPSTR)(ULONG_PTR)((WORD)(i)))
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)
#define RT_RCDATA MAKEINTRESOURCEA(10)
#define RT_ICON MAKEINTRESOURCEA(3)

// The module instance of the running program. On Linux everything is linked
// into one module, whose resources are those registered by vask_add_resource.
extern "C" PLATFORM_API HINSTANCE HInstance;

// Resources: (type, name or integer id) -> bytes. Names and types compare
// without regard to ASCII letter case. FindResourceA returns 0 when absent.
PLATFORM_API HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
PLATFORM_API HGLOBAL LoadResource(HMODULE module, HRSRC resource);
PLATFORM_API LPVOID LockResource(HGLOBAL resource_data);
PLATFORM_API DWORD SizeofResource(HMODULE module, HRSRC resource);
PLATFORM_API BOOL FreeResource(HGLOBAL resource_data);

// The error code of the last failed call on this thread.
PLATFORM_API DWORD GetLastError();
PLATFORM_API void SetLastError(DWORD code);
