// SPDX-License-Identifier: MIT
// The entry point of one run, from the prompt to the end of the process.
#pragma once

#include <cstdint>

// Asks for the limit, runs the three timed phases, prints the report and ends
// the process with exit status 0 on every path.
[[noreturn]] void RunSieveBenchmark();
// Waits for the tick counter to change and returns the new reading, so a
// phase starts at the beginning of a tick.
uint32_t WaitForTickEdge();
