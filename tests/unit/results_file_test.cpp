// SPDX-License-Identifier: MIT
// The sweep's result files and statistics: a file read back whole, the
// reader's refusals, files of the older format, warm-up runs, outliers, and
// what Linux's texts say of machines that are not this one.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "host/linux_facts.h"
#include "host/processor.h"
#include "host/digest.h"
#include "results/comparison.h"
#include "results/result_file.h"
#include "results/statistics.h"
#include "tests/support/made_up_sweeps.h"

static RunRecord ValidRun(uint32_t limit, uint32_t run, uint32_t totalMs, bool warmup = false) {
  RunRecord record;
  record.Limit = limit;
  record.Run = run;
  record.Warmup = warmup;
  record.Round = warmup ? 0 : run - 1;
  record.Sequence = run;
  record.Variant = DefaultVariant;
  record.Parsed = true;
  record.Valid = true;
  record.Values = {.Limit = limit, .InitMs = 1, .SieveMs = 2, .CountMs = totalMs - 3, .TotalMs = totalMs,
                   .Primes = 25, .LoopCounter = 28};
  return record;
}

static SweepResult SampleResult() {
  SweepResult result;
  result.Format = ResultFormat;
  result.Version = "1.0.0";
  result.Label = "lab \"one\"\n";
  result.Date = "2026-12-08T21:00:00Z";
  result.Host = {"AMD EPYC", 2, "x86_64", "Debian GNU/Linux 12 (bookworm)", "6.18.0", 25276125184ull, "madvise"};
  result.Conditions = {"ext4", "nice -14", "performance", true, "kvm", 0.25, 1.5, "ac", "0-1", 1, "4k"};
  result.Program = {"/usr/bin/sievebench", 23816, std::string(64, 'a')};
  result.Options = SweepSettings{{100}, 4, 1, "lab", "/usr/bin/sievebench", "/srv/runs", 1, 60, 18446744073709551557ull};
  result.Variants = {{DefaultVariant, "/usr/bin/sievebench", "/srv/runs", 1, "ab12"}};
  result.Runs = {ValidRun(100, 1, 20, true), ValidRun(100, 2, 10), ValidRun(100, 3, 11), ValidRun(100, 4, 30)};
  RunRecord failed;
  failed.Limit = 100;
  failed.Run = 5;
  failed.Problems = "exit status 3";
  failed.Variant = DefaultVariant;
  result.Runs.push_back(failed);
  MarkOutliers(result.Runs);
  result.Summaries = Summarize(result.Runs);
  return result;
}

TEST(ResultFile, WrittenAndReadBackEqual) {
  const SweepResult written = SampleResult();
  SweepResult read;
  ASSERT_EQ(ReadResultText(ResultFileText(written), read), "");
  EXPECT_EQ(read, written);
  SweepResult withoutHugePages = written;
  withoutHugePages.Host.HugePages.reset();
  ASSERT_EQ(ReadResultText(ResultFileText(withoutHugePages), read), "");
  EXPECT_EQ(read, withoutHugePages);
  SweepResult unknown = written;  // every condition unknown: written as null, read back as unknown
  unknown.Conditions = {};
  unknown.Program.Sha256.reset();
  const std::string text = ResultFileText(unknown);
  EXPECT_NE(text.find("\"governor\": null"), std::string::npos) << text;
  ASSERT_EQ(ReadResultText(text, read), "");
  EXPECT_EQ(read, unknown);
  SweepResult checkpoint = written;  // a sweep under way, on no CPU in particular
  checkpoint.Complete = false;
  checkpoint.Options->Cpu.reset();
  ASSERT_EQ(ReadResultText(ResultFileText(checkpoint), read), "");
  EXPECT_EQ(read, checkpoint);
}

// The runs of a file from before rounds: no round, place or variant.
static nlohmann::json WithoutRounds(const std::string& format) {
  nlohmann::json file = nlohmann::json::parse(ResultFileText(SampleResult()));
  file["format"] = format;
  file.erase("seed");
  file.erase("variants");
  for (nlohmann::json& run : file["runs"]) {
    run.erase("round");
    run.erase("sequence");
    run.erase("variant");
  }
  for (nlohmann::json& summary : file["summaries"]) {
    summary.erase("variant");
  }
  return file;
}

static std::vector<RunRecord> SampleRunsWithoutRounds() {
  std::vector<RunRecord> runs = SampleResult().Runs;
  for (RunRecord& run : runs) {
    run.Round = run.Sequence = 0;
    run.Variant.clear();
  }
  return runs;
}

// A file of format 3 ran limit by limit: it reads with no rounds and no
// seed, so that a resume of it keeps that order.
TEST(ResultFile, FilesFromBeforeRoundsStillRead) {
  SweepResult read;
  ASSERT_EQ(ReadResultText(WithoutRounds("sievebench-sweep/3").dump(2), read), "");
  EXPECT_EQ(read.Format, "sievebench-sweep/3");
  EXPECT_EQ(read.Runs, SampleRunsWithoutRounds());
  EXPECT_TRUE(read.Variants.empty());
  ASSERT_TRUE(read.Options.has_value());
  EXPECT_FALSE(read.Options->Seed.has_value());
  EXPECT_EQ(read.Conditions, SampleResult().Conditions);
  // Compared with a file of rounds, as separate sweeps are.
  const Comparison comparison = CompareFiles(Named({read, SampleResult()}), 0.05);
  ASSERT_EQ(comparison.Files.size(), 2u);
  size_t compared = 0;
  for (const ComparisonRow& row : comparison.Rows) {
    if (row.Cells[1].PValue) {
      EXPECT_EQ(row.Cells[1].Test, "rank-sum");
      ++compared;
    }
  }
  EXPECT_GT(compared, 0u);
}

// A file of format 2 has no conditions and no build identity; it still
// reads, with all of them unknown and the Linux timer's 1 ms step.
TEST(ResultFile, FilesOfTheOlderFormatStillRead) {
  nlohmann::json file = WithoutRounds("sievebench-sweep/2");
  file.erase("conditions");
  file.erase("options");
  file.erase("complete");
  file["program"].erase("sha256");
  const std::string text = file.dump(2);
  ASSERT_EQ(text.find("conditions"), std::string::npos) << text;
  ASSERT_EQ(text.find("sha256"), std::string::npos) << text;
  SweepResult read;
  ASSERT_EQ(ReadResultText(text, read), "") << text;
  EXPECT_EQ(read.Format, "sievebench-sweep/2");
  EXPECT_EQ(read.Conditions, RunConditions{});
  EXPECT_EQ(TimerResolution(read.Conditions), 1);
  EXPECT_FALSE(read.Program.Sha256.has_value());
  EXPECT_FALSE(read.Options.has_value());  // it cannot be resumed
  EXPECT_TRUE(read.Complete);              // it was written once, at the end
  EXPECT_EQ(read.Runs, SampleRunsWithoutRounds());
}

TEST(ResultFile, TextThatIsNotUtf8IsWrittenAsReplacementCharacters) {
  SweepResult result = SampleResult();
  result.Label = "host\xff\xfe";
  const std::string text = ResultFileText(result);
  EXPECT_NE(text.find("\"label\": \"host\xef\xbf\xbd\xef\xbf\xbd\""), std::string::npos) << text;
  SweepResult read;
  EXPECT_EQ(ReadResultText(text, read), "");
}

// Each malformed text is refused with a message that names what is wrong.
TEST(ResultFile, TheReaderRefusesMalformedFiles) {
  const std::string good = ResultFileText(SampleResult());
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
  };
  std::string many;  // 32 variants more than the file's own
  for (int variant = 0; variant < 32; ++variant) {
    many += "{\"name\": \"v" + std::to_string(variant) + "\", \"program\": \"p\", \"dir\": \"\"}, ";
  }
  struct Case {
    std::string Text;
    std::string Says;
  };
  const Case cases[] = {
      {good.substr(0, good.size() / 2), "not JSON"},
      {"", "not JSON"},
      {"limit,run\n100,1\n", "not JSON"},
      {"[1, 2]", "not an object"},
      {replaced("\"cores\": 2", "\"cores\": 9e999999"), "not JSON"},  // beyond a double
      {replaced("\"label\": \"lab", "\"label\": \"\xff"), "not JSON"},  // invalid UTF-8 in the file itself
      {replaced("\"format\": \"sievebench-sweep/4\"", "\"format\": \"other/1\""), "format"},
      {replaced("\"cores\": 2", "\"cores\": \"two\""), "machine.cores"},
      {replaced("\"variant\": \"default\"", "\"variant\": \"other\""), "runs[0].variant: 'other' is not among"},
      {replaced("\"variants\": [", "\"variants\": [], \"old\": ["), "variants: none"},
      {replaced("\"variants\": [", "\"variants\": [{\"name\": \"default\", \"program\": \"p\", \"dir\": \"\"},"),
       "variants[1].name: a second variant"},
      {replaced("\"name\": \"default\"", "\"name\": \"de\\u001bfault\""), "variants[0].name: a variant's name holds only"},
      {replaced("\"variants\": [", "\"variants\": [" + many), "variants: 33, more than the 32"},
      {replaced("\"round\": 1,", "\"round\": -1,"), "runs[1].round"},
      {replaced("\"seed\": ", "\"seed\": -"), "seed"},
      {replaced("\"cores\": 2", "\"cores\": -1"), "machine.cores"},
      {replaced("\"cores\": 2", "\"cores\": 3.7"), "machine.cores"},
      {replaced("\"cores\": 2", "\"cores\": 4294967296"), "machine.cores"},
      {replaced("\"cores\": 2,", ""), "machine.cores: missing"},
      {replaced("\"total_ms\": 10,", "\"total_ms\": 4294967296,"), "runs[1].total_ms"},
      {replaced("\"total_ms\": 10,", "\"total_ms\": true,"), "runs[1].total_ms"},
      {replaced("\"primes\": 25,", ""), "runs[0].primes: missing"},
      {replaced("\"warmup\": true", "\"warmup\": 1"), "runs[0].warmup"},
      {replaced("\"runs\": [", "\"runs\": {\"x\": ["), "not JSON"},
      {replaced("\"summaries\": [", "\"summaries\": 5, \"old\": ["), "summaries: not an array"},
      {replaced("\"median\": ", "\"median\": -"), "median"},
      {replaced("\"governor\": \"performance\"", "\"governor\": 3"), "conditions.governor: not a text"},
      {replaced("\"boost\": true", "\"boost\": \"yes\""), "conditions.boost: not true or false"},
      {replaced("\"load_average_end\": 1.5", "\"load_average_end\": -1.5"), "conditions.load_average_end"},
      {replaced("\"timer_resolution_ms\": 1.0", "\"timer_resolution_ms\": 0"), "conditions.timer_resolution_ms"},
      {replaced("\"conditions\": {", "\"conditions\": [], \"old\": {"), "conditions: not an object"},
      {replaced("\"sha256\": \"", "\"sha256\": 7, \"x\": \""), "program.sha256: not a text"},
      {replaced("\"complete\": true", "\"complete\": \"yes\""), "complete: not true or false"},
      {replaced("\"repeat\": 4", "\"repeat\": -4"), "options.repeat"},
      {replaced("\"limits\": [\n      100", "\"limits\": [\n      0"), "options.limits[0]: not a limit"},
      {replaced("\"limits\": [\n      100", "\"limits\": [\n      \"100\""), "options.limits[0]: not a limit"},
      // Above the largest limit the benchmark runs, a resumed sweep could only fail.
      {replaced("\"limits\": [\n      100", "\"limits\": [\n      2147483648"),
       "options.limits[0]: not a limit from 1 to 2147483647"},
      {replaced("\"limit\": 100,\n      \"loop_counter", "\"limit\": 4294967295,\n      \"loop_counter"),
       "runs[0].limit: not a limit from 1 to 2147483647"},
      {replaced("\"limit\": 100,\n      \"marks", "\"limit\": 2147483648,\n      \"marks"),
       "summaries[0].limit: not a limit"},
      {replaced("\"options\": {", "\"options\": 1, \"x\": {"), "options: not an object"},
      {replaced("\"program\": {", "\"program\": {\"size_bytes\": -5, \"x\": {"), ""},  // a duplicate key: the last one wins
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.Text.substr(0, 200));
    SweepResult read;
    const std::string problem = ReadResultText(test.Text, read);
    if (test.Says.empty()) {
      continue;  // only that it neither crashes nor throws
    }
    EXPECT_NE(problem.find(test.Says), std::string::npos) << problem;
  }
}

TEST(ResultFile, KeysItDoesNotKnowAreIgnored) {
  std::string text = ResultFileText(SampleResult());
  text.insert(text.find('{') + 1, "\"from_the_future\": {\"anything\": [1, 2]},");
  SweepResult read;
  EXPECT_EQ(ReadResultText(text, read), "");
  EXPECT_EQ(read, SampleResult());
}

TEST(Statistics, WarmupRunsAndInvalidRunsAreLeftOutOfTheSummary) {
  const SweepResult result = SampleResult();
  ASSERT_EQ(result.Summaries.size(), 1u);
  const LimitSummary& row = result.Summaries[0];
  EXPECT_EQ(row.Runs, 4u);       // the warm-up run is not counted
  EXPECT_EQ(row.ValidRuns, 3u);  // 10, 11 and 30 ms
  EXPECT_EQ(row.Total.Median, 11);
  EXPECT_EQ(row.Total.Min, 10);  // the warm-up's 20 ms would not change this, but its count would
  EXPECT_EQ(row.Total.Max, 30);
  EXPECT_DOUBLE_EQ(row.Total.Mean, 17);
  EXPECT_NEAR(row.Total.StdDev, 11.2694, 1e-4);
  EXPECT_DOUBLE_EQ(row.RecordsPerSecond, 24 / (8.0 / 1000));
}

TEST(Statistics, OutliersLieFarFromTheMedianAndAWobbleIsNone) {
  struct Case {
    std::vector<uint32_t> Totals;
    std::vector<bool> Outliers;
  };
  const Case cases[] = {
      {{100, 101, 100, 101, 100}, {false, false, false, false, false}},  // MAD 0: the 2 ms floor holds
      {{100, 101, 102, 100, 101}, {false, false, false, false, false}},
      {{100, 100, 103, 100}, {false, false, true, false}},               // 3 ms from a MAD of 0
      {{100, 110, 120, 130, 400}, {false, false, false, false, true}},   // MAD 10: the limit is 44.5 ms
      {{100, 110, 120, 130, 160}, {false, false, false, false, false}},
      {{7}, {false}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(testing::PrintToString(test.Totals));
    std::vector<RunRecord> runs = {ValidRun(1000, 1, 900, true)};  // a warm-up far away is never an outlier
    for (size_t index = 0; index < test.Totals.size(); ++index) {
      runs.push_back(ValidRun(1000, static_cast<uint32_t>(index + 2), test.Totals[index]));
    }
    runs.push_back(ValidRun(5, 1, 3));  // another limit keeps its own median
    MarkOutliers(runs);
    EXPECT_FALSE(runs.front().Outlier);
    EXPECT_FALSE(runs.back().Outlier);
    for (size_t index = 0; index < test.Totals.size(); ++index) {
      EXPECT_EQ(runs[index + 1].Outlier, test.Outliers[index]) << "run " << index;
    }
  }
}
