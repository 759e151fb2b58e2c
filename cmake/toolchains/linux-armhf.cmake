# SPDX-License-Identifier: MIT
# 32-bit ARM (hard float) Linux: Debian's arm-linux-gnueabihf-g++, run under qemu-arm.
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(SIEVEBENCH_TRIPLE arm-linux-gnueabihf)
set(SIEVEBENCH_QEMU qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
