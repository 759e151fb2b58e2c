// SPDX-License-Identifier: MIT
// The sweep's options and their mistakes, and the conditions it warns of
// before the first run.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "sweep/options.h"
#include "results/result_file.h"
#include "results/report.h"
#include "host/digest.h"
#include "sweep/noise.h"

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
