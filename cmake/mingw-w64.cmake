# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the posix thread
# model, which C++ threads and Qt need). VORLIX_WINDOWS_PREFIX is where
# scripts/windows-qt.sh installed Qt and the port-mapping libraries.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLET x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)

if(NOT VORLIX_WINDOWS_PREFIX AND DEFINED ENV{VORLIX_WINDOWS_PREFIX})
  set(VORLIX_WINDOWS_PREFIX "$ENV{VORLIX_WINDOWS_PREFIX}")
endif()
# Passed on to the try_compile projects CMake makes while configuring.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VORLIX_WINDOWS_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET} ${VORLIX_WINDOWS_PREFIX})
# Programs are the build machine's; libraries, headers and packages Windows'.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
