// SPDX-License-Identifier: MIT
// High process priority for the timed phases: the high priority class.
#include "platform/platform.h"
#include "platform/windows/windows_api.h"

void RaiseProcessPriority() {
  // Without the right to raise it the run goes on at its normal priority,
  // so the result is ignored on purpose.
  (void)SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
}
