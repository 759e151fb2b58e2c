// SPDX-License-Identifier: MIT
// The millisecond tick counter on Windows: GetTickCount, which wraps modulo
// 2^32 and moves in steps of the system timer (about 15.6 ms by default).
#include "platform/platform.h"
#include "platform/windows/windows_api.h"

uint32_t ReadTickCount() {
  return GetTickCount();
}
