# Cross-building for 64-bit Windows with Debian's MinGW-w64 (the POSIX thread flavour, which
# gives std::thread). Used by scripts/build-windows; TARNWELL_WINDOWS_DEPS names the folder
# where that script installed libxlsxwriter and GoogleTest built for the target.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TARNWELL_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TARNWELL_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARNWELL_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TARNWELL_MINGW}-windres)
set(PKG_CONFIG_EXECUTABLE ${TARNWELL_MINGW}-pkg-config CACHE FILEPATH "pkg-config for the target")

set(CMAKE_FIND_ROOT_PATH /usr/${TARNWELL_MINGW})
if(DEFINED ENV{TARNWELL_WINDOWS_DEPS})
  set(TARNWELL_WINDOWS_DEPS $ENV{TARNWELL_WINDOWS_DEPS})
endif()
if(TARNWELL_WINDOWS_DEPS)
  list(PREPEND CMAKE_FIND_ROOT_PATH ${TARNWELL_WINDOWS_DEPS})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs must run on a Windows that has nothing but itself: the compiler's own runtime
# (libgcc, libstdc++, winpthread) goes into each executable.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# Tests built for Windows run under Wine: its 64-bit loader itself, since the "wine" script
# prints a hint about a missing 32-bit Wine into every program's error output.
find_program(TARNWELL_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TARNWELL_WINE})
