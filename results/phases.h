// SPDX-License-Identifier: MIT
// The benchmark's timed phases, listed once for every file, statistic and
// view: in the order the report prints them, each with the one name it goes
// by in keys, tables and charts.
#pragma once

#include <cstdint>
#include <string>

#include "results/model.h"

enum class TimedPhase { Init, Sieve, Count, Total };
inline constexpr TimedPhase AllPhases[] = {TimedPhase::Init, TimedPhase::Sieve, TimedPhase::Count, TimedPhase::Total};

const char* PhaseName(TimedPhase phase);  // "init", "sieve", "count", "total"
// "init_ms", ...: the key or column of a phase's time in files.
std::string PhaseKey(TimedPhase phase);
uint32_t PhaseMs(const Report& values, TimedPhase phase);
uint32_t& PhaseMs(Report& values, TimedPhase phase);
const Spread& PhaseSpread(const LimitSummary& summary, TimedPhase phase);
Spread& PhaseSpread(LimitSummary& summary, TimedPhase phase);
