// SPDX-License-Identifier: MIT
// The run's one record of shared values: the driver, the sieve and the count
// phase hand each other the array, its size, the phase times and the counts
// through it, and through nothing else.
#pragma once

#include <cstdint>

struct RunStateRecord {
  unsigned char* SieveArray;  // byte i stands for the integer i: 0 prime (or not struck), 1 not
  uint32_t ArraySize;         // N + 1 bytes; at most 2^31 so every index and sum stays exact
  uint32_t PrimesFound;       // primes from 1 to N, set by the count phase
  uint32_t InitTime;          // the fill's start tick while it runs, then its length in ms
  uint32_t SieveTime;         // the marking's start tick, then its length in ms
  uint32_t CountTime;         // the count phase's start tick, then its length in ms
  uint32_t LoopCounter;       // marks made by the sieve, repeats included
};

extern RunStateRecord RunState;
