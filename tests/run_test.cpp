// The program end to end through pipes, as a script or another program
// drives it: the exact report, the primes file and the exit status.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "tests/child_process.h"

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
