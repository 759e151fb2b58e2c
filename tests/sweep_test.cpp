// SPDX-License-Identifier: MIT
// The sweep companion: its options, reading and validating reports, and a
// short sweep of the real benchmark end to end.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/child_process.h"
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

TEST(SweepOptions, LimitsAndTheirMistakes) {
  struct Case {
    std::vector<std::string> Arguments;
    std::vector<uint32_t> Limits;  // when sound
    std::string Error;             // a part of the message, or "" when sound
  };
  const Case cases[] = {
      {{}, {1000, 10000, 100000, 1000000, 10000000, 100000000}, ""},
      {{"--limits", "1e3..1e5"}, {1000, 10000, 100000}, ""},
      {{"--limits=500..1e4,500000,2.5e3"}, {1000, 10000, 500000, 2500}, ""},
      {{"--limits", "1..1", "--warmup", "0"}, {1}, ""},
      {{"--limits", "2147483647"}, {2147483647}, ""},
      {{"--limits", "0"}, {}, "'0' is not a whole number"},
      {{"--limits", "2147483648"}, {}, "not a whole number"},
      {{"--limits", "abc"}, {}, "not a whole number"},
      {{"--limits", "1e3,,1e4"}, {}, "'' is not"},
      {{"--limits", "5..2"}, {}, "not a range"},
      {{"--limits", "2..9"}, {}, "holds no power of ten"},
      {{"--repeat", "0"}, {}, "--repeat"},
      {{"--repeat", "2.5"}, {}, "--repeat"},
      {{"--repeat", "-3"}, {}, "--repeat"},
      {{"--warmup", "101"}, {}, "--warmup"},
      {{"--timeout", "-1"}, {}, "--timeout"},
      {{"--chart", "out.pdf"}, {}, ".svg or .png"},
      {{"--csv"}, {}, "--csv"},
      {{"--bogus"}, {}, "--bogus"},
      {{"extra"}, {}, "extra"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(testing::PrintToString(test.Arguments));
    SweepOptions options;
    std::ostringstream out, err;
    const int status = ParseSweepOptions(test.Arguments, options, out, err);
    if (test.Error.empty()) {
      EXPECT_EQ(status, -1) << err.str();
      EXPECT_EQ(options.Limits, test.Limits);
    } else {
      EXPECT_EQ(status, 2);
      EXPECT_NE(err.str().find(test.Error), std::string::npos) << err.str();
      EXPECT_NE(err.str().find("sievebench-sweep --help"), std::string::npos) << err.str();
    }
  }
}

TEST(SweepNoise, ConditionsThatAddNoiseAreWarnedOfBeforeTheFirstRun) {
  struct Case {
    const char* What;
    RunConditions Conditions;
    std::vector<std::string> Says;
  };
  RunConditions quiet;
  quiet.Governor = "performance";
  quiet.LoadAverageStart = 1.4;
  quiet.Priority = "nice -14";
  RunConditions powersave = quiet, busy = quiet, lowly = quiet, all = quiet;
  powersave.Governor = "powersave";
  busy.LoadAverageStart = 1.5;  // three quarters of 2 cores
  lowly.Priority = "nice 0";
  all.Governor = "schedutil";
  all.LoadAverageStart = 3.25;
  all.Priority = "nice 5";
  const Case cases[] = {
      {"quiet", quiet, {}},
      {"nothing known", RunConditions{}, {}},
      {"governor", powersave, {"the CPU frequency governor is powersave, not performance"}},
      {"load", busy, {"the load average is 1.50 on 2 cores"}},
      {"priority", lowly, {"the benchmark cannot raise its priority to nice -14 and runs at nice 0"}},
      {"all three", all, {"governor is schedutil", "load average is 3.25", "runs at nice 5"}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.What);
    const std::vector<std::string> warnings = NoiseWarnings(test.Conditions, 2, "nice -14");
    ASSERT_EQ(warnings.size(), test.Says.size()) << testing::PrintToString(warnings);
    for (size_t index = 0; index < warnings.size(); ++index) {
      EXPECT_NE(warnings[index].find(test.Says[index]), std::string::npos) << warnings[index];
    }
  }
}

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
  EXPECT_EQ(csv.rfind("limit,run,warmup,init_ms,sieve_ms,count_ms,total_ms,primes,loop_counter,valid,outlier\n"
                      "1000,1,true,", 0), 0u) << csv;
  EXPECT_NE(csv.find(",168,457,true,false\n"), std::string::npos) << csv;
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
  EXPECT_EQ(result.Format, "sievebench-sweep/3");
  EXPECT_TRUE(result.Conditions.FileSystem.has_value());
  EXPECT_TRUE(result.Conditions.Priority.has_value());
  EXPECT_TRUE(result.Conditions.LoadAverageStart.has_value());
  EXPECT_TRUE(result.Conditions.LoadAverageEnd.has_value());
  EXPECT_EQ(result.Conditions.CpuAffinity, "0");
  EXPECT_EQ(result.Conditions.TimerResolutionMs, 1);
  EXPECT_EQ(result.Program.Sha256, FileSha256(SIEVEBENCH_PROGRAM));
  EXPECT_EQ(ReadWholeFile(folder_ + "/runs/limit-1000-run-2/primes.txt").size(), 1670u);
  EXPECT_NE(Read("err.txt").find("run 6 of 6: limit 100000"), std::string::npos);
  EXPECT_NE(Read("err.txt").find("run 4 of 6: limit 100000 (warm-up)"), std::string::npos);
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
      {"echo something else", "the output is not a report"},
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
    EXPECT_NE(Read("runs.csv").find(",false\n"), std::string::npos);
  }
}
