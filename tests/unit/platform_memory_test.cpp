// SPDX-License-Identifier: MIT
// The sieve array's memory as the kernel sees it: small arrays on ordinary
// pages, unaligned and kept from huge pages; large ones on a 2 MiB boundary
// and offered huge pages (unless the kernel gives them to all memory); every
// size usable to its last byte and unmapped whole on release.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/platform.h"

namespace {

constexpr uintptr_t HugePage = uintptr_t{2} * 1024 * 1024;

// The VmFlags line of the mapping that holds `address` in /proc/self/smaps,
// or "" when no mapping holds it.
std::string FlagsOfMappingAt(const void* address) {
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
    } else if (inside && line.starts_with("VmFlags:")) {
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

TEST(SieveMemory, SmallArraysGetOrdinaryPagesAndLargeOnesHugePages) {
  struct Case {
    uint32_t Size;
    bool Huge;
  };
  const Case cases[] = {{1, false},          {1001, false},      {10001, false},    {64 * 1024 - 1, false},
                        {64 * 1024, true},   {500001, true},     {2097153, true},   {10000001, true}};
  for (const Case& c : cases) {
    unsigned char* const block = ReserveBlock(c.Size);
    ASSERT_NE(block, nullptr) << c.Size;
    block[0] = 1;
    block[c.Size - 1] = 2;  // the last byte is there
    const std::string flags = FlagsOfMappingAt(block);
    const bool aligned = reinterpret_cast<uintptr_t>(block) % HugePage == 0;
    if (c.Huge) {
      EXPECT_TRUE(aligned) << c.Size;
      EXPECT_EQ(flags.find(" nh"), std::string::npos) << c.Size << ": " << flags;
      if (!KernelGivesHugePagesToAll()) {
        EXPECT_NE(flags.find(" hg"), std::string::npos) << c.Size << ": " << flags;
      }
    } else {
      EXPECT_NE(flags.find(" nh"), std::string::npos) << c.Size << ": " << flags;
      EXPECT_EQ(flags.find(" hg"), std::string::npos) << c.Size << ": " << flags;
    }
    EXPECT_EQ(ReleaseBlock(block, c.Size), nullptr) << c.Size;
    EXPECT_EQ(FlagsOfMappingAt(block), "") << c.Size << ": still mapped after its release";
  }
}
