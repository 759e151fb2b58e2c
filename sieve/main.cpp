// SPDX-License-Identifier: MIT
// The process starts the one run and nothing else.
#include "sieve/driver.h"

int main() {
  RunSieveBenchmark();
}
