// SPDX-License-Identifier: MIT
// TextLength on any text at every alignment, against a byte-by-byte count.
// The heap copy has exactly three readable bytes after the terminator, so
// AddressSanitizer reports any read beyond them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "text/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (size_t shift = 0; shift < 4; ++shift) {
    const size_t storage = shift + size + 1 + 3;
    // operator new returns 16-byte aligned storage, so `shift` sets the alignment.
    char* block = new char[storage];
    std::memset(block, 0x55, storage);
    std::memcpy(block + shift, data, size);
    block[shift + size] = 0;
    const char* text = block + shift;
    if (TextLength(text) != std::strlen(text)) {
      abort();
    }
    delete[] block;
  }
  return 0;
}
