// SPDX-License-Identifier: MIT
// sievebench-compare: the decisions of a comparison on made-up machines
// (significance, the 10-tick rule, the geomean, the warnings), the views of
// it (a fleet within 160 columns, hostile labels, Markdown, JSON read back),
// and the tool end to end with its exit statuses.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "results/comparison.h"
#include "results/report.h"
#include "results/result_file.h"
#include "views/columns.h"
#include "views/json.h"
#include "views/markdown.h"
#include "views/text.h"
#include "tests/made_up_sweeps.h"
#include "tests/test_files.h"

namespace {

const Cell& CellOf(const Comparison& comparison, uint32_t limit, TimedPhase phase, size_t file) {
  for (const ComparisonRow& row : comparison.Rows) {
    if (row.Limit == limit && row.Phase == phase) {
      return row.Cells.at(file);
    }
  }
  throw std::runtime_error("no row for limit " + std::to_string(limit));
}

bool HasWarning(const Comparison& comparison, const std::string& part) {
  for (const std::string& warning : comparison.Warnings) {
    if (warning.find(part) != std::string::npos) {
      return true;
    }
  }
  return false;
}

}  // namespace

TEST(Comparison, NoiseIsNotAChangeAndTwentyPercentIs) {
  const Comparison comparison = CompareFiles(
      Named({SweepOf("base", {{100000, Base}}), SweepOf("same", {{100000, {101, 100, 100, 99, 101, 100}}}),
             SweepOf("slow", {{100000, {120, 121, 119, 122, 120, 121}}})}),
      0.05);
  const Cell& base = CellOf(comparison, 100000, TimedPhase::Count, 0);
  EXPECT_EQ(base.Runs, 6u);
  EXPECT_EQ(base.MedianMs, 100);
  ASSERT_TRUE(base.MedianInterval);  // six runs: k = 1, the whole range
  EXPECT_EQ(base.MedianInterval->Low, 99);
  EXPECT_EQ(base.MedianInterval->High, 102);
  EXPECT_FALSE(base.ChangePercent);

  const Cell& same = CellOf(comparison, 100000, TimedPhase::Count, 1);
  ASSERT_TRUE(same.Significant);
  EXPECT_FALSE(*same.Significant);
  EXPECT_GT(*same.PValue, 0.05);

  const Cell& slow = CellOf(comparison, 100000, TimedPhase::Total, 2);
  ASSERT_TRUE(slow.Significant);
  EXPECT_TRUE(*slow.Significant);
  EXPECT_NEAR(*slow.PValue, 2.0 / 924, 1e-12);  // fully apart: 2 of C(12, 6) splits
  EXPECT_DOUBLE_EQ(*slow.ChangePercent, 20.5);  // median 120.5 against 100
  EXPECT_EQ(slow.MedianInterval->Low, 119);
  EXPECT_EQ(slow.MedianInterval->High, 122);

  const std::string text = ComparisonText(comparison);
  EXPECT_NE(text.find("~ (p="), std::string::npos) << text;
  EXPECT_NE(text.find("120.5 ms [119\u2013122] +20.5% (p=0.002 n=6)"), std::string::npos) << text;
  EXPECT_EQ(text.find("too few runs"), std::string::npos) << text;
}

TEST(Comparison, PhasesUnderTenTicksGetNoRatio) {
  SweepResult windows = SweepOf("windows", {{100000, {125, 125, 140, 125, 125, 140}}, {1000000, Base}});
  windows.Conditions.TimerResolutionMs = 15.625;  // 10 ticks are 156.25 ms
  const Comparison comparison = CompareFiles(
      Named({SweepOf("base", {{1000, {9, 9, 8, 9, 9, 9}}, {100000, Base}, {1000000, Base}}),
             SweepOf("other", {{1000, {9, 10, 9, 9, 10, 9}}, {100000, Base}}), windows}),
      0.05);
  for (const auto& [limit, file] : std::vector<std::pair<uint32_t, size_t>>{{1000, 1}, {100000, 2}, {1000000, 2}}) {
    const Cell& cell = CellOf(comparison, limit, TimedPhase::Count, file);
    EXPECT_TRUE(cell.TooShort) << limit;
    EXPECT_FALSE(cell.ChangePercent) << limit;
    EXPECT_FALSE(cell.PValue) << limit;
    EXPECT_NE(cell.Note.find("too short"), std::string::npos) << cell.Note;
  }
  EXPECT_TRUE(CellOf(comparison, 1000, TimedPhase::Count, 0).TooShort);    // the baseline's own 9 ms
  EXPECT_TRUE(CellOf(comparison, 100000, TimedPhase::Init, 1).TooShort);   // 0 ms
  EXPECT_TRUE(CellOf(comparison, 100000, TimedPhase::Count, 1).PValue);    // 100 ms on a 1 ms timer
  EXPECT_EQ(CellOf(comparison, 1000, TimedPhase::Count, 2).Runs, 0u);      // never ran 1000
  EXPECT_TRUE(HasWarning(comparison, "base's timer steps by 1 ms, windows's by 15.625 ms"))
      << testing::PrintToString(comparison.Warnings);
  const std::string text = ComparisonText(comparison);
  EXPECT_NE(text.find("   1000  count    9 ms [8\u20139]    too short"), std::string::npos) << text;
}

TEST(Comparison, TheGeomeanCoversTheLimitsBothCompare) {
  const std::vector<uint32_t> slower20 = {120, 120, 120, 120, 120, 120};
  const std::vector<uint32_t> slower50 = {150, 150, 150, 150, 150, 150};
  const Comparison comparison = CompareFiles(
      Named({SweepOf("base", {{1000, {1, 1, 1, 1, 1, 1}}, {100000, Base}, {1000000, Base}, {10000000, Base}}),
             SweepOf("both", {{1000, {2, 2, 2, 2, 2, 2}}, {100000, slower20}, {1000000, slower50}}),
             SweepOf("mixed", {{100000, slower20}, {1000000, {60, 60, 60, 60, 60, 60}}, {10000000, Base}})}),
      0.05);
  const GeomeanCell& both = *TotalGeomean(comparison, 1);
  EXPECT_EQ(both.Limits, (std::vector<uint32_t>{100000, 1000000}));  // 1000 is too short, 10^7 not run
  EXPECT_NEAR(*both.ChangePercent, (std::sqrt(1.2 * 1.5) - 1) * 100, 1e-9);
  EXPECT_EQ(both.SlowerLimits, 2u);
  EXPECT_TRUE(both.Significant);
  // +20 %, -40 % and ~0: the geomean leans faster, but a limit went significantly the other way.
  const GeomeanCell& mixed = *TotalGeomean(comparison, 2);
  EXPECT_EQ(mixed.Limits.size(), 3u);
  EXPECT_NEAR(*mixed.ChangePercent, (std::cbrt(1.2 * 0.6 * 1.0) - 1) * 100, 1e-9);
  EXPECT_EQ(mixed.FasterLimits, 1u);
  EXPECT_EQ(mixed.SlowerLimits, 1u);
  EXPECT_FALSE(mixed.Significant);
  EXPECT_TRUE(HasWarning(comparison, "both ran the limits 1000, 100000, 1000000 and base 1000, 100000, 1000000, "
                                     "10000000: its geomeans cover only the limits both ran"));
  EXPECT_EQ(SignificantlySlower(comparison, 30), std::vector<size_t>{1});  // +34.2 %
  EXPECT_TRUE(SignificantlySlower(comparison, 35).empty());
  const std::string text = ComparisonText(comparison);
  EXPECT_NE(text.find("geomean  total  baseline"), std::string::npos) << text;
  EXPECT_NE(text.find("+34.2% (slower at 2 of 2)"), std::string::npos) << text;
  EXPECT_NE(text.find("~ -10.4% (faster at 1 of 3, slower at 1)"), std::string::npos) << text;
}

TEST(Comparison, TooFewRunsToDecideIsOneWarning) {
  const Comparison comparison =
      CompareFiles(Named({SweepOf("base", {{100000, {100, 101, 102}}}), SweepOf("b", {{100000, {200, 201, 202}}}),
                          SweepOf("c", {{100000, {200, 201, 202}}})}),
                   0.05);
  size_t warnings = 0;
  for (const std::string& warning : comparison.Warnings) {
    warnings += warning.find("too few runs") != std::string::npos ? size_t{1} : size_t{0};
  }
  EXPECT_EQ(warnings, 1u);
  EXPECT_TRUE(HasWarning(comparison, "with 3 runs against 3 (b, c) no change can reach p < 0.05; 4 measured runs a "
                                     "side are needed (sievebench-sweep --repeat 4)"));
  EXPECT_NEAR(*CellOf(comparison, 100000, TimedPhase::Count, 1).PValue, 0.1, 1e-12);
  EXPECT_TRUE(comparison.IntervalsMissing);
  EXPECT_NE(ComparisonText(comparison).find("the median's 95% interval needs 6"), std::string::npos);
}

TEST(Comparison, DifferentConditionsAreWarnedOfOneByOne) {
  struct Case {
    const char* What;
    void (*Change)(SweepResult&);
    std::string Says;  // "" for no warning
  };
  const Case cases[] = {
      {"file system", [](SweepResult& r) { r.Conditions.FileSystem = "tmpfs"; },
       "alpha counted on ext4, beta on tmpfs: the count phase compares file systems"},
      {"priority", [](SweepResult& r) { r.Conditions.Priority = "nice 0"; }, ""},  // the baseline's is unknown
      {"governor", [](SweepResult& r) { r.Conditions.Governor = "powersave"; }, ""},
      {"build", [](SweepResult& r) { r.Program.Sha256 = std::string(64, '1'); },
       "beta ran another build of the benchmark than alpha (sha256 111111111111 against sha256 000000000000)"},
      {"unknown file system", [](SweepResult& r) { r.Conditions.FileSystem.reset(); }, ""},
      {"load", [](SweepResult& r) { r.Conditions.LoadAverageStart = 1.5; }, ""},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.What);
    SweepResult base = SweepOf("alpha", {{100000, Base}});
    SweepResult other = SweepOf("beta", {{100000, Base}});
    test.Change(other);
    const std::vector<std::string> warnings = ConditionWarnings(Named({base, other}));
    if (test.Says.empty()) {
      EXPECT_TRUE(warnings.empty()) << warnings.front();
    } else {
      ASSERT_EQ(warnings.size(), 1u);
      EXPECT_EQ(warnings[0].rfind(test.Says, 0), 0u) << warnings[0];
    }
  }
  SweepResult base = SweepOf("alpha", {{100000, Base}});
  base.Conditions.Priority = "nice -14";
  base.Conditions.Governor = "performance";
  base.Conditions.Virtualization = "none";
  SweepResult other = base;
  other.Label = "beta";
  other.Conditions.Priority = "nice 0";
  other.Conditions.Governor = "powersave";
  other.Conditions.Virtualization = "kvm";
  const std::vector<std::string> warnings = ConditionWarnings(Named({base, other}));
  ASSERT_EQ(warnings.size(), 3u);
  EXPECT_EQ(warnings[0], "alpha ran at priority nice -14, beta at nice 0: the times compare priorities too");
  EXPECT_EQ(warnings[1], "alpha's CPU governor was performance, beta's powersave: the times compare frequency "
                         "scaling too");
  EXPECT_EQ(warnings[2], "alpha ran under no hypervisor, beta under kvm: the times compare hypervisors too");
}

TEST(Comparison, CollidingLabelsAreToldApartByTheirFiles) {
  std::vector<ComparedFile> files = {{"a/run.json", SweepOf("lab", {}), ""},
                                     {"b/run.json", SweepOf("lab", {}), ""},
                                     {"c/other.json", SweepOf("lab", {}), ""},
                                     {"d/other.json", SweepOf("box", {}), ""}};
  NameFiles(files);
  EXPECT_EQ(files[0].Name, "lab (a/run.json)");
  EXPECT_EQ(files[1].Name, "lab (b/run.json)");
  EXPECT_EQ(files[2].Name, "lab (other.json)");
  EXPECT_EQ(files[3].Name, "box");
}

TEST(Comparison, ChangedCountsAreTamperingAndInvalidRunsAreNot) {
  const SweepResult sound = SweepOf("lab", {{100, {10, 11}}, {1000, {12}}});
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
    const Comparison comparison = CompareFiles(Named({changed}), 0.05);
    EXPECT_EQ(CellOf(comparison, 100, TimedPhase::Count, 0).Runs, 1u);
    EXPECT_EQ(comparison.InvalidRuns,
              std::vector<std::string>{"lab: limit 100, run 2 is invalid (found 26 primes, not 25) and left out"});
  }
}

// 300 machines, some with long and wide labels: the side-by-side table gives
// way to one ranked row per machine, and no line passes 160 columns.
TEST(ComparisonViews, AFleetFitsIn160Columns) {
  std::vector<SweepResult> fleet;
  for (uint32_t machine = 0; machine < 300; ++machine) {
    const uint32_t shift = machine % 7 * 10;
    SweepResult result = SweepOf(machine % 50 == 7 ? std::string(300, 'w') + std::to_string(machine)
                                 : machine % 50 == 8 ? "\u6e2c\u5b9a" + std::string(100, 'x')  // wide characters
                                                     : "host-" + std::to_string(machine),
                                 {{100000, {100 + shift, 101 + shift, 99 + shift, 100 + shift, 102 + shift, 100 + shift}},
                                  {1000000, Base}});
    result.Host.Cpu = "AMD EPYC " + std::string(200, 'c');
    result.Conditions.FileSystem = machine % 10 == 0 ? "tmpfs" : "ext4";
    fleet.push_back(result);
  }
  const Comparison comparison = CompareFiles(Named(fleet), 0.05);
  EXPECT_FALSE(SideBySide(comparison));
  const std::string text = ComparisonText(comparison);
  EXPECT_LE(WidestLine(text), TerminalWidth) << text.substr(0, 3000);
  EXPECT_NE(text.find("300 machines, ranked by the geometric mean of their total time"), std::string::npos);
  EXPECT_NE(text.find("file system: ext4: 270, tmpfs: 30"), std::string::npos);
  // Fastest first: the machines with no shift are at 0 %, below every slower one.
  EXPECT_LT(text.find("host-1 "), text.find("host-6 "));
  const std::string markdown = ComparisonMarkdown(comparison);
  EXPECT_NE(markdown.find("| rank | machine | total, geomean against the baseline | cpu |"), std::string::npos);
  EXPECT_LT(markdown.size(), 200000u);

  const Comparison few = CompareFiles(Named({fleet[1], fleet[2], fleet[3]}), 0.05);
  EXPECT_TRUE(SideBySide(few));
  EXPECT_LE(WidestLine(ComparisonText(few)), TerminalWidth);
}

TEST(ComparisonViews, LabelsFromFilesNeverReachTheTerminalOrMarkdownRaw) {
  SweepResult hostile = SweepOf("evil\x1b]0;pwned\x07\x1b[2J\r\nrow | *bold* <b>x</b> \u202e[link](http://x)",
                                {{100000, Base}});
  hostile.Host.Cpu = "cpu\x1b[31m\u009b1m";
  hostile.Runs[0].Valid = false;
  hostile.Runs[0].Problems = "exit status 1\x1b[0m";
  const Comparison comparison = CompareFiles(Named({SweepOf("base", {{100000, Base}}), hostile}), 0.05);
  const std::string text = ComparisonText(comparison);
  for (const char* raw : {"\x1b", "\x07", "\r", "\u009b", "\u202e"}) {
    EXPECT_EQ(text.find(raw), std::string::npos) << testing::PrintToString(raw);
  }
  EXPECT_NE(text.find("evil\\x1B]0;pwned\\x07\\x1B[2J\\r\\nrow"), std::string::npos) << text;
  EXPECT_NE(text.find("\\u{202E}"), std::string::npos);
  EXPECT_NE(text.find("cpu\\x1B[31m\\u{009B}1m"), std::string::npos) << text;
  EXPECT_NE(text.find("(exit status 1\\x1B[0m)"), std::string::npos) << text;

  const std::string markdown = ComparisonMarkdown(comparison);
  EXPECT_EQ(markdown.find("\x1b"), std::string::npos);
  EXPECT_NE(markdown.find("row \\| \\*bold\\* \\<b\\>x\\<\\/b\\> \\\\u\\{202E\\}\\[link\\]\\(http\\:\\/\\/x\\)"),
            std::string::npos)
      << markdown;
  EXPECT_EQ(markdown.find("<b>"), std::string::npos);
}

TEST(ComparisonViews, TheJsonReadsBackWithEveryDecision) {
  SweepResult slow = SweepOf("slow", {{100000, {120, 121, 119, 122, 120, 121}}, {1000, {1, 1}}});
  slow.Conditions.FileSystem = "tmpfs";
  const Comparison comparison =
      CompareFiles(Named({SweepOf("base", {{100000, Base}, {1000, {1, 1}}}), slow}), 0.05);
  const nlohmann::json document = nlohmann::json::parse(ComparisonJson(comparison, SIEVEBENCH_VERSION));
  EXPECT_EQ(document["format"], "sievebench-compare/1");
  EXPECT_EQ(document["alpha"], 0.05);
  EXPECT_EQ(document["baseline"], "base");
  ASSERT_EQ(document["machines"].size(), 2u);
  EXPECT_EQ(document["machines"][1]["conditions"]["file_system"], "tmpfs");
  EXPECT_EQ(document["machines"][1]["file"], "dir/file1.json");
  ASSERT_EQ(document["rows"].size(), 16u);  // 2 limits x 4 phases x 2 machines
  const nlohmann::json* count = nullptr;
  const nlohmann::json* shortOne = nullptr;
  for (const nlohmann::json& row : document["rows"]) {
    if (row["limit"] == 100000 && row["phase"] == "count" && row["machine"] == "slow") {
      count = &row;
    }
    if (row["limit"] == 1000 && row["phase"] == "total" && row["machine"] == "slow") {
      shortOne = &row;
    }
  }
  ASSERT_TRUE(count && shortOne);
  EXPECT_EQ((*count)["n"], 6);
  EXPECT_EQ((*count)["median_ms"], 120.5);
  EXPECT_EQ((*count)["ci_low_ms"], 119);
  EXPECT_EQ((*count)["ci_high_ms"], 122);
  EXPECT_DOUBLE_EQ((*count)["change_percent"].get<double>(), 20.5);
  EXPECT_NEAR((*count)["p_value"].get<double>(), 2.0 / 924, 1e-12);
  EXPECT_EQ((*count)["significant"], true);
  EXPECT_TRUE((*shortOne)["p_value"].is_null());
  EXPECT_TRUE((*shortOne)["significant"].is_null());
  EXPECT_TRUE((*shortOne)["ci_low_ms"].is_null());
  EXPECT_NE((*shortOne)["note"].get<std::string>().find("too short"), std::string::npos);
  bool geomean = false;
  for (const nlohmann::json& entry : document["geomean"]) {
    if (entry["phase"] == "total") {
      geomean = true;
      EXPECT_EQ(entry["machine"], "slow");
      EXPECT_DOUBLE_EQ(entry["change_percent"].get<double>(), 20.5);
      EXPECT_EQ(entry["limits"], nlohmann::json::array({100000}));
    }
  }
  EXPECT_TRUE(geomean);
  EXPECT_NE(document["warnings"][0].get<std::string>().find("counted on ext4, slow on tmpfs"), std::string::npos);
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
  const std::string good = ResultFileText(SweepOf("lab", {{100, {10}}}));
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
      {Write("format.json", replaced("sievebench-sweep/3", "\\u001b[2Jother/1")),
       "format.json: malformed: format: '\\x1B[2Jother/1' is not"},
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
  EXPECT_EQ(errors.find('\x1b'), std::string::npos);
  EXPECT_NE(errors.find("tampered.json: tampered: limit 100, run 1: loop-counter 29, not 28"), std::string::npos);
  EXPECT_NE(Read("out.txt").find("  100  count  10 ms  n=1"), std::string::npos) << Read("out.txt");

  EXPECT_EQ(Compare(sound + " " + tampered), 1);
  EXPECT_EQ(Compare(sound + " " + sound + " --markdown table.md"), 0);
  EXPECT_NE(Read("table.md").find("| lab \\(sound\\.json\\) | lab \\(sound\\.json\\) |"), std::string::npos)
      << Read("table.md");
}

// --fail-slower gates on the total's geomean, and a refused file outranks it.
TEST_F(CompareRun, FailSlowerGivesThreeForASignificantSlowdown) {
  const std::string base = Write("base.json", ResultFileText(SweepOf("base", {{100000, Base}})));
  const std::string slow = Write("slow.json", ResultFileText(SweepOf("slow", {{100000, {120, 121, 119, 122, 120, 121}}})));
  const std::string noisy = Write("noisy.json", ResultFileText(SweepOf("noisy", {{100000, {100, 140, 99, 101, 98, 150}}})));
  const std::string broken = Write("broken.json", "{");
  struct Case {
    std::string Arguments;
    int Status;
  };
  const Case cases[] = {
      {base + " " + slow + " --fail-slower 10", 3},
      {base + " " + slow + " --fail-slower 25", 0},   // +20.5 % is within the gate
      {base + " " + noisy + " --fail-slower 1", 0},   // +1 % and not significant
      {base + " " + slow, 0},                         // no gate asked for
      {base + " " + slow + " " + broken + " --fail-slower 10", 2},
      {base + " " + slow + " --fail-slower -1", 2},
      {base + " " + slow + " --alpha 0", 2},
      {base + " " + slow + " --alpha 1.5", 2},
      {base + " " + slow + " --alpha 0.001 --fail-slower 10", 0},  // 2/924 is not below 0.001
  };
  for (const Case& test : cases) {
    EXPECT_EQ(Compare(test.Arguments), test.Status) << test.Arguments << "\n" << Read("err.txt");
  }
  EXPECT_EQ(Compare(base + " " + slow + " --fail-slower 10 --json out.json"), 3);
  EXPECT_NE(Read("err.txt").find("slow is significantly slower than base: its total geomean +20.5% is past the "
                                 "gate of 10%"),
            std::string::npos)
      << Read("err.txt");
  EXPECT_EQ(nlohmann::json::parse(Read("out.json"))["rows"].size(), 8u);
}

TEST_F(CompareRun, OptionMistakesGiveTwo) {
  EXPECT_EQ(Compare(""), 2);
  EXPECT_NE(Read("err.txt").find("files is required"), std::string::npos) << Read("err.txt");
  EXPECT_EQ(Compare("--bogus a.json"), 2);
  EXPECT_EQ(Compare("--chart chart.pdf a.json"), 2);
  EXPECT_NE(Read("err.txt").find(".svg or .png"), std::string::npos);
  EXPECT_EQ(Compare("--help"), 0);
  EXPECT_NE(Read("out.txt").find("--markdown"), std::string::npos);
  EXPECT_NE(Read("out.txt").find("--fail-slower"), std::string::npos);
  EXPECT_EQ(Compare("--version"), 0);
  EXPECT_EQ(Read("out.txt"), "sievebench-compare " SIEVEBENCH_VERSION "\n");
}
