// SPDX-License-Identifier: MIT
// The views of a comparison on made-up machines: a fleet within 160 columns,
// hostile labels kept from the terminal and Markdown, and JSON read back.
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
#include "tests/support/made_up_sweeps.h"
#include "tests/support/test_files.h"


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
  // The median of the 36 ratios 120/100; the interval is worked in the comparison's test.
  EXPECT_NEAR((*count)["change_percent"].get<double>(), 20.0, 1e-9);
  EXPECT_NEAR((*count)["change_high_percent"].get<double>(), 22.0, 1e-9);
  EXPECT_EQ((*count)["test"], "rank-sum");
  EXPECT_EQ((*count)["pairs"], 0);
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
