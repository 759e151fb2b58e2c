# SPDX-License-Identifier: MIT
# What every Linux cross build shares: Debian's cross compiler for the
# triple, a static program (this machine has no binfmt support, so a foreign
# program runs only when started through its emulator), and qemu-user as the
# emulator that runs the unit tests and the end-to-end tests.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_CXX_COMPILER ${SIEVEBENCH_TRIPLE}-g++)
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_CROSSCOMPILING_EMULATOR ${SIEVEBENCH_QEMU})

set(CMAKE_FIND_ROOT_PATH /usr/${SIEVEBENCH_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
