// SPDX-License-Identifier: MIT
// Report parsing and validation for the sweep. The checks use nothing of the
// benchmark's code: known values of the prime-counting function, a plain
// sieve of their own, and the closed form of the mark count.
#include "results/report.h"

#include <map>
#include <regex>

static bool ToUint32(const std::string& digits, uint32_t& value) {
  if (digits.empty() || digits.size() > 10) {
    return false;
  }
  const unsigned long long wide = std::stoull(digits);
  value = static_cast<uint32_t>(wide);
  return wide <= 0xFFFFFFFFull;
}

bool ParseReport(const std::string& output, Report& report) {
  static const std::regex pattern(
      "\r\nSieve of Eratosthenes - find primes up to: "
      "\r\nLooking for primes from 1 to (\\d+) - please wait\\.\\.\\.\r\n\r\n"
      "(\\d+) ms to initialize array\r\n"
      "(\\d+) ms to sieve the primes\r\n"
      "( Error: WriteFile,hFile\r\n)?"
      "( Error: CloseHandle,hFile\r\n)?"
      "(\\d+) ms to count the primes\r\n\r\n"
      "(\\d+) ms total time\\.\r\n\r\n"
      "  Number of primes found between 1 and (\\d+) = (\\d+)\r\n"
      "(\\d+) loop-counter\r\n"
      "(\r\n[0-9A-F]{8} - ERROR GlobalFree)?");
  std::smatch match;
  if (!std::regex_match(output, match, pattern)) {
    return false;
  }
  uint32_t limitAgain = 0;
  const bool numbers = ToUint32(match[1], report.Limit) && ToUint32(match[2], report.InitMs) &&
                       ToUint32(match[3], report.SieveMs) && ToUint32(match[6], report.CountMs) &&
                       ToUint32(match[7], report.TotalMs) && ToUint32(match[8], limitAgain) &&
                       ToUint32(match[9], report.Primes) && ToUint32(match[10], report.LoopCounter);
  report.WriteError = match[4].matched;
  report.CloseError = match[5].matched;
  report.ReleaseError = match[11].matched;
  return numbers && limitAgain == report.Limit;
}

// Odd primes up to `limit` marked false in a plain sieve of its own.
static std::vector<bool> PlainSieve(uint32_t limit) {
  std::vector<bool> composite(static_cast<size_t>(limit) + 1, false);
  for (uint64_t p = 3; p * p <= limit; p += 2) {
    if (!composite[static_cast<size_t>(p)]) {
      for (uint64_t multiple = p * p; multiple <= limit; multiple += 2 * p) {
        composite[static_cast<size_t>(multiple)] = true;  // at most the limit, which fits
      }
    }
  }
  return composite;
}

int64_t KnownPrimeCount(uint32_t limit) {
  // The prime-counting function at 10^0 .. 10^9.
  static const int64_t AtPowersOfTen[] = {0, 4, 25, 168, 1229, 9592, 78498, 664579, 5761455, 50847534};
  uint64_t power = 1;
  for (const int64_t count : AtPowersOfTen) {
    if (limit == power) {
      return count;
    }
    power *= 10;
  }
  if (limit > 10000000) {
    return -1;
  }
  // A comparison asks for the same few limits again and again.
  static std::map<uint32_t, int64_t> counted;
  const auto known = counted.find(limit);
  if (known != counted.end()) {
    return known->second;
  }
  const std::vector<bool> composite = PlainSieve(limit);
  int64_t count = limit >= 2 ? 1 : 0;
  for (uint32_t odd = 3; odd <= limit; odd += 2) {
    count += composite[odd] ? 0 : 1;
  }
  counted.emplace(limit, count);
  return count;
}

uint64_t ExpectedLoopCounter(uint32_t limit) {
  uint32_t root = 0;
  while (static_cast<uint64_t>(root + 1) * (root + 1) <= limit) {
    ++root;
  }
  const std::vector<bool> composite = PlainSieve(root);
  uint64_t marks = 0;
  for (uint64_t p = 3; p <= root; p += 2) {
    if (!composite[static_cast<size_t>(p)]) {
      marks += (limit / p - p) / 2 + 1;
    }
  }
  return marks;
}

std::vector<std::string> CheckCounts(const Report& report, uint32_t limit) {
  std::vector<std::string> problems;
  const int64_t known = KnownPrimeCount(limit);
  if (known >= 0 && report.Primes != known) {
    problems.push_back("found " + std::to_string(report.Primes) + " primes, not " + std::to_string(known));
  }
  const auto marks = static_cast<uint32_t>(ExpectedLoopCounter(limit));  // the counter is 32 bits
  if (report.LoopCounter != marks) {
    problems.push_back("loop-counter " + std::to_string(report.LoopCounter) + ", not " + std::to_string(marks));
  }
  // The benchmark adds its times modulo 2^32, and so does this check.
  if (report.TotalMs != report.InitMs + report.SieveMs + report.CountMs) {
    problems.push_back("total " + std::to_string(report.TotalMs) + " ms is not the sum of the phases");
  }
  return problems;
}

std::vector<std::string> ValidateRun(const Report& report, uint32_t limit, int64_t primesFileSize) {
  std::vector<std::string> problems;
  if (report.Limit != limit) {
    problems.push_back("ran up to " + std::to_string(report.Limit) + " instead of " + std::to_string(limit));
  }
  const std::vector<std::string> counts = CheckCounts(report, limit);
  problems.insert(problems.end(), counts.begin(), counts.end());
  const int64_t known = KnownPrimeCount(limit);
  const int64_t primes = known >= 0 ? known : report.Primes;
  const int64_t expectedSize = limit >= 2 ? 10 * (primes - 1) : 0;
  if (primesFileSize != expectedSize) {
    problems.push_back("primes.txt has " + std::to_string(primesFileSize) + " bytes, not " +
                       std::to_string(expectedSize));
  }
  if (report.WriteError) {
    problems.push_back("the primes file could not be written");
  }
  if (report.CloseError) {
    problems.push_back("the primes file could not be closed");
  }
  if (report.ReleaseError) {
    problems.push_back("the sieve array could not be released");
  }
  return problems;
}
