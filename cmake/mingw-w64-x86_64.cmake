# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (POSIX thread model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORDERTABLE_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORDERTABLE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORDERTABLE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ORDERTABLE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ORDERTABLE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe: no libgcc, libstdc++ or winpthread DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine; 64-bit Debian's `wine` runs PE32+ binaries.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
