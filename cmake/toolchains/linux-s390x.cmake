# SPDX-License-Identifier: MIT
# IBM Z, big-endian Linux: Debian's s390x-linux-gnu-g++, run under qemu-s390x.
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(SIEVEBENCH_TRIPLE s390x-linux-gnu)
set(SIEVEBENCH_QEMU qemu-s390x)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
