# SPDX-License-Identifier: MIT
# What both Windows builds share: Debian's mingw-w64 compiler for the triple
# and one static .exe that needs no DLL beyond the system's.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_CXX_COMPILER ${SIEVEBENCH_TRIPLE}-g++)
set(CMAKE_C_COMPILER ${SIEVEBENCH_TRIPLE}-gcc)  # for SQLite, the one C source
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

set(CMAKE_FIND_ROOT_PATH /usr/${SIEVEBENCH_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
