// SPDX-License-Identifier: MIT
// A Windows program that takes its limit like the benchmark and then never
// ends: the sweep must end it at its time-out and go on.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>

int main() {
  char line[64];
  if (std::fgets(line, sizeof line, stdin) == nullptr) {
    return 1;
  }
  std::puts("Looking for primes, forever...");
  std::fflush(stdout);
  Sleep(INFINITE);
  return 0;
}
