// SPDX-License-Identifier: MIT
// The warnings say what to do about each condition, since the user reads
// them before hours of runs rather than after.
#include "sweep/noise.h"

#include <cstdio>

// A load average at three quarters of the cores means another program keeps
// a core busy most of the time.
static constexpr double BusyShare = 0.75;

std::vector<std::string> NoiseWarnings(const RunConditions& conditions, unsigned cores, const std::string& raised) {
  std::vector<std::string> warnings;
  if (conditions.Governor && *conditions.Governor != "performance") {
    warnings.push_back("the CPU frequency governor is " + *conditions.Governor +
                       ", not performance: the clock may change between and during runs "
                       "(cpupower frequency-set -g performance)");
  }
  if (conditions.LoadAverageStart && cores > 0 && *conditions.LoadAverageStart >= BusyShare * cores) {
    char load[64];
    std::snprintf(load, sizeof load, "%.2f", *conditions.LoadAverageStart);
    warnings.push_back(std::string("the load average is ") + load + " on " + std::to_string(cores) +
                       " cores: other programs compete with the benchmark for the CPU");
  }
  if (conditions.Priority && *conditions.Priority != raised) {
    warnings.push_back("the benchmark cannot raise its priority to " + raised + " and runs at " +
                       *conditions.Priority + ": other programs may take its CPU (run the sweep with the right "
                       "to raise it, as root or with CAP_SYS_NICE)");
  }
  return warnings;
}
