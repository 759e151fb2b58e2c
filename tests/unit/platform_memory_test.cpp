// SPDX-License-Identifier: MIT
// The sieve array's memory as the kernel sees it: ordinary pages at every
// size, even touched to the last byte, never offered huge pages, and kept
// from them where the kernel gives them to all memory; unmapped whole on
// release.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/platform.h"

namespace {

// A field's line ("VmFlags:", "AnonHugePages:") of the mapping that holds
// `address` in /proc/self/smaps, or "" when no mapping holds it.
std::string FieldOfMappingAt(const void* address, const std::string& field) {
  std::ifstream smaps("/proc/self/smaps");
  const auto at = reinterpret_cast<uintptr_t>(address);
  bool inside = false;
  for (std::string line; std::getline(smaps, line);) {
    unsigned long start = 0;
    unsigned long end = 0;
    char dash = 0;
    std::istringstream fields(line);
    if (fields >> std::hex >> start >> dash >> end && dash == '-' && line.find(':') > line.find(' ')) {
      inside = start <= at && at < end;
    } else if (inside && line.starts_with(field)) {
      return line;
    }
  }
  return "";
}

bool KernelGivesHugePagesToAll() {
  std::ifstream enabled("/sys/kernel/mm/transparent_hugepage/enabled");
  std::string text;
  std::getline(enabled, text);
  return text.starts_with("[always]");
}

}  // namespace

TEST(SieveMemory, EveryArrayGetsOrdinaryPages) {
  const bool advised = KernelGivesHugePagesToAll();
  for (const uint32_t size : {1u, 1001u, 64u * 1024 - 1, 64u * 1024, 500001u, 2097153u, 10000001u}) {
    unsigned char* const block = ReserveBlock(size);
    ASSERT_NE(block, nullptr) << size;
    std::memset(block, 1, size);  // every byte is there, and every page touched
    const std::string flags = FieldOfMappingAt(block, "VmFlags:");
    EXPECT_EQ(flags.find(" hg"), std::string::npos) << size << ": " << flags;
    EXPECT_EQ(flags.find(" nh") != std::string::npos, advised) << size << ": " << flags;
    const std::string huge = FieldOfMappingAt(block, "AnonHugePages:");
    EXPECT_NE(huge.find(" 0 kB"), std::string::npos) << size << ": " << huge;
    EXPECT_EQ(ReleaseBlock(block, size), nullptr) << size;
    EXPECT_EQ(FieldOfMappingAt(block, "VmFlags:"), "") << size << ": still mapped after its release";
  }
}
