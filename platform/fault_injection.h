// SPDX-License-Identifier: MIT
// Lets a test build make the N-th call of a platform operation fail, so every
// failure path of the run can be exercised end to end. In the shipped build
// every check is a constant false and disappears.
#pragma once

enum FaultPoint {
  FaultConsoleWrite,
  FaultConsoleRead,
  FaultFileCreate,
  FaultRecordWrite,
  FaultShortRecordWrite,
  FaultFileClose,
  FaultReserve,
  FaultRelease,
  FaultPointCount
};

#ifdef SIEVEBENCH_FAULT_INJECTION
// True when this call of `point` is the one chosen to fail. The choice comes
// from SIEVEBENCH_FAULT="name:N" (names as in fault_injection.cpp).
bool FaultInjected(FaultPoint point);
#else
constexpr bool FaultInjected(FaultPoint) { return false; }
#endif
