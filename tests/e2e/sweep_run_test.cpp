// SPDX-License-Identifier: MIT
// A short sweep of the real benchmark end to end: table, CSV, JSON and chart,
// no gnuplot, all-zero times, bad options and failed runs.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "sweep/options.h"
#include "host/files.h"
#include "results/result_file.h"
#include "results/report.h"
#include "host/digest.h"
#include "sweep/noise.h"

// Runs the sweep through the shell; returns its exit status, with its output in files.
class SweepRun : public testing::Test {
 protected:
  void SetUp() override { folder_ = MakeTempDir(); }
  void TearDown() override { RemoveTree(folder_); }
  int Sweep(const std::string& arguments, const std::string& path = "/usr/bin:/bin") {
    const std::string command = "cd '" + folder_ + "' && PATH=" + path + " '" SIEVEBENCH_SWEEP_PROGRAM "' " +
                                arguments + " >out.txt 2>err.txt";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Read(const std::string& name) const { return ReadWholeFile(folder_ + "/" + name); }
  // A stand-in for the benchmark: a shell script in the test's folder.
  std::string Script(const std::string& name, const std::string& body) const {
    const std::string path = folder_ + "/" + name;
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    chmod(path.c_str(), 0755);
    return path;
  }
  std::string folder_;
};

TEST_F(SweepRun, AShortSweepWritesTableCsvJsonAndChart) {
  const bool gnuplot = std::filesystem::exists("/usr/bin/gnuplot");
  ASSERT_EQ(Sweep("--limits 1e3,1e5 --repeat 2 --label lab-machine --csv runs.csv --json runs.json --chart chart.svg "
                  "--dir runs --cpu 0"),
            0)
      << Read("err.txt");
  const std::string table = Read("out.txt");
  EXPECT_NE(table.find("        1000    2/2"), std::string::npos) << table;
  EXPECT_NE(table.find("      100000    2/2"), std::string::npos) << table;
  const std::string csv = Read("runs.csv");
  EXPECT_EQ(csv.rfind("limit,run,warmup,init_ms,sieve_ms,count_ms,total_ms,primes,loop_counter,valid,outlier,round,variant\n"
                      "1000,1,true,", 0), 0u) << csv;
  EXPECT_NE(csv.find(",168,457,true,false,0,default\n"), std::string::npos) << csv;  // a warm-up, round 0
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 7);
  SweepResult result;
  ASSERT_EQ(ReadResultFile(folder_ + "/runs.json", result), "");
  EXPECT_EQ(result.Label, "lab-machine");
  EXPECT_EQ(result.Runs.size(), 6u);
  ASSERT_EQ(result.Summaries.size(), 2u);
  EXPECT_EQ(result.Summaries[1].Limit, 100000u);
  EXPECT_EQ(result.Summaries[1].Runs, 2u);
  EXPECT_EQ(result.Summaries[1].ValidRuns, 2u);
  EXPECT_FALSE(result.Host.Cpu.empty());
  EXPECT_EQ(result.Format, "sievebench-sweep/4");
  EXPECT_TRUE(result.Conditions.FileSystem.has_value());
  EXPECT_TRUE(result.Conditions.Priority.has_value());
  EXPECT_TRUE(result.Conditions.LoadAverageStart.has_value());
  EXPECT_TRUE(result.Conditions.LoadAverageEnd.has_value());
  EXPECT_EQ(result.Conditions.CpuAffinity, "0");
  EXPECT_EQ(result.Conditions.TimerResolutionMs, 1);
  EXPECT_EQ(result.Conditions.PagePolicy, std::to_string(sysconf(_SC_PAGESIZE) / 1024) + "k");
  EXPECT_EQ(result.Program.Sha256, FileSha256(SIEVEBENCH_PROGRAM));
  EXPECT_EQ(ReadWholeFile(folder_ + "/runs/limit-1000-run-2/primes.txt").size(), 1670u);
  EXPECT_NE(Read("err.txt").find("run 6 of 6: limit "), std::string::npos);
  ASSERT_TRUE(result.Options && result.Options->Seed);
  EXPECT_NE(Read("err.txt").find("seed " + std::to_string(*result.Options->Seed) + " (--seed "), std::string::npos);
  ASSERT_EQ(result.Variants.size(), 1u);
  EXPECT_EQ(result.Variants[0].Name, "default");
  for (size_t index = 0; index < result.Runs.size(); ++index) {
    const RunRecord& run = result.Runs[index];
    EXPECT_EQ(run.Sequence, index + 1);
    EXPECT_EQ(run.Variant, "default");
    EXPECT_EQ(run.Round, index < 2 ? 0 : (index - 2) / 2 + 1) << index;  // two warm-ups, then two rounds of two
  }
  EXPECT_NE(Read("err.txt").find("run 2 of 6: limit 100000 (warm-up)"), std::string::npos);  // warm-ups first
  if (gnuplot) {
    EXPECT_NE(Read("chart.svg").find("<svg"), std::string::npos);
  }
}

TEST_F(SweepRun, WithoutGnuplotOneLineSaysSo) {
  ASSERT_EQ(Sweep("--limits 10 --repeat 1 --csv runs.csv --chart chart.png", "/nonexistent"), 0) << Read("err.txt");
  EXPECT_NE(Read("out.txt").find("no chart: gnuplot is not installed"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(folder_ + "/chart.png"));
  EXPECT_FALSE(Read("runs.csv").empty());
}

TEST_F(SweepRun, TimesAllZeroGiveNoChartButNoFailure) {
  if (!std::filesystem::exists("/usr/bin/gnuplot")) {
    GTEST_SKIP() << "gnuplot is not installed";
  }
  ASSERT_EQ(Sweep("--limits 1 --repeat 1 --chart chart.svg --program " +
                  Script("fake", "'" SIEVEBENCH_PROGRAM "' | sed 's/^[0-9]* ms/0 ms/'")),
            0)
      << Read("err.txt");
  EXPECT_NE(Read("out.txt").find("no chart: every time was 0 ms"), std::string::npos);
}

TEST_F(SweepRun, BadOptionsGetAMessageAndStatusTwo) {
  EXPECT_EQ(Sweep("--repeat none"), 2);
  EXPECT_NE(Read("err.txt").find("--repeat"), std::string::npos);
  EXPECT_EQ(Sweep("--cpu 4096"), 2);
  EXPECT_NE(Read("err.txt").find("--cpu 4096: CPU 4096 is not one this process may run on"), std::string::npos)
      << Read("err.txt");
  EXPECT_EQ(Sweep("--program /nonexistent/sievebench"), 2);
  EXPECT_NE(Read("err.txt").find("cannot run"), std::string::npos);
  EXPECT_EQ(Sweep("--help"), 0);
  EXPECT_NE(Read("out.txt").find("--limits"), std::string::npos);
  EXPECT_EQ(Sweep("--version"), 0);
  EXPECT_EQ(Read("out.txt"), "sievebench-sweep " SIEVEBENCH_VERSION "\n");
}

TEST_F(SweepRun, FailedRunsAreReportedWithWhatTheyPrinted) {
  struct Case {
    std::string Body;
    std::string Says;
  };
  const Case cases[] = {
      {"'" SIEVEBENCH_PROGRAM "' | sed 's/ = 25/ = 26/'", "found 26 primes, not 25"},
      {"'" SIEVEBENCH_PROGRAM "' | sed 's/^28 loop/29 loop/'", "loop-counter 29, not 28"},
      {"read -r limit; echo something else", "the output is not a report"},  // it reads, then prints no report
      {"'" SIEVEBENCH_PROGRAM "'; exit 3", "exit status 3"},
      {"exec sleep 30", "stopped after the time-out"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.Body);
    const std::string program = Script("fake", test.Body);
    EXPECT_EQ(Sweep("--limits 100 --repeat 1 --warmup 0 --timeout 0.5 --csv runs.csv --program " + program), 1);
    const std::string errors = Read("err.txt");
    EXPECT_NE(errors.find("INVALID RUN: limit 100, run 1: " + test.Says), std::string::npos) << errors;
    EXPECT_NE(errors.find("1 of 1 runs FAILED validation"), std::string::npos) << errors;
    EXPECT_NE(Read("runs.csv").find(",false,false,1,default\n"), std::string::npos);
  }
}
