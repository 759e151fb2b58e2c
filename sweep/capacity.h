// SPDX-License-Identifier: MIT
// Whether a sweep fits the machine, asked before its first run: a sweep
// that runs out of memory or disk should fail at once, not after hours.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// At most the size of the primes file at `limit`: 10 bytes per odd prime,
// with the prime count bounded from above (Rosser and Schoenfeld: below
// 1.25506 N / ln N), so a sweep that passes the check never runs short.
uint64_t PrimesFileBytesAtMost(uint32_t limit);

struct CapacityNeeds {
  std::vector<uint32_t> Limits;
  uint32_t RunsPerLimit = 1;
  bool RunsKept = false;  // every run's primes.txt stays (--dir), not just the one in progress
};

// What does not fit, naming the limit and what is short, or "". Unknown
// sizes are not checked.
std::string CapacityProblem(const CapacityNeeds& needs, std::optional<uint64_t> memoryAvailable,
                            std::optional<uint64_t> diskAvailable);

// "1.2 GiB": a size for a message.
std::string SizeText(uint64_t bytes);
