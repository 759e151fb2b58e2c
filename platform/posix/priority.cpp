// SPDX-License-Identifier: MIT
// High process priority for the timed phases: nice -14, the value that stands
// for the high priority class on Linux.
#include <sys/resource.h>

#include "platform/platform.h"

void RaiseProcessPriority() {
  // An unprivileged user may not lower the nice value; the run then goes on
  // at its normal priority, so the result is ignored on purpose.
  (void)setpriority(PRIO_PROCESS, 0, -14);
}
