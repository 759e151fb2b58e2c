# SPDX-License-Identifier: MIT
# 32-bit x86 (the original's word size) Linux: Debian's i686-linux-gnu-g++, run under qemu-i386.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(SIEVEBENCH_TRIPLE i686-linux-gnu)
set(SIEVEBENCH_QEMU qemu-i386)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
