// SPDX-License-Identifier: MIT
// The plain build's sieve memory: the array from malloc, which a fresh
// process gets as ordinary pages with no advice at all. It is the yardstick
// the benchmark's own reservation must never lose to, so it stays as plain
// as a program written without any thought of pages would be.
#include <cstdlib>

#include "platform/platform.h"

unsigned char* ReserveBlock(uint32_t size) {
  return static_cast<unsigned char*>(std::malloc(size));
}

unsigned char* ReleaseBlock(unsigned char* block, uint32_t /*size*/) {
  std::free(block);
  return nullptr;
}
