// SPDX-License-Identifier: MIT
// A comparison as data, for scripts and for the page: every figure and
// decision of the text table, with the same notes.
#pragma once

#include <string>

#include "results/comparison.h"

// The format's name and version, the document's "format" key.
extern const char ComparisonFormat[];

// `version` is the tool's that made it.
std::string ComparisonJson(const Comparison& comparison, const std::string& version);
