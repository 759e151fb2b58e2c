// SPDX-License-Identifier: MIT
// Before the first run: the conditions known to add noise or bias to every
// run that follows, each worth one warning while it can still be mended.
#pragma once

#include <string>
#include <vector>

#include "results/model.h"

// One sentence for each: a governor other than "performance", a load
// average near the number of cores, a priority that could not be raised
// (`raised` is the priority the benchmark asks for).
std::vector<std::string> NoiseWarnings(const RunConditions& conditions, unsigned cores, const std::string& raised);
