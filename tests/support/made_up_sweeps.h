// SPDX-License-Identifier: MIT
// Made-up machines for the comparison's tests: sweeps whose times are chosen
// by the test, so every decision on them can be worked out by hand.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "results/comparison.h"

// A sweep whose valid measured runs have these count times per limit; the
// other phases take 0 ms, so the total is the count.
SweepResult SweepOf(const std::string& label, const std::map<uint32_t, std::vector<uint32_t>>& counts);
// A sweep of several variants in rounds: round r runs, at each limit, every
// variant's r-th time, the variants in the order given.
using VariantTimes = std::vector<std::pair<std::string, std::map<uint32_t, std::vector<uint32_t>>>>;
SweepResult SweepOfVariants(const std::string& label, const VariantTimes& variants);
// The sweeps as compared files "dir/file0.json", ..., named as the tool names them.
std::vector<ComparedFile> Named(std::vector<SweepResult> results);

inline const std::vector<uint32_t> Base = {100, 101, 99, 100, 102, 100};  // median 100, [99, 102]
