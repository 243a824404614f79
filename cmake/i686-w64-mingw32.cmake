# Cross-build for 32-bit Windows with mingw-w64 (posix thread model, which
# std::thread needs). The C and C++ runtimes and winpthread are linked into each
# executable, so the programs need no compiler DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(ZUMR_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${ZUMR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZUMR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZUMR_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZUMR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc")
