// SPDX-License-Identifier: MIT
// The process's start and end on Windows. A write to a pipe whose reader has
// gone away fails like any other write and raises no signal, and a missing
// standard handle is never reused for a file, so there is nothing to prepare.
#include "platform/platform.h"
#include "platform/windows/windows_api.h"

void PrepareProcess() {
}

void EndProcess() {
  ExitProcess(0);
}
