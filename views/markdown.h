// SPDX-License-Identifier: MIT
// A comparison as Markdown, for an issue tracker or a wiki: the same
// decisions and layout as the terminal's, with every text from a file escaped.
#pragma once

#include <string>

#include "results/comparison.h"

std::string ComparisonMarkdown(const Comparison& comparison);
