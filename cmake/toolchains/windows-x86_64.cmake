# SPDX-License-Identifier: MIT
# 64-bit Windows: Debian's x86_64-w64-mingw32-g++. The end-to-end tests run
# the .exe under wine (Debian wine64, whose loader lives off the PATH), in a
# wine prefix of the build folder's own, with no debug output and no Mono or
# Gecko prompts.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(SIEVEBENCH_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/windows-cross.cmake)

set(SIEVEBENCH_WINE /usr/lib/wine/wine64 CACHE FILEPATH "wine's 64-bit loader")
set(SIEVEBENCH_WINESERVER /usr/lib/wine/wineserver64 CACHE FILEPATH "wine's server")
set(SIEVEBENCH_WINE_ENVIRONMENT
  WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=)
set(CMAKE_CROSSCOMPILING_EMULATOR env ${SIEVEBENCH_WINE_ENVIRONMENT} ${SIEVEBENCH_WINE})
