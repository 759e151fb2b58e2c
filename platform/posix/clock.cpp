// SPDX-License-Identifier: MIT
// The millisecond tick counter: the monotonic clock cut to 32 bits, so phase
// lengths are differences modulo 2^32 and survive a wrap.
#include <ctime>

#include "platform/platform.h"

uint32_t ReadTickCount() {
  timespec now{};
  // CLOCK_MONOTONIC cannot fail with a valid address; the result is ignored on purpose.
  (void)clock_gettime(CLOCK_MONOTONIC, &now);
  const uint64_t milliseconds = static_cast<uint64_t>(now.tv_sec) * 1000u +
                                static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(milliseconds);
}
