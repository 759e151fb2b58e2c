// SPDX-License-Identifier: MIT
// Every field is a number, true/false or a variant's name, whose letters
// are checked wherever a name comes in, so no field needs quoting.
#include "views/csv.h"

#include <sstream>

#include "results/phases.h"
#include "results/variants.h"

std::string RunsCsv(const std::vector<RunRecord>& runs) {
  std::ostringstream csv;
  csv << "limit,run,warmup,";
  for (const TimedPhase phase : AllPhases) {
    csv << PhaseKey(phase) << ',';
  }
  csv << "primes,loop_counter,valid,outlier,round,variant\n";
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
    csv << ',' << (run.Valid ? "true" : "false") << ',' << (run.Outlier ? "true" : "false") << ',' << run.Round << ','
        << VariantOf(run) << '\n';
  }
  return csv.str();
}
