# SPDX-License-Identifier: MIT
# 32-bit Windows, the original's target: Debian's i686-w64-mingw32-g++. The
# end-to-end tests run the .exe under Debian's 32-bit wine, which lives in an
# i386 Debian tree of its own (tools/wine32), so they run inside
# `tools/wine32 run`; the prefix is the build folder's own, as for 64 bits.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(SIEVEBENCH_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/windows-cross.cmake)

get_filename_component(sievebench_wine32 ${CMAKE_CURRENT_LIST_DIR}/../wine32 ABSOLUTE)
set(SIEVEBENCH_WINE ${sievebench_wine32}/wine CACHE FILEPATH "the i386 tree's wine, chrooted")
set(SIEVEBENCH_WINESERVER ${sievebench_wine32}/wineserver CACHE FILEPATH "the i386 tree's wine server")
set(SIEVEBENCH_WINE_ENVIRONMENT
  WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=)
set(CMAKE_CROSSCOMPILING_EMULATOR env ${SIEVEBENCH_WINE_ENVIRONMENT} ${SIEVEBENCH_WINE})
