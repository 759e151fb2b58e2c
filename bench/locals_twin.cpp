// SPDX-License-Identifier: MIT
// Kept in a file of its own so it is compiled with the same options as the
// sieve's marking loop, and the two differ only in where their state lives.
#include "bench/locals_twin.h"

uint32_t MarkWithLocals(unsigned char* array, uint32_t size) {
  uint32_t marks = 0;
  for (uint32_t p = 3; p * p < size; p += 2) {
    if (array[p] == 0) {
      for (uint32_t multiple = p * p; multiple < size; multiple += p) {
        if ((multiple & 1u) != 0) {
          ++marks;
          array[multiple] = 1;
        }
      }
    }
  }
  return marks;
}
