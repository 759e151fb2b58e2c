// SPDX-License-Identifier: MIT
// The test build's fault switch. SIEVEBENCH_FAULT holds "name:N[,name:N...]":
// the N-th call (from 1) of each named operation fails. Only the test build
// of the platform layer reads the environment.
#include "platform/fault_injection.h"

#include <cstdlib>
#include <cstring>

static const char* const FaultNames[FaultPointCount] = {
    "console-write", "console-read", "file-create", "record-write",
    "short-write",   "file-close",   "reserve",     "release",
};

struct FaultSchedule {
  bool Parsed;                          // the environment has been read
  unsigned long FailAt[FaultPointCount];  // the call number that fails; 0 for none
  unsigned long Calls[FaultPointCount];   // calls made so far
};

static FaultSchedule Schedule;

static void ParseOne(const char* entry, size_t length) {
  for (int point = 0; point < FaultPointCount; ++point) {
    const size_t nameLength = std::strlen(FaultNames[point]);
    if (length > nameLength && std::strncmp(entry, FaultNames[point], nameLength) == 0 &&
        entry[nameLength] == ':') {
      Schedule.FailAt[point] = std::strtoul(entry + nameLength + 1, nullptr, 10);
    }
  }
}

static void ParseSchedule() {
  Schedule.Parsed = true;
  const char* text = std::getenv("SIEVEBENCH_FAULT");
  while (text != nullptr && *text != 0) {
    const char* comma = std::strchr(text, ',');
    const size_t length = comma == nullptr ? std::strlen(text) : static_cast<size_t>(comma - text);
    ParseOne(text, length);
    text = comma == nullptr ? nullptr : comma + 1;
  }
}

bool FaultInjected(FaultPoint point) {
  if (!Schedule.Parsed) {
    ParseSchedule();
  }
  return ++Schedule.Calls[point] == Schedule.FailAt[point];
}
