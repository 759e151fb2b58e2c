# SPDX-License-Identifier: MIT
# 64-bit RISC-V Linux: Debian's riscv64-linux-gnu-g++, run under qemu-riscv64.
set(CMAKE_SYSTEM_PROCESSOR riscv64)
set(SIEVEBENCH_TRIPLE riscv64-linux-gnu)
set(SIEVEBENCH_QEMU qemu-riscv64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
