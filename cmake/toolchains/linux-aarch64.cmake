# SPDX-License-Identifier: MIT
# 64-bit ARM Linux: Debian's aarch64-linux-gnu-g++, run under qemu-aarch64.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(SIEVEBENCH_TRIPLE aarch64-linux-gnu)
set(SIEVEBENCH_QEMU qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
