# Cross-compiling for Windows with Debian's MinGW-w64 g++ (the POSIX thread
# model, so that <mutex> and <thread> exist), shared by the toolchain files of
# both processors. Programs link the C and C++ run-times statically and run
# without DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
# Set by the including file: CMAKE_SYSTEM_PROCESSOR and VASK_MINGW_TRIPLE.

set(CMAKE_C_COMPILER ${VASK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VASK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VASK_MINGW_TRIPLE}-windres)
set(CMAKE_ASM_NASM_COMPILER nasm)

set(CMAKE_FIND_ROOT_PATH /usr/${VASK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
