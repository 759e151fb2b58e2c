// SPDX-License-Identifier: MIT
// The third timed phase: counting the primes and writing the odd ones to
// primes.txt as fixed 10-byte records.
#pragma once

#include <cstdint>

constexpr uint32_t PrimeRecordSize = 10;

// Counts the primes in `sieveArray` (RunState.ArraySize bytes) into
// RunState.PrimesFound, writes primes.txt, ends the phase whose start tick is
// in RunState.CountTime, and prints the count time, the total time and the
// number of primes (with no line end after it).
void CountAndStorePrimes(const unsigned char* sieveArray);
