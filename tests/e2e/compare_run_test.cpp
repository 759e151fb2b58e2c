// SPDX-License-Identifier: MIT
// sievebench-compare end to end: malformed and tampered files, --fail-slower
// and option mistakes, each with its exit status.
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
      {Write("format.json", replaced("sievebench-sweep/4", "\\u001b[2Jother/1")),
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
