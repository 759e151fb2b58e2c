// SPDX-License-Identifier: MIT
// A sweep's runs for spreadsheets: one row per run.
#pragma once

#include <string>
#include <vector>

#include "results/model.h"

// "limit,run,warmup,init_ms,...": the header and one line per run; a run
// that printed no report leaves its numbers empty.
std::string RunsCsv(const std::vector<RunRecord>& runs);
