# Cross-compiling for Windows (x86_64): see mingw-common.cmake.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VASK_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
