// SPDX-License-Identifier: MIT
// The number conversions on any 32-bit value, against the standard library,
// and back through DecimalToValue.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "text/text.h"

static void Expect(bool holds) {
  if (!holds) {
    abort();
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) {
    return 0;
  }
  uint32_t value = 0;
  std::memcpy(&value, data, sizeof value);
  alignas(4) char buffer[DecimalBufferSize];

  UnsignedToDecimal(value, buffer);
  Expect(buffer == std::to_string(value));
  Expect(TextLength(buffer) == std::strlen(buffer));
  Expect(DecimalToValue(buffer) == value);

  ValueToDecimal(value, buffer);
  Expect(buffer == std::to_string(static_cast<int32_t>(value)));
  Expect(DecimalToValue(buffer) == value);

  char expectedHex[16];
  std::snprintf(expectedHex, sizeof expectedHex, "%08X", value);
  ValueToHex(value, buffer);
  Expect(std::strcmp(buffer, expectedHex) == 0);
  return 0;
}
