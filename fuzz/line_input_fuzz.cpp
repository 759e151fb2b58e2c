// SPDX-License-Identifier: MIT
// Any bytes, arriving in any pieces, as the one input line: the read never
// takes more than asked or past the line feed, the cut stays inside what was
// read, and the conversion matches a plain byte-by-byte reference.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "text/text.h"

static uint32_t ReferenceValue(const char* text) {
  const bool negative = text[0] == '-';
  uint32_t value = 0;
  for (size_t index = negative ? 1 : 0; text[index] != 0; ++index) {
    value = value * 10u + static_cast<uint8_t>(static_cast<uint8_t>(text[index]) - 48u);
  }
  return negative ? 0u - value : value;
}

// The first byte chooses the piece size; the rest is what arrives on stdin.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 4096) {
    return 0;
  }
  const size_t piece = data[0] % 16 + 1;
  const char* input = reinterpret_cast<const char*>(data + 1);
  const size_t length = size - 1;
  int ends[2];
  if (pipe(ends) != 0) {
    abort();
  }
  for (size_t offset = 0; offset < length; offset += piece) {
    const size_t count = length - offset < piece ? length - offset : piece;
    if (write(ends[1], input + offset, count) != static_cast<ssize_t>(count)) {
      abort();
    }
  }
  close(ends[1]);
  const int savedInput = dup(STDIN_FILENO);
  dup2(ends[0], STDIN_FILENO);
  close(ends[0]);

  static char buffer[130];
  std::memset(buffer, 0, sizeof buffer);
  const uint32_t count = ReadInput(buffer, 128);
  dup2(savedInput, STDIN_FILENO);
  close(savedInput);

  const void* lineFeed = std::memchr(input, '\n', length);
  const size_t lineLength = lineFeed == nullptr ? length : static_cast<size_t>(static_cast<const char*>(lineFeed) - input);
  if (count > 128 || buffer[128] != 0 || buffer[129] != 0) {
    abort();
  }
  // Every delivered byte comes from the first line, with a CR LF at its end.
  const size_t copied = lineLength < count ? lineLength : count;
  if (std::memcmp(buffer, input, copied) != 0) {
    abort();
  }
  CutAtReturn(buffer, count);
  if (std::memchr(buffer, 0, count + 1) == nullptr) {
    abort();
  }
  if (DecimalToValue(buffer) != ReferenceValue(buffer)) {
    abort();
  }
  return 0;
}
