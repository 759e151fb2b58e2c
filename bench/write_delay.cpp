// SPDX-License-Identifier: MIT
// A known slowdown for the noise check: preloaded into the benchmark, it
// spins a fixed time after every write(2). The count phase writes one
// record per odd prime, so it grows by that time per record, a known share
// of the phase, while the other phases stay as they were. The spin reads
// the monotonic clock, so it costs the same whatever the processor's speed.
#include <dlfcn.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace {

using WriteCall = ssize_t (*)(int, const void*, size_t);

int64_t NowNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

// SIEVEBENCH_WRITE_DELAY_NS, read once; 0 when unset.
int64_t DelayNs() {
  static const int64_t delay = [] {
    const char* text = std::getenv("SIEVEBENCH_WRITE_DELAY_NS");
    return text == nullptr ? int64_t{0} : std::strtoll(text, nullptr, 10);
  }();
  return delay;
}

}  // namespace

extern "C" ssize_t write(int fd, const void* bytes, size_t count) {
  static const auto next = reinterpret_cast<WriteCall>(dlsym(RTLD_NEXT, "write"));
  const ssize_t written = next(fd, bytes, count);
  if (DelayNs() <= 0) {
    return written;
  }
  const int64_t until = NowNs() + DelayNs();
  while (NowNs() < until) {
  }
  return written;
}
