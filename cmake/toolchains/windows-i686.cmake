# SPDX-License-Identifier: MIT
# 32-bit Windows, the original's target: Debian's i686-w64-mingw32-g++. It is
# built and checked, not run: wine's 32-bit loader needs a second Debian
# architecture on the machine.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(SIEVEBENCH_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/windows-cross.cmake)
