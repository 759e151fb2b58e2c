// SPDX-License-Identifier: MIT
// Files the tests make and read: scratch folders, whole files, and the
// primes file's records as a plain sieve of the tests' own gives them.
#pragma once

#include <cstdint>
#include <string>

// A fresh folder under the system's temporary directory, removed by the test fixture.
std::string MakeTempDir();
void RemoveTree(const std::string& path);
std::string ReadWholeFile(const std::string& path);
// The 10-byte record of `prime` in primes.txt: its digits, then zero bytes.
std::string PrimeRecord(uint32_t prime);
// The records of every odd prime up to `limit`, as primes.txt holds them.
std::string AllRecordsUpTo(uint32_t limit);
// The marks the benchmark's sieve makes up to `limit`, from their closed form.
uint32_t MarksUpTo(uint32_t limit);
