// SPDX-License-Identifier: MIT
// Reading a benchmark report and checking it, independently of the
// benchmark's own code, against what a correct run must print.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The largest limit the benchmark runs: its array is indexed by a signed
// 32-bit number, and above it a run can only report "Not enough memory!".
inline constexpr uint32_t LargestLimit = 2147483647;

struct Report {
  uint32_t Limit = 0;
  uint32_t InitMs = 0;
  uint32_t SieveMs = 0;
  uint32_t CountMs = 0;
  uint32_t TotalMs = 0;
  uint32_t Primes = 0;
  uint32_t LoopCounter = 0;
  bool WriteError = false;    // " Error: WriteFile,hFile"
  bool CloseError = false;    // " Error: CloseHandle,hFile"
  bool ReleaseError = false;  // "... - ERROR GlobalFree"

  bool operator==(const Report&) const = default;
};

// True when `output` is a whole report as the benchmark prints it through a pipe.
bool ParseReport(const std::string& output, Report& report);

// The number of primes up to `limit` when the sweep can know it on its own
// (powers of ten, or a sieve of its own up to 10^7); -1 otherwise.
int64_t KnownPrimeCount(uint32_t limit);
// The marks the benchmark's sieve must make: the sum, over odd primes p with
// p*p <= N, of ((N div p) - p) div 2 + 1.
uint64_t ExpectedLoopCounter(uint32_t limit);

// What is wrong with the counts and the total of a run that asked for
// `limit`: the primes against known values, the loop-counter against its
// closed form, the total against the sum of the phases; empty when they agree.
std::vector<std::string> CheckCounts(const Report& report, uint32_t limit);
// Everything wrong with a run that asked for `limit` and left a primes file
// of `primesFileSize` bytes (-1: no file); empty when the run is valid.
std::vector<std::string> ValidateRun(const Report& report, uint32_t limit, int64_t primesFileSize);
