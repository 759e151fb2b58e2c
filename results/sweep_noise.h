// SPDX-License-Identifier: MIT
// What a sweep says of its own noise. Two sweeps of different machines
// cannot share rounds, so the noise between sweeps (the machine's slow and
// fast spells, which last seconds and fall on whole runs) is read from each
// sweep itself: its first half of runs against its second. And a sweep
// whose times trend along its order drifted: something changed while it ran.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "results/model.h"
#include "results/phases.h"

// The log of a time for ratios: a 0 ms reading (less than one tick) counts
// as half a tick, so that every run gives a finite ratio.
double LogTime(double ms, double resolution);
std::vector<double> LogTimes(const std::vector<double>& times, double resolution);

// One phase's measured valid times at `limit` in the order they ran (the
// file's order), of one variant, or of every run when `variant` is "".
std::vector<double> TimesInOrder(const SweepResult& result, const std::string& variant, uint32_t limit,
                                 TimedPhase phase);

// The Hodges-Lehmann log shift of the second half of `inOrder` against the
// first (the middle one left out of an odd count); none for fewer than 4.
std::optional<double> HalvesShift(const std::vector<double>& inOrder, double resolution);

// A change between two separate sweeps, `change` (a log ratio), set against
// the noise between sweeps that their halves show, `halfA` and `halfB` (log
// shifts). Model: each half of a sweep meets a spell of its own, a log
// offset of spread tau; a sweep's level is its halves' mean, so a change
// between sweeps has variance tau^2 and a sweep's halves differ with
// variance 2 tau^2. Then s^2 = (halfA^2 + halfB^2) / 4 estimates tau^2 with
// 2 degrees of freedom and change / s follows Student's t with 2 degrees of
// freedom, whose two-sided p-value is 1 - |t| / sqrt(t^2 + 2).
struct BetweenSweeps {
  double P = 1;
  double SmallestLogChange = 0;  // the least |change| with P < alpha
};
BetweenSweeps BetweenSweepsTest(double change, double halfA, double halfB, double alpha);

// One warning per column whose own halves differ at some limit, on their
// totals (the rank-sum test of the first half against the second, p < alpha).
std::vector<std::string> HalvesWarnings(const SweepResult& result, const std::string& variant,
                                        const std::string& name, double alpha);

// One warning per column whose totals trend along its runs at some limit
// (Kendall's test, p < DriftAlpha over at least 6 runs), naming it as `name`.
inline constexpr double DriftAlpha = 0.01;
std::vector<std::string> DriftWarnings(const SweepResult& result, const std::string& variant,
                                       const std::string& name);
