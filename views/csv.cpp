// SPDX-License-Identifier: MIT
// Every field is a number or true/false, so no field needs quoting.
#include "views/csv.h"

#include <sstream>

#include "results/phases.h"

std::string RunsCsv(const std::vector<RunRecord>& runs) {
  std::ostringstream csv;
  csv << "limit,run,warmup,";
  for (const TimedPhase phase : AllPhases) {
    csv << PhaseKey(phase) << ',';
  }
  csv << "primes,loop_counter,valid,outlier\n";
  for (const RunRecord& run : runs) {
    csv << run.Limit << ',' << run.Run << ',' << (run.Warmup ? "true" : "false") << ',';
    if (run.Parsed) {
      const Report& values = run.Values;
      for (const TimedPhase phase : AllPhases) {
        csv << PhaseMs(values, phase) << ',';
      }
      csv << values.Primes << ',' << values.LoopCounter;
    } else {
      csv << ",,,,,";
    }
    csv << ',' << (run.Valid ? "true" : "false") << ',' << (run.Outlier ? "true" : "false") << '\n';
  }
  return csv.str();
}
