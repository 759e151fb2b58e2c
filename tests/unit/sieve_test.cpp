// SPDX-License-Identifier: MIT
// The sieve's fill and marking, and the count phase with its file, checked
// against an independent trial-division count.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "sieve/prime_count.h"
#include "sieve/run_state.h"
#include "sieve/sieve_array.h"
#include "tests/support/test_files.h"

static bool IsPrime(uint32_t value) {
  if (value < 2) {
    return false;
  }
  for (uint32_t divisor = 2; divisor * divisor <= value; ++divisor) {
    if (value % divisor == 0) {
      return false;
    }
  }
  return true;
}

// Fills and marks `memory` as the run does, for the limit memory.size() - 1.
static void Sieve(std::vector<unsigned char>& memory) {
  RunState.SieveArray = memory.data();
  RunState.ArraySize = static_cast<uint32_t>(memory.size());
  InitializeArray();
  MarkComposites();
}

TEST(InitializeArray, DefinesEveryByteWhateverTheMemoryHeld) {
  for (uint32_t size = 2; size <= 40; ++size) {
    for (const int previousByte : {0x00, 0x01, 0x5A, 0xFF}) {
      const auto previous = static_cast<unsigned char>(previousByte);
      std::vector<unsigned char> memory(size + 4, previous);  // 4 guard bytes past the array
      RunState.SieveArray = memory.data();
      RunState.ArraySize = size;
      InitializeArray();
      for (uint32_t index = 0; index < size; ++index) {
        const unsigned char expected = (index == 2 || (index % 2 == 1 && index >= 3)) ? 0 : 1;
        ASSERT_EQ(memory[index], expected) << "size " << size << " index " << index;
      }
      for (uint32_t index = size; index < size + 4; ++index) {
        ASSERT_EQ(memory[index], previous) << "the fill wrote past the array of size " << size;
      }
    }
  }
}

TEST(MarkComposites, CountsEveryMarkIncludingRepeats) {
  struct Case {
    uint32_t Limit;
    uint32_t Marks;
  };
  const Case cases[] = {{1, 0},  {2, 0},   {3, 0},     {8, 0},        {9, 1},         {10, 1},
                        {25, 4}, {49, 11}, {100, 28}, {1000, 457}, {100000, 71556}, {500000, 391987}};
  for (const Case& test : cases) {
    std::vector<unsigned char> memory(test.Limit + 1, 0xA5);
    RunState.LoopCounter = 12345;
    Sieve(memory);
    EXPECT_EQ(RunState.LoopCounter, test.Marks) << "N = " << test.Limit;
  }
}

TEST(MarkComposites, LeavesExactlyTheOddPrimesUnstruck) {
  for (const uint32_t limit : {9u, 10u, 49u, 100u, 1021u, 65536u}) {
    std::vector<unsigned char> memory(limit + 1, 0x77);
    Sieve(memory);
    for (uint32_t index = 3; index <= limit; index += 2) {
      ASSERT_EQ(memory[index] == 0, IsPrime(index)) << "N = " << limit << ", " << index;
    }
  }
}

// The count phase prints its lines to standard output; the test keeps them.
class CountPhase : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeTempDir();
    ASSERT_EQ(getcwd(previousDir_, sizeof previousDir_), previousDir_);
    ASSERT_EQ(chdir(folder_.c_str()), 0);
  }
  void TearDown() override {
    EXPECT_EQ(chdir(previousDir_), 0);
    RemoveTree(folder_);
  }
  // Runs the phase on a sieved array of limit + 1 bytes and returns what it printed.
  std::string Count(uint32_t limit) {
    std::vector<unsigned char> memory(limit + 1, 0xC3);
    Sieve(memory);
    RunState.InitTime = 5;
    RunState.SieveTime = 7;
    fflush(stdout);
    const int savedOutput = dup(STDOUT_FILENO);
    const int capture = open("printed", O_RDWR | O_CREAT | O_TRUNC, 0600);
    dup2(capture, STDOUT_FILENO);
    RunState.CountTime = ReadTickCount();
    CountAndStorePrimes(memory.data());
    dup2(savedOutput, STDOUT_FILENO);
    close(savedOutput);
    close(capture);
    return ReadWholeFile("printed");
  }
  std::string folder_;
  char previousDir_[4096] = {};
};

TEST_F(CountPhase, WritesOneTenByteRecordPerOddPrime) {
  struct Case {
    uint32_t Limit;
    uint32_t Primes;
    std::vector<uint32_t> LastRecords;
  };
  const Case cases[] = {{1, 0, {}},        {2, 1, {}},        {3, 2, {3}},
                        {10, 4, {3, 5, 7}}, {100, 25, {89, 97}}, {500000, 41538, {499969, 499973, 499979}}};
  for (const Case& test : cases) {
    const std::string printed = Count(test.Limit);
    EXPECT_EQ(RunState.PrimesFound, test.Primes);
    const std::string file = ReadWholeFile("primes.txt");
    const size_t expectedSize = test.Primes < 2 ? 0 : (test.Primes - 1) * PrimeRecordSize;
    ASSERT_EQ(file.size(), expectedSize) << "N = " << test.Limit;
    std::string tail;
    for (const uint32_t prime : test.LastRecords) {
      tail += PrimeRecord(prime);
    }
    EXPECT_EQ(file.substr(file.size() - tail.size()), tail);
    if (!file.empty()) {
      EXPECT_EQ(file.substr(0, PrimeRecordSize), PrimeRecord(3));
    }
    EXPECT_EQ(file.find_first_of("\r\n"), std::string::npos);
    const std::string counted = std::to_string(RunState.CountTime);
    EXPECT_EQ(printed, counted + " ms to count the primes\r\n\r\n" +
                           std::to_string(12 + RunState.CountTime) +
                           " ms total time.\r\n\r\n  Number of primes found between 1 and " +
                           std::to_string(test.Limit) + " = " + std::to_string(test.Primes));
  }
}

TEST_F(CountPhase, EveryRecordMatchesItsPrimeAfterALongerRun) {
  Count(100000);  // leaves longer digits behind in the record buffer
  Count(1000);
  const std::string file = ReadWholeFile("primes.txt");
  std::string expected;
  for (uint32_t value = 3; value <= 1000; value += 2) {
    if (IsPrime(value)) {
      expected += PrimeRecord(value);
    }
  }
  EXPECT_EQ(file, expected);
}

TEST_F(CountPhase, ReplacesALongerExistingFile) {
  const int existing = open("primes.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const std::string old(5000, 'x');
  ASSERT_EQ(write(existing, old.data(), old.size()), static_cast<ssize_t>(old.size()));
  close(existing);
  Count(10);
  EXPECT_EQ(ReadWholeFile("primes.txt"), PrimeRecord(3) + PrimeRecord(5) + PrimeRecord(7));
}
