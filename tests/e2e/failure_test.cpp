// SPDX-License-Identifier: MIT
// Failing disks, files and platform calls, end to end: every failure has its
// visible line in the report, the rest of the report stands, and the exit
// status stays 0.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/support/child_process.h"

class FailingRun : public testing::Test {
 protected:
  void SetUp() override { folder_ = MakeTempDir(); }
  void TearDown() override { RemoveTree(folder_); }
  ChildResult Run(const std::string& fault, const std::string& input = "100\n") {
    ChildRun run;
    run.Program = fault.empty() ? TargetProgram() : SIEVEBENCH_FAULTS_PROGRAM;
    run.Fault = fault;
    run.InputPieces = {input};
    run.WorkDir = folder_;
    return RunThroughPipe(run);
  }
  std::string PrimesFile() const { return ReadWholeFile(folder_ + "/primes.txt"); }
  std::string folder_;
};

TEST_F(FailingRun, ADirectoryInThePlaceOfThePrimesFileIsReported) {
  ASSERT_EQ(mkdir((folder_ + "/primes.txt").c_str(), 0755), 0);
  const ChildResult result = Run("");
  EXPECT_EQ(result.ExitCode, 0);
  ExpectReport(result.Output, {.Limit = 100, .Primes = 25, .Marks = 28, .WriteError = true});
}

TEST_F(FailingRun, AFullDiskIsReported) {
  ASSERT_EQ(symlink("/dev/full", (folder_ + "/primes.txt").c_str()), 0);
  const ChildResult result = Run("");
  EXPECT_EQ(result.ExitCode, 0);
  ExpectReport(result.Output, {.Limit = 100, .Primes = 25, .Marks = 28, .WriteError = true});
}

// The 24 records of the odd primes up to 100.
static std::string AllRecords() {
  return AllRecordsUpTo(100);
}

TEST_F(FailingRun, EveryRecordWriteThatFailsIsReported) {
  const std::string allRecords = AllRecords();
  for (size_t record = 1; record <= 24; ++record) {
    const size_t at = (record - 1) * 10;
    for (const bool shortWrite : {false, true}) {
      const std::string fault = (shortWrite ? "short-write:" : "record-write:") + std::to_string(record);
      SCOPED_TRACE(fault);
      unlink((folder_ + "/primes.txt").c_str());
      const ChildResult result = Run(fault);
      EXPECT_EQ(result.ExitCode, 0);
      ExpectReport(result.Output, {.Limit = 100, .Primes = 25, .Marks = 28, .WriteError = true});
      // A short write leaves half the record; the records after it follow whole.
      EXPECT_EQ(PrimesFile(), allRecords.substr(0, at + (shortWrite ? 5 : 0)) + allRecords.substr(at + 10));
    }
  }
}

TEST_F(FailingRun, InjectedFileFaultsAreReportedOnceEach) {
  const std::string allRecords = AllRecords();
  struct Case {
    std::string Fault;
    bool WriteError, CloseError;
    std::string File;  // what primes.txt holds afterwards
  };
  const Case cases[] = {
      {"file-create:1", true, false, ""},
      {"file-close:1", false, true, allRecords},
      {"file-create:1,file-close:1", true, false, ""},  // nothing opened, nothing to close
      {"short-write:2,file-close:1", true, true, allRecords.substr(0, 15) + allRecords.substr(20)},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.Fault);
    unlink((folder_ + "/primes.txt").c_str());
    const ChildResult result = Run(test.Fault);
    EXPECT_EQ(result.ExitCode, 0);
    ExpectReport(result.Output, {100, 25, 28, test.WriteError, test.CloseError});
    EXPECT_EQ(PrimesFile(), test.File);
  }
}

TEST_F(FailingRun, InjectedMemoryFaults) {
  const ChildResult noMemory = Run("reserve:1");
  EXPECT_EQ(noMemory.ExitCode, 0);
  EXPECT_EQ(noMemory.Output, std::string(PromptText) + "Not enough memory!");
  EXPECT_FALSE(std::filesystem::exists(folder_ + "/primes.txt"));

  const ChildResult noRelease = Run("release:1");
  EXPECT_EQ(noRelease.ExitCode, 0);
  ExpectReport(noRelease.Output, {.Limit = 100, .Primes = 25, .Marks = 28, .ReleaseError = true});
}

// The times differ from run to run, in digits too: each number counts as one
// character, so two outputs compare by their texts alone.
static std::string WithNumbersAsOneCharacter(const std::string& output) {
  std::string shape;
  for (std::size_t at = 0; at < output.size(); ++at) {
    const bool digit = output[at] >= '0' && output[at] <= '9';
    const bool previousDigit = at > 0 && output[at - 1] >= '0' && output[at - 1] <= '9';
    if (!digit) shape += output[at];
    else if (!previousDigit) shape += '#';
  }
  return shape;
}

// Whichever console write fails, the run goes on to the end: the output is
// the whole report less one text, and the primes file is complete.
TEST_F(FailingRun, AnyFailedConsoleWriteLosesOneTextAndNothingElse) {
  const ChildResult whole = Run("");
  ExpectReport(whole.Output, {100, 25, 28});
  for (int write = 1; write <= 22; ++write) {  // a run of the limit 100 makes 22 writes
    SCOPED_TRACE(write);
    const ChildResult result = Run("console-write:" + std::to_string(write));
    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_LT(WithNumbersAsOneCharacter(result.Output).size(), WithNumbersAsOneCharacter(whole.Output).size());
    EXPECT_EQ(result.Output.find(" loop-counter\r\n") == std::string::npos, write == 22);
    EXPECT_EQ(PrimesFile(), AllRecords());
  }
}

TEST_F(FailingRun, InjectedConsoleFaultsLoseOnlyTheirOwnText) {
  const ChildResult noPrompt = Run("console-write:1");
  EXPECT_EQ(noPrompt.ExitCode, 0);
  ExpectReport(PromptText + noPrompt.Output, {100, 25, 28});

  const ChildResult noLineEnd = Run("console-write:2");
  EXPECT_EQ(noLineEnd.ExitCode, 0);
  std::string mended = noLineEnd.Output;
  mended.insert(std::string(PromptText).size(), "\r\n");
  ExpectReport(mended, {100, 25, 28});

  const ChildResult noInput = Run("console-read:1");  // a failed read counts as an empty line
  EXPECT_EQ(noInput.ExitCode, 0);
  ExpectReport(noInput.Output, {500000, 41538, 391987});
}

// With descriptor 1 closed at the start, the report must not end up in the
// primes file: it holds whole records only, all but the one that was lost.
TEST_F(FailingRun, AClosedStandardOutputNeverReachesThePrimesFile) {
  ChildRun run;
  run.Program = SIEVEBENCH_FAULTS_PROGRAM;
  run.Fault = "record-write:3";
  run.InputPieces = {"100\n"};
  run.WorkDir = folder_;
  run.StartWithOutputClosed = true;
  const ChildResult result = RunThroughPipe(run);
  EXPECT_EQ(result.ExitCode, 0);
  EXPECT_EQ(result.Output, "");
  const std::string allRecords = AllRecords();
  EXPECT_EQ(PrimesFile(), allRecords.substr(0, 20) + allRecords.substr(30));
}
