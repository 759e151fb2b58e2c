// SPDX-License-Identifier: MIT
// Sieve memory on Windows: one fixed block from GlobalAlloc, with undefined
// contents, and its release through GlobalFree, which can fail.
#include "platform/platform.h"
#include "platform/windows/windows_api.h"

// The build's page policy, in words the sweep reads out of the program file
// into its result file: "page" is the machine's ordinary page.
[[gnu::used]] static const char PagePolicyTag[] = "sievebench-page-policy=page;";

unsigned char* ReserveBlock(uint32_t size) {
  return static_cast<unsigned char*>(GlobalAlloc(GMEM_FIXED, size));
}

// GlobalFree gives null on success and the block's handle on failure.
unsigned char* ReleaseBlock(unsigned char* block, uint32_t /*size*/) {
  return static_cast<unsigned char*>(GlobalFree(block));
}
