// SPDX-License-Identifier: MIT
// One fresh process that does what a run of the benchmark does up to the end
// of its fill (reserve the array, raise the priority, wait for a tick edge,
// fill), then prints the fill's time twice: in milliseconds as the benchmark
// reports it, and in microseconds. A fresh process matters: only its first
// touch of each page pays the page fault, the clearing and any compaction.
// Built twice: with the benchmark's own reservation, and, as the floor, with
// the plain build's (plain_memory.cpp: malloc's ordinary pages).
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"
#include "sieve/driver.h"
#include "sieve/run_state.h"
#include "sieve/sieve_array.h"

int main(int argc, char** argv) {
  const unsigned long limit = argc == 2 ? std::strtoul(argv[1], nullptr, 10) : 0;
  if (limit == 0 || limit > 1000000000) {
    std::fprintf(stderr, "usage: %s LIMIT (1 to 10^9)\n", argv[0]);
    return 2;
  }
  RunState.ArraySize = static_cast<uint32_t>(limit + 1);
  RunState.SieveArray = ReserveBlock(RunState.ArraySize);
  if (RunState.SieveArray == nullptr) {
    std::fprintf(stderr, "no memory for %lu bytes\n", limit + 1);
    return 1;
  }
  RaiseProcessPriority();
  const uint32_t startTick = WaitForTickEdge();
  const auto start = std::chrono::steady_clock::now();
  InitializeArray();
  const auto end = std::chrono::steady_clock::now();
  const uint32_t milliseconds = ReadTickCount() - startTick;
  std::printf("%u %.1f\n", milliseconds, std::chrono::duration<double, std::micro>(end - start).count());
  return 0;
}
