// SPDX-License-Identifier: MIT
// The fill and the marking loop, the first two timed phases. Both work on the
// array named in RunState; neither prints, allocates or calls the platform.
#include "sieve/sieve_array.h"

#include <cstdint>
#include <cstring>

#include "sieve/run_state.h"
#include "text/byte_order.h"

// The words as the machine stores them, so that their bytes in memory are
// those of the little-endian values on every machine.
static constexpr uint32_t FirstWord = LittleEndianWord(0x00000101u);    // bytes 0..3: 1, 1, 0, 0
static constexpr uint32_t PatternWord = LittleEndianWord(0x00010001u);  // bytes 4k..4k+3: 1, 0, 1, 0

// One 4-byte store.
static void StoreWord(unsigned char* place, uint32_t word) {
  std::memcpy(place, &word, sizeof word);
}

void InitializeArray() {
  unsigned char* const array = RunState.SieveArray;
  const uint32_t size = RunState.ArraySize;
  if (size < 4) {
    std::memcpy(array, &FirstWord, size);  // N = 1 or 2: only the bytes that exist
    return;
  }
  StoreWord(array, FirstWord);
  uint32_t offset = 4;
  for (; size - offset >= 4; offset += 4) {
    StoreWord(array + offset, PatternWord);
  }
  std::memcpy(array + offset, &PatternWord, size - offset);  // the last bytes up to N
}

// The walk runs on locals: a byte store through the array could alias
// RunState, which would force a reload of the size and a store of the count
// on every visit.
void MarkComposites() {
  RunState.LoopCounter = 0;
  unsigned char* const array = RunState.SieveArray;
  const uint32_t size = RunState.ArraySize;
  uint32_t marks = 0;
  for (uint32_t p = 3; p * p < size; p += 2) {
    if (array[p] != 0) {
      continue;  // struck out by a smaller prime: starts no walk
    }
    for (uint32_t multiple = p * p; multiple < size; multiple += p) {
      if ((multiple & 1u) != 0) {
        ++marks;
        array[multiple] = 1;
      }
    }
  }
  RunState.LoopCounter = marks;
}
