// SPDX-License-Identifier: MIT
// Writes a fleet's worth of made-up result files for the archive's scale
// check (tools/archive-bench): MACHINES machines of SWEEPS weekly sweeps,
// each LIMITS limits of RUNS runs. The whole fleet gets 5 % faster a third of
// the way in, and the first machine 8 % slower two thirds in, with a new
// kernel, so the history has steps to find.
//   sievebench_made_up_archive DIR MACHINES SWEEPS LIMITS RUNS
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "results/result_file.h"
#include "tests/support/made_up_history.h"

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s DIR MACHINES SWEEPS LIMITS RUNS\n", argv[0]);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  const auto machines = std::strtoul(argv[2], nullptr, 10);
  const auto sweeps = std::strtoul(argv[3], nullptr, 10);
  const auto limits = std::strtoul(argv[4], nullptr, 10);
  const auto runs = std::strtoul(argv[5], nullptr, 10);
  std::filesystem::create_directories(dir);
  for (unsigned long machine = 0; machine < machines; ++machine) {
    char label[32];
    std::snprintf(label, sizeof label, "m%03lu", machine);
    std::vector<std::vector<std::vector<double>>> byLimit;  // limit, sweep, run
    for (unsigned long limit = 0; limit < limits; ++limit) {
      HistoryShape shape;
      shape.Sweeps = sweeps;
      shape.Runs = runs;
      shape.LevelMs = 20.0 * static_cast<double>(limit + 1);
      shape.Seed = machine * 1000 + limit + 1;
      shape.Steps = {{sweeps / 3, 0.95}};
      if (machine == 0) {
        shape.Steps.emplace_back(2 * sweeps / 3, 1.08);
      }
      byLimit.push_back(MadeUpTimes(shape));
    }
    for (unsigned long sweep = 0; sweep < sweeps; ++sweep) {
      std::map<uint32_t, std::vector<double>> times;
      for (unsigned long limit = 0; limit < limits; ++limit) {
        times[static_cast<uint32_t>(100000 * (limit + 1))] = byLimit[limit][sweep];
      }
      SweepResult result = MadeUpSweep(label, WeeklyDate(sweep), times);
      if (machine == 0 && sweep >= 2 * sweeps / 3) {
        result.Host.Kernel = "6.8.0";
      }
      std::ofstream(dir / (std::string(label) + "-" + std::to_string(sweep) + ".json")) << ResultFileText(result);
    }
  }
  return 0;
}
