// SPDX-License-Identifier: MIT
// Each phase maps to its field here and nowhere else, so a loop over
// AllPhases replaces four lines that name the fields.
#include "results/phases.h"

const char* PhaseName(TimedPhase phase) {
  switch (phase) {
    case TimedPhase::Init: return "init";
    case TimedPhase::Sieve: return "sieve";
    case TimedPhase::Count: return "count";
    case TimedPhase::Total: return "total";
  }
  return "total";
}

std::string PhaseKey(TimedPhase phase) {
  return std::string(PhaseName(phase)) + "_ms";
}

uint32_t& PhaseMs(Report& values, TimedPhase phase) {
  switch (phase) {
    case TimedPhase::Init: return values.InitMs;
    case TimedPhase::Sieve: return values.SieveMs;
    case TimedPhase::Count: return values.CountMs;
    case TimedPhase::Total: return values.TotalMs;
  }
  return values.TotalMs;
}

uint32_t PhaseMs(const Report& values, TimedPhase phase) {
  return PhaseMs(const_cast<Report&>(values), phase);  // NOLINT: the same field, read only
}

Spread& PhaseSpread(LimitSummary& summary, TimedPhase phase) {
  switch (phase) {
    case TimedPhase::Init: return summary.Init;
    case TimedPhase::Sieve: return summary.Sieve;
    case TimedPhase::Count: return summary.Count;
    case TimedPhase::Total: return summary.Total;
  }
  return summary.Total;
}

const Spread& PhaseSpread(const LimitSummary& summary, TimedPhase phase) {
  return PhaseSpread(const_cast<LimitSummary&>(summary), phase);  // NOLINT: the same field, read only
}
