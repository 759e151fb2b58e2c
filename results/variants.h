// SPDX-License-Identifier: MIT
// The setups of one sweep, and the pairs their rounds make: a round runs
// every setup once at each limit, close together in time, so the two runs
// of one round meet the same state of the machine and their ratio is free
// of the slow spells that come and go between rounds.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "results/model.h"
#include "results/phases.h"

// A sweep runs at most this many variants: each becomes a column of its
// own in a comparison, which a file from elsewhere must not multiply
// without bound.
inline constexpr size_t MostVariants = 32;

// Why `name` cannot name a variant, or "": names are 1 to 32 letters,
// digits, '.', '_' or '-', so they are safe in every view and in the CSV.
std::string VariantNameProblem(const std::string& name);

// The variant a run belongs to: runs of files before variants belong to
// DefaultVariant.
std::string VariantOf(const RunRecord& run);

// Whether `run` is one of `variant`'s runs; every run is when `variant` is "".
bool OfVariant(const RunRecord& run, const std::string& variant);

// The variants that `runs` ran, in the order they first appear.
std::vector<std::string> VariantsInOrder(const std::vector<RunRecord>& runs);

// A measured valid run's time of one phase, by round, for one variant and
// limit; runs without a round (files before rounds) are left out.
std::map<uint32_t, double> TimesByRound(const std::vector<RunRecord>& runs, const std::string& variant,
                                        uint32_t limit, TimedPhase phase);
