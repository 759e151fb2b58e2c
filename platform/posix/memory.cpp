// SPDX-License-Identifier: MIT
// Sieve memory. Large arrays are mapped on a 2 MiB boundary and offered to
// transparent huge pages, so the fill pays one page fault per 2 MiB instead
// of one per 4 KiB; the kernel still clears each page at first touch, inside
// the timed fill. Where huge pages are not offered, ordinary pages serve.
#include <cstdint>
#include <sys/mman.h>

#include "platform/fault_injection.h"
#include "platform/platform.h"

static constexpr uintptr_t HugePageSize = uintptr_t{2} * 1024 * 1024;

static uintptr_t RoundUpToHugePage(uintptr_t value) {
  return (value + HugePageSize - 1) & ~(HugePageSize - 1);
}

unsigned char* ReserveBlock(uint32_t size) {
  if (FaultInjected(FaultReserve) || size == 0) {
    return nullptr;
  }
  const uintptr_t length = RoundUpToHugePage(size);
  // Map one huge page more than needed, then trim both ends to the boundary.
  const uintptr_t mappedLength = length + HugePageSize;
  void* const mapped = mmap(nullptr, mappedLength, PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) {
    return nullptr;
  }
  unsigned char* const start = static_cast<unsigned char*>(mapped);
  const uintptr_t head = RoundUpToHugePage(reinterpret_cast<uintptr_t>(start)) -
                         reinterpret_cast<uintptr_t>(start);
  unsigned char* const block = start + head;
  // Trimming unmaps whole pages of our own fresh mapping; a failure would only
  // leave unused address space behind, so the results are ignored on purpose.
  if (head != 0) {
    (void)munmap(start, head);
  }
  if (mappedLength - head > length) {
    (void)munmap(block + length, mappedLength - head - length);
  }
  // Only advice: without transparent huge pages the block works the same.
  (void)madvise(block, length, MADV_HUGEPAGE);
  return block;
}

unsigned char* ReleaseBlock(unsigned char* block, uint32_t size) {
  if (FaultInjected(FaultRelease) || munmap(block, RoundUpToHugePage(size)) != 0) {
    return block;
  }
  return nullptr;
}
