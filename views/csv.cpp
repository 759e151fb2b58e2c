// SPDX-License-Identifier: MIT
// Every field is a number or true/false, so no field needs quoting.
#include "views/csv.h"

#include <sstream>

std::string RunsCsv(const std::vector<RunRecord>& runs) {
  std::ostringstream csv;
  csv << "limit,run,warmup,init_ms,sieve_ms,count_ms,total_ms,primes,loop_counter,valid,outlier\n";
  for (const RunRecord& run : runs) {
    csv << run.Limit << ',' << run.Run << ',' << (run.Warmup ? "true" : "false") << ',';
    if (run.Parsed) {
      const Report& values = run.Values;
      csv << values.InitMs << ',' << values.SieveMs << ',' << values.CountMs << ',' << values.TotalMs << ','
          << values.Primes << ',' << values.LoopCounter;
    } else {
      csv << ",,,,,";
    }
    csv << ',' << (run.Valid ? "true" : "false") << ',' << (run.Outlier ? "true" : "false") << '\n';
  }
  return csv.str();
}
