// SPDX-License-Identifier: MIT
// The length routine and the fill work on little-endian words, whatever the
// machine's own order: the same bytes must come out on every machine.
#pragma once

#include <bit>
#include <cstdint>

// The word with its four bytes in the reverse order, by plain shifts so that
// any compiler takes it.
constexpr uint32_t SwapBytes(uint32_t word) {
  return (word >> 24) | ((word >> 8) & 0x0000FF00u) | ((word << 8) & 0x00FF0000u) | (word << 24);
}

// The little-endian reading of a word loaded or stored in the machine's own
// order; on a little-endian machine it is the word itself and costs nothing.
constexpr uint32_t LittleEndianWord(uint32_t word) {
  if constexpr (std::endian::native == std::endian::little) {
    return word;
  } else {
    return SwapBytes(word);
  }
}
