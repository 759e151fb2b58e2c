// SPDX-License-Identifier: MIT
// The program end to end through pipes, as a script or another program
// drives it: the exact report, the primes file and the exit status.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fcntl.h>
#include <thread>
#include <string>

#include "tests/support/child_process.h"

class PipedRun : public testing::Test {
 protected:
  void SetUp() override { folder_ = MakeTempDir(); }
  void TearDown() override { RemoveTree(folder_); }
  ChildResult Run(const std::vector<std::string>& input) {
    ChildRun run;
    run.InputPieces = input;
    run.WorkDir = folder_;
    return RunThroughPipe(run);
  }
  std::string PrimesFile() const { return ReadWholeFile(folder_ + "/primes.txt"); }
  std::string folder_;
};

TEST_F(PipedRun, ReportsTheLimitPrimesAndMarks) {
  struct Case {
    std::vector<std::string> Input;
    uint32_t Limit, Primes, Marks;
  };
  const Case cases[] = {
      {{"\n"}, 500000, 41538, 391987},
      {{"0\n"}, 500000, 41538, 391987},
      {{}, 500000, 41538, 391987},         // no input at all
      {{"1\n"}, 1, 0, 0},
      {{"2\n"}, 2, 1, 0},
      {{"100\r\n"}, 100, 25, 28},
      {{"10", "00", "\n"}, 1000, 168, 457},  // typed slowly into a pipe
      {{"100000"}, 100000, 9592, 71556},     // no line end at all
      {{"abc\n"}, 5451, 721, 3079},
      {{" 100\n"}, 240100, 21231, 180976},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(testing::PrintToString(test.Input));
    const ChildResult result = Run(test.Input);
    EXPECT_EQ(result.ExitCode, 0);
    ExpectReport(result.Output, {test.Limit, test.Primes, test.Marks});
    const uint32_t records = test.Primes < 2 ? 0 : test.Primes - 1;
    EXPECT_EQ(PrimesFile().size(), records * 10u);
  }
}

TEST_F(PipedRun, DefaultRunWritesTheWholePrimesFile) {
  const ChildResult result = Run({"\n"});
  EXPECT_EQ(result.ExitCode, 0);
  ExpectReport(result.Output, {500000, 41538, 391987});
  const std::string file = PrimesFile();
  ASSERT_EQ(file.size(), 415370u);
  EXPECT_EQ(file.substr(0, 20), std::string("3\0\0\0\0\0\0\0\0\0" "5\0\0\0\0\0\0\0\0\0", 20));
  EXPECT_EQ(file.substr(file.size() - 10), std::string("499979\0\0\0\0", 10));
  struct stat info {};
  ASSERT_EQ(stat((folder_ + "/primes.txt").c_str(), &info), 0);
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
}

TEST_F(PipedRun, LimitsAboveTheLargestArrayRunOutOfMemory) {
  for (const char* input : {"2147483648\n", "-1\n", "4294967295\n", "-2147483647\n"}) {
    SCOPED_TRACE(input);
    const ChildResult result = Run({input});
    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Output, std::string(PromptText) + "Not enough memory!");
    EXPECT_FALSE(std::filesystem::exists(folder_ + "/primes.txt"));
  }
}

TEST_F(PipedRun, AFailedReservationRunsOutOfMemory) {
  if (BuiltWithAddressSanitizer()) {
    GTEST_SKIP() << "the sanitizer's shadow memory needs more address space than the limit leaves";
  }
  if (!TargetLauncher().empty()) {
    GTEST_SKIP() << "an emulator or loader reserves address space of its own";
  }
  ChildRun run;
  run.InputPieces = {"1000000000\n"};
  run.WorkDir = folder_;
  run.AddressSpaceLimit = 256ull << 20;
  const ChildResult result = RunThroughPipe(run);
  EXPECT_EQ(result.ExitCode, 0);
  EXPECT_EQ(result.Output, std::string(PromptText) + "Not enough memory!");
}

TEST_F(PipedRun, AReaderThatGoesAwayDoesNotStopTheRun) {
  ChildRun run;
  run.InputPieces = {"\n"};
  run.WorkDir = folder_;
  run.CloseOutputEarly = true;
  const ChildResult result = RunThroughPipe(run);
  EXPECT_EQ(result.ExitCode, 0);
  EXPECT_EQ(result.Signal, 0);
  EXPECT_EQ(PrimesFile().size(), 415370u);
}

// Two runs in one folder: the one that has the primes file keeps it whole,
// the other loses its records and says so. The first run's count phase lasts
// seconds, so the second starts (through an emulator or a Windows loader
// too) while the first is still writing.
TEST_F(PipedRun, ASecondRunInTheSameFolderLeavesTheFirstRunsFileAlone) {
  constexpr uint32_t LongLimit = 30000000;
  ChildResult first;
  std::thread firstRun([&] { first = Run({std::to_string(LongLimit) + "\n"}); });
  const std::string path = folder_ + "/primes.txt";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  auto grown = [&] {
    std::error_code absent;  // no file yet: file_size then gives the largest value
    const auto size = std::filesystem::file_size(path, absent);
    return !absent && size >= 100000;
  };
  while (!grown() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const ChildResult second = Run({"100\n"});
  firstRun.join();
  EXPECT_EQ(second.ExitCode, 0);
  ExpectReport(second.Output, {.Limit = 100, .Primes = 25, .Marks = 28, .WriteError = true});
  EXPECT_EQ(first.ExitCode, 0);
  ExpectReport(first.Output, {LongLimit, 1857859, MarksUpTo(LongLimit)});
  const std::string file = PrimesFile();
  EXPECT_EQ(file.size(), 1857858u * 10);
  EXPECT_TRUE(file == AllRecordsUpTo(LongLimit)) << "primes.txt is not the first run's records";
}

// The same, made certain: the test holds the lock while the run counts.
TEST_F(PipedRun, ARunThatCannotHaveThePrimesFileLeavesItUntouched) {
  if (TargetIsWindows()) {
    GTEST_SKIP() << "a Windows program keeps its file by sharing mode, not by this lock";
  }
  const std::string path = folder_ + "/primes.txt";
  const int held = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ASSERT_GE(held, 0);
  const std::string contents = "another run's records";
  ASSERT_EQ(write(held, contents.data(), contents.size()), static_cast<ssize_t>(contents.size()));
  ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
  const ChildResult result = Run({"100\n"});
  close(held);
  EXPECT_EQ(result.ExitCode, 0);
  ExpectReport(result.Output, {.Limit = 100, .Primes = 25, .Marks = 28, .WriteError = true});
  EXPECT_EQ(PrimesFile(), contents);
}
