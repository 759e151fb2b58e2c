// SPDX-License-Identifier: MIT
// The sweep's result file: JSON whose keys are the format's documentation
// (README, "Result files"). Written by the sweep, read back by the sweep's
// tests and by sievebench-compare, and readable by any JSON tool.
#pragma once

#include <string>

#include "results/model.h"

// The format's name and version, the file's "format" key.
extern const char ResultFormat[];

// The file's text. Text that is not valid UTF-8 (a label, a host name) is
// written with U+FFFD in place of the bad bytes.
std::string ResultFileText(const SweepResult& result);

// Reads and checks a whole file: JSON, the required keys, their types and the
// ranges of their numbers; keys it does not know are ignored. Returns what is
// wrong (naming the key), or "" when `result` holds the file.
std::string ReadResultText(const std::string& text, SweepResult& result);
