// SPDX-License-Identifier: MIT
// Reading a benchmark report in every form it prints, the prime counts and
// marks known independently, and a tampered run failing validation.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "sweep/options.h"
#include "results/result_file.h"
#include "results/report.h"
#include "host/digest.h"
#include "sweep/noise.h"

static std::string SampleReport(const std::string& primes = "25", const std::string& extra = "") {
  return std::string(PromptText) +
         "\r\nLooking for primes from 1 to 100 - please wait...\r\n\r\n"
         "3 ms to initialize array\r\n5 ms to sieve the primes\r\n" + extra +
         "7 ms to count the primes\r\n\r\n15 ms total time.\r\n\r\n"
         "  Number of primes found between 1 and 100 = " + primes + "\r\n28 loop-counter\r\n";
}

TEST(SweepReport, ReadsEveryFormTheBenchmarkPrints) {
  struct Case {
    std::string Output;
    bool Parsed, WriteError, CloseError, ReleaseError;
  };
  const std::string report = SampleReport();
  const Case cases[] = {
      {report, true, false, false, false},
      {SampleReport("25", " Error: WriteFile,hFile\r\n"), true, true, false, false},
      {SampleReport("25", " Error: CloseHandle,hFile\r\n"), true, false, true, false},
      {SampleReport("25", " Error: WriteFile,hFile\r\n Error: CloseHandle,hFile\r\n"), true, true, true, false},
      {report + "\r\n0A200000 - ERROR GlobalFree", true, false, false, true},
      {std::string(PromptText) + "Not enough memory!", false, false, false, false},
      {report.substr(0, report.size() - 3), false, false, false, false},   // cut short
      {report + "more", false, false, false, false},
      {SampleReport("99999999999"), false, false, false, false},            // past 32 bits
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(testing::PrintToString(test.Output));
    Report parsed;
    ASSERT_EQ(ParseReport(test.Output, parsed), test.Parsed);
    if (test.Parsed) {
      EXPECT_EQ(parsed.Limit, 100u);
      EXPECT_EQ(parsed.InitMs + parsed.SieveMs + parsed.CountMs, 15u);
      EXPECT_EQ(parsed.Primes, 25u);
      EXPECT_EQ(parsed.LoopCounter, 28u);
      EXPECT_EQ(parsed.WriteError, test.WriteError);
      EXPECT_EQ(parsed.CloseError, test.CloseError);
      EXPECT_EQ(parsed.ReleaseError, test.ReleaseError);
    }
  }
}

TEST(SweepReport, KnowsThePrimeCountsAndMarksOnItsOwn) {
  struct Case {
    uint32_t Limit;
    int64_t Primes;
    uint64_t Marks;
  };
  const Case cases[] = {{1, 0, 0},           {2, 1, 0},           {9, 4, 1},       {25, 9, 4},
                        {100, 25, 28},       {5451, 721, 3079},   {500000, 41538, 391987},
                        {1000000000, 50847534, 1024745559},       {20000001, -1, 18294178}};
  for (const Case& test : cases) {
    EXPECT_EQ(KnownPrimeCount(test.Limit), test.Primes) << test.Limit;
    EXPECT_EQ(ExpectedLoopCounter(test.Limit), test.Marks) << test.Limit;
  }
}

TEST(SweepReport, ATamperedRunFailsValidation) {
  Report good;
  ASSERT_TRUE(ParseReport(SampleReport(), good));
  EXPECT_TRUE(ValidateRun(good, 100, 240).empty());
  struct Case {
    const char* What;
    Report Values;
    uint32_t Limit;
    int64_t FileSize;
  };
  Report primes = good, marks = good, total = good, writeError = good;
  primes.Primes = 26;
  marks.LoopCounter = 27;
  total.TotalMs = 16;
  writeError.WriteError = true;
  const Case cases[] = {
      {"primes", primes, 100, 250},  {"loop-counter", marks, 100, 240}, {"total", total, 100, 240},
      {"instead of", good, 1000, 240}, {"bytes", good, 100, 230},       {"no file", good, 100, -1},
      {"written", writeError, 100, 240},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.What);
    EXPECT_FALSE(ValidateRun(test.Values, test.Limit, test.FileSize).empty());
  }
}
