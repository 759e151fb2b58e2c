// SPDX-License-Identifier: MIT
// Scratch folders, whole files and the expected primes file for the tests.
#include "tests/support/test_files.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

std::string MakeTempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "sievebench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "mkdtemp failed";
  }
  return pattern;
}

void RemoveTree(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

std::string PrimeRecord(uint32_t prime) {
  std::string record = std::to_string(prime);
  record.resize(10, '\0');
  return record;
}

// Odd entries only: true where the number is composite.
static std::vector<bool> OddComposites(uint32_t limit) {
  std::vector<bool> composite(static_cast<size_t>(limit) + 1, false);
  for (uint32_t p = 3; uint64_t{p} * p <= limit; p += 2) {
    if (!composite[p]) {
      for (uint64_t multiple = uint64_t{p} * p; multiple <= limit; multiple += 2 * p) {
        composite[static_cast<size_t>(multiple)] = true;
      }
    }
  }
  return composite;
}

std::string AllRecordsUpTo(uint32_t limit) {
  const std::vector<bool> composite = OddComposites(limit);
  std::string records;
  for (uint32_t odd = 3; odd <= limit; odd += 2) {
    if (!composite[odd]) {
      records += PrimeRecord(odd);
    }
  }
  return records;
}

uint32_t MarksUpTo(uint32_t limit) {
  uint32_t root = 0;
  while (static_cast<uint64_t>(root + 1) * (root + 1) <= limit) {
    ++root;
  }
  const std::vector<bool> composite = OddComposites(root);
  uint32_t marks = 0;
  for (uint32_t p = 3; p <= root; p += 2) {
    if (!composite[p]) {
      marks += (limit / p - p) / 2 + 1;
    }
  }
  return marks;
}

