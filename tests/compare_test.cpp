// SPDX-License-Identifier: MIT
// sievebench-compare: the ratios and their dashes, names for colliding
// labels, the Markdown table, tampered and malformed files, and the tool
// end to end on real sweeps, gathered by GNU parallel.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "results/comparison.h"
#include "results/result_file.h"
#include "tests/test_files.h"

// A result of valid measured runs of the limit 100 (25 primes, 28 marks)
// and 1000 (168, 457), with the given count times in ms.
static SweepResult SweepOf(const std::string& label, std::vector<uint32_t> count100,
                           std::vector<uint32_t> count1000 = {}) {
  SweepResult result;
  result.Format = ResultFormat;
  result.Label = label;
  auto add = [&](uint32_t limit, uint32_t primes, uint32_t marks, const std::vector<uint32_t>& counts) {
    uint32_t run = 0;
    for (const uint32_t count : counts) {
      RunRecord record;
      record.Limit = limit;
      record.Run = ++run;
      record.Parsed = record.Valid = true;
      record.Values = {.Limit = limit, .InitMs = 0, .SieveMs = 1, .CountMs = count, .TotalMs = count + 1,
                       .Primes = primes, .LoopCounter = marks};
      result.Runs.push_back(record);
    }
  };
  add(100, 25, 28, count100);
  add(1000, 168, 457, count1000);
  return result;
}

static std::vector<ComparedFile> Named(std::vector<SweepResult> results) {
  std::vector<ComparedFile> files;
  for (size_t index = 0; index < results.size(); ++index) {
    files.push_back({"dir/file" + std::to_string(index) + ".json", results[index], ""});
  }
  NameFiles(files);
  return files;
}

TEST(Compare, MediansAndRatiosToTheFirstFile) {
  const auto files = Named({SweepOf("base", {10, 12, 11}, {0}), SweepOf("fast", {5, 6}, {4}), SweepOf("old", {22, 20, 40})});
  const std::vector<PhaseRow> rows = CompareMedians(files);
  ASSERT_EQ(rows.size(), 8u);  // two limits, four phases
  EXPECT_EQ(rows[2].Limit, 100u);
  EXPECT_STREQ(rows[2].Phase, "count");
  EXPECT_EQ(rows[2].Medians, (std::vector<double>{11, 5.5, 22}));
  EXPECT_EQ(rows[6].Medians, (std::vector<double>{0, 4, -1}));  // "old" ran no 1000
  struct Case {
    double Median, Baseline;
    std::string Ratio;
  };
  const Case cases[] = {
      {11, 11, "1.00x"}, {5.5, 11, "0.50x"}, {22, 11, "2.00x"},
      {4, 0, "\u2013"},   // a 0 ms baseline has no ratio
      {-1, 11, "\u2013"},  // missing from this file
      {7, -1, "\u2013"},   // missing from the baseline
      {0, 3, "0.00x"},
  };
  for (const Case& test : cases) {
    EXPECT_EQ(RatioText(test.Median, test.Baseline), test.Ratio) << test.Median << " / " << test.Baseline;
  }
  const std::string table = TextTable(files);
  EXPECT_NE(table.find("  100  count  11 ms (1.00x)  5.5 ms (0.50x)  22 ms (2.00x)\n"), std::string::npos) << table;
  EXPECT_NE(table.find(" 1000  count       0 ms (\u2013)        4 ms (\u2013)              \u2013\n"), std::string::npos)
      << table;
}

TEST(Compare, CollidingLabelsAreToldApartByTheirFiles) {
  std::vector<ComparedFile> files = {{"a/run.json", SweepOf("lab", {1}), ""},
                                     {"b/run.json", SweepOf("lab", {1}), ""},
                                     {"c/other.json", SweepOf("lab", {1}), ""},
                                     {"d/other.json", SweepOf("box", {1}), ""}};
  NameFiles(files);
  EXPECT_EQ(files[0].Name, "lab (a/run.json)");
  EXPECT_EQ(files[1].Name, "lab (b/run.json)");
  EXPECT_EQ(files[2].Name, "lab (other.json)");
  EXPECT_EQ(files[3].Name, "box");
}

TEST(Compare, TheMarkdownTableHoldsTheSameCells) {
  const auto files = Named({SweepOf("a|b", {10}, {3}), SweepOf("c", {20})});
  const std::string markdown = MarkdownTable(files);
  EXPECT_EQ(markdown.substr(0, markdown.find("\n", markdown.find("\n") + 1) + 1),
            "| limit | phase | a\\|b | c |\n|---:|---|---:|---:|\n");
  EXPECT_NE(markdown.find("| 100 | count | 10 ms (1.00x) | 20 ms (2.00x) |\n"), std::string::npos) << markdown;
  EXPECT_NE(markdown.find("| 1000 | total | 4 ms (1.00x) | \u2013 |\n"), std::string::npos) << markdown;
}

TEST(Compare, ChangedCountsAreTamperingAndInvalidRunsAreNot) {
  SweepResult sound = SweepOf("lab", {10, 11}, {12});
  EXPECT_TRUE(FindTampering(sound).empty());
  struct Case {
    const char* What;
    void (*Change)(RunRecord&);
    std::string Says;
  };
  const Case cases[] = {
      {"primes", [](RunRecord& run) { run.Values.Primes = 26; }, "limit 100, run 2: found 26 primes, not 25"},
      {"loop-counter", [](RunRecord& run) { run.Values.LoopCounter = 27; }, "limit 100, run 2: loop-counter 27, not 28"},
      {"total", [](RunRecord& run) { run.Values.TotalMs = 3; }, "limit 100, run 2: total 3 ms"},
  };
  for (const Case& test : cases) {
    SweepResult changed = sound;
    test.Change(changed.Runs[1]);
    const auto problems = FindTampering(changed);
    ASSERT_EQ(problems.size(), 1u) << test.What;
    EXPECT_EQ(problems[0].rfind(test.Says, 0), 0u) << problems[0];
    changed.Runs[1].Valid = false;  // the sweep itself found it wrong: shown, not counted
    changed.Runs[1].Problems = "found 26 primes, not 25";
    EXPECT_TRUE(FindTampering(changed).empty()) << test.What;
    const auto files = Named({changed});
    EXPECT_EQ(CompareMedians(files)[2].Medians, std::vector<double>{10});
    EXPECT_EQ(InvalidRunNotes(files), "lab: limit 100, run 2 is invalid (found 26 primes, not 25) and left out\n");
  }
}

// The tool itself, on files in a scratch folder.
class CompareRun : public testing::Test {
 protected:
  void SetUp() override { folder_ = MakeTempDir(); }
  void TearDown() override { RemoveTree(folder_); }
  std::string Write(const std::string& name, const std::string& text) const {
    std::ofstream(folder_ + "/" + name, std::ios::binary) << text;
    return name;
  }
  int Compare(const std::string& arguments) {
    const std::string command = "cd '" + folder_ + "' && '" SIEVEBENCH_COMPARE_PROGRAM "' " + arguments +
                                " >out.txt 2>err.txt";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Read(const std::string& name) const { return ReadWholeFile(folder_ + "/" + name); }
  std::string folder_;
};

TEST_F(CompareRun, MalformedFilesAreEachNamedAndRefusedWithTwo) {
  const std::string good = ResultFileText(SweepOf("lab", {10}));
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    return text.replace(text.find(from), from.size(), to);
  };
  const std::string sound = Write("sound.json", good);
  const std::string tampered = Write("tampered.json", replaced("\"loop_counter\": 28", "\"loop_counter\": 29"));
  struct Case {
    std::string File;
    std::string Says;
  };
  const Case cases[] = {
      {Write("truncated.json", good.substr(0, good.size() - 20)), "truncated.json: malformed: not JSON"},
      {Write("notjson.json", "limit,run\n"), "notjson.json: malformed: not JSON"},
      {Write("types.json", replaced("\"primes\": 25", "\"primes\": \"25\"")), "types.json: malformed: runs[0].primes"},
      {Write("missing.json", replaced("\"label\": \"lab\",", "")), "missing.json: malformed: label: missing"},
      {Write("range.json", replaced("\"run\": 1", "\"run\": -1")), "range.json: malformed: runs[0].run"},
      {"absent.json", "absent.json: cannot read it"},
  };
  std::string arguments = sound + " " + tampered;
  for (const Case& test : cases) {
    arguments += " " + test.File;
  }
  EXPECT_EQ(Compare(arguments), 2);
  const std::string errors = Read("err.txt");
  for (const Case& test : cases) {
    EXPECT_NE(errors.find("sievebench-compare: " + test.Says), std::string::npos) << errors;
  }
  EXPECT_NE(errors.find("tampered.json: tampered: limit 100, run 1: loop-counter 29, not 28"), std::string::npos);
  EXPECT_NE(Read("out.txt").find("  100  count  10 ms (1.00x)"), std::string::npos);  // the sound file still shows

  EXPECT_EQ(Compare(sound + " " + tampered), 1);
  EXPECT_EQ(Compare(sound + " " + sound + " --markdown table.md"), 0);
  EXPECT_NE(Read("table.md").find("| lab (sound.json) | lab (sound.json) |"), std::string::npos);
}

TEST_F(CompareRun, OptionMistakesGiveTwo) {
  EXPECT_EQ(Compare(""), 2);
  EXPECT_NE(Read("err.txt").find("files is required"), std::string::npos) << Read("err.txt");
  EXPECT_EQ(Compare("--bogus a.json"), 2);
  EXPECT_EQ(Compare("--chart chart.pdf a.json"), 2);
  EXPECT_NE(Read("err.txt").find(".svg or .png"), std::string::npos);
  EXPECT_EQ(Compare("--help"), 0);
  EXPECT_NE(Read("out.txt").find("--markdown"), std::string::npos);
  EXPECT_EQ(Compare("--version"), 0);
  EXPECT_EQ(Read("out.txt"), "sievebench-compare " SIEVEBENCH_VERSION "\n");
}
