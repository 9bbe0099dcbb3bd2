# Cross-compiles Vardo for 64-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-x86-64-posix),
# using the POSIX-threads compilers, which std::thread and std::mutex need:
#   cmake -S . -B build-windows --toolchain cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release
#   cmake --build build-windows
# Everything is linked statically, so the programs need no MinGW DLL on a player's machine.
# Tests and the tools run under Wine when it is installed (ctest uses it as the emulator).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VARDO_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VARDO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VARDO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VARDO_MINGW_TRIPLET}-windres)

# Libraries and packages come from the MinGW tree only, never from the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${VARDO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
