// SPDX-License-Identifier: MIT
// The memory and disk a sweep needs. The array of a run is N + 1 bytes, all
// of it touched; the primes file is the only other thing a run leaves.
#include "sweep/capacity.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

uint64_t PrimesFileBytesAtMost(uint32_t limit) {
  if (limit < 17) {
    return 60;  // at most the 6 odd primes below 17
  }
  const double n = limit;
  return static_cast<uint64_t>(std::ceil(10 * 1.25506 * n / std::log(n)));
}

std::string SizeText(uint64_t bytes) {
  static const char* const units[] = {"bytes", "KiB", "MiB", "GiB", "TiB"};
  double size = static_cast<double>(bytes);
  size_t unit = 0;
  while (size >= 1024 && unit + 1 < std::size(units)) {
    size /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", size, units[unit]);
  return text;
}

std::string CapacityProblem(const CapacityNeeds& needs, std::optional<uint64_t> memoryAvailable,
                            std::optional<uint64_t> diskAvailable) {
  if (needs.Limits.empty()) {
    return "";
  }
  const uint32_t largest = *std::max_element(needs.Limits.begin(), needs.Limits.end());
  const uint64_t array = static_cast<uint64_t>(largest) + 1;
  if (memoryAvailable && array > *memoryAvailable) {
    return "the limit " + std::to_string(largest) + " needs " + SizeText(array) + " of memory for its array, and " +
           SizeText(*memoryAvailable) + " is available";
  }
  uint64_t disk = PrimesFileBytesAtMost(largest);
  if (needs.RunsKept) {
    disk = 0;
    for (const uint32_t limit : needs.Limits) {
      disk += PrimesFileBytesAtMost(limit) * needs.RunsPerLimit;
    }
  }
  if (diskAvailable && disk > *diskAvailable) {
    return (needs.RunsKept ? "the kept runs up to the limit " : "the limit ") + std::to_string(largest) + " need" +
           (needs.RunsKept ? "" : "s") + " up to " + SizeText(disk) + " for primes.txt, and the run folder has " +
           SizeText(*diskAvailable) + " free";
  }
  return "";
}
