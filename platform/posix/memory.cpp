// SPDX-License-Identifier: MIT
// Sieve memory: one fresh anonymous mapping of ordinary pages, as plain as
// Windows's fixed GlobalAlloc block. The kernel clears each page at its first
// touch, inside the timed fill; nothing touches the array before it.
//
// Why no huge pages. A huge page saves page faults, but its first touch
// clears 2 MiB at once and must find a free 2 MiB block, which a virtual
// machine that hands freed memory back to its host gets backed anew; the
// fill then measures the host, not the sieve. Measured in fresh processes
// (tools/bench --pages), interleaved with a plain build whose array comes
// from malloc, on a 2-core KVM microVM (AMD EPYC, Linux 6.18, huge pages and
// defrag `madvise`), with huge pages offered from 64 KiB up; the fill in ms,
// median / 90th percentile / worst, 30 runs a size, 6 at 10^8:
//   fill alone, 10^5:         0.20 / 0.25 / 4.55   plain 0.06 / 0.07 / 0.16
//   fill alone, 10^7:         2.32 / 2.63 / 27.0   plain 6.19 / 6.60 / 16.9
//   whole runs' fill, 10^7:   2 / 9 / 31           plain 5 / 7 / 35
//   whole runs' fill, 10^8:   65 / 210 / 210       plain 53 / 65 / 65
// Huge pages won the fill's median from 5*10^5 on and lost its tail, and
// whole runs back to back, as a sweep makes them, lost at 10^8 outright. No
// size rule held on both, so every array gets ordinary pages: the plain
// build's own, which the same check finds equal at every size (README,
// "The page policy"). Where the kernel gives huge pages to all memory
// ("always"), the mapping asks for ordinary ones.
#include <cstdint>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include "platform/fault_injection.h"
#include "platform/platform.h"

// The build's page policy, in words the sweep reads out of the program file
// into its result file: "page" is the machine's ordinary page.
[[gnu::used]] static const char PagePolicyTag[] = "sievebench-page-policy=page;";

// Whether the kernel gives huge pages to every mapping it can ("always"),
// where an array of ordinary pages must say so.
#ifdef MADV_NOHUGEPAGE
static bool HugePagesWithoutAdvice() {
  const int file = open("/sys/kernel/mm/transparent_hugepage/enabled", O_RDONLY | O_CLOEXEC);
  if (file < 0) {
    return false;
  }
  char text[64] = {};
  const ssize_t length = read(file, text, sizeof text - 1);
  (void)close(file);  // a read-only file: nothing is lost if closing fails
  return length > 8 && text[0] == '[' && text[1] == 'a';  // "[always] madvise never"
}
#endif

unsigned char* ReserveBlock(uint32_t size) {
  if (FaultInjected(FaultReserve) || size == 0) {
    return nullptr;
  }
  void* const mapped = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) {
    return nullptr;
  }
#ifdef MADV_NOHUGEPAGE
  if (HugePagesWithoutAdvice()) {
    // Only advice, and Linux's alone: refused, the block works the same.
    (void)madvise(mapped, size, MADV_NOHUGEPAGE);
  }
#endif
  return static_cast<unsigned char*>(mapped);
}

// The kernel unmaps the whole pages that hold the block's bytes.
unsigned char* ReleaseBlock(unsigned char* block, uint32_t size) {
  if (FaultInjected(FaultRelease) || munmap(block, size) != 0) {
    return block;
  }
  return nullptr;
}
