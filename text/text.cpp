// SPDX-License-Identifier: MIT
// Console and text routines. They keep no state and report no errors: the
// benchmark's report must come out the same whatever the console does.
#include "text/text.h"

#include <cstring>

#include "platform/platform.h"
#include "text/byte_order.h"

uint32_t TextLength(const char* text) {
  uint32_t offset = 0;
  for (;;) {
    uint32_t loaded = 0;
    std::memcpy(&loaded, text + offset, sizeof loaded);
    const uint32_t word = LittleEndianWord(loaded);  // byte 0 of the text is the low byte
    const uint32_t flags = (word - 0x01010101u) & ~word & 0x80808080u;
    if (flags != 0) {
      // Flags above the first zero byte may come from the borrow: the lowest wins.
      if ((flags & 0x8080u) != 0) {
        return offset + ((flags & 0x80u) != 0 ? 0u : 1u);
      }
      return offset + ((flags & 0x800000u) != 0 ? 2u : 3u);
    }
    offset += 4;
  }
}

uint32_t PrintText(const char* text) {
  return WriteStandardOutput(text, TextLength(text));
}

// The unread rest of an over-long line would reach whoever reads the console
// next (a shell would run it), so it is consumed up to its line feed.
static void DiscardRestOfLine() {
  char byte = 0;
  while (ReadStandardInputByte(&byte) && byte != '\n') {
  }
}

// Delivers the line as a console in line mode does, from a console, a pipe or
// a file alike: never past the line feed, ending in CR LF when the line had
// an end, at most `maximum` bytes.
uint32_t ReadInput(char* buffer, uint32_t maximum) {
  SetLineInputMode();
  uint32_t count = 0;
  char byte = 0;
  while (count < maximum) {
    if (!ReadStandardInputByte(&byte)) {
      return count;  // end of input or an error: the bytes so far are the line
    }
    if (byte == '\n') {
      if (count == 0 || buffer[count - 1] != '\r') {
        buffer[count++] = '\r';  // LF alone becomes CR LF, as a console ends lines
      }
      if (count < maximum) {
        buffer[count++] = '\n';
      }
      return count;
    }
    buffer[count++] = byte;
  }
  DiscardRestOfLine();
  return count;
}

void CutAtReturn(char* text, uint32_t byteCount) {
  for (uint32_t index = 0; index < byteCount; ++index) {
    if (text[index] == '\r') {
      text[index] = 0;  // the line feed after it stays
      return;
    }
  }
  text[byteCount] = 0;
}

uint32_t DecimalToValue(const char* text) {
  const bool negative = text[0] == '-';
  uint32_t value = 0;
  for (const char* byte = negative ? text + 1 : text; *byte != 0; ++byte) {
    const auto digit = static_cast<uint8_t>(static_cast<uint8_t>(*byte) - '0');
    value = value * 10u + digit;
  }
  return negative ? 0u - value : value;
}

// Digits least significant first, divided by 10 through the reciprocal
// 0xCCCCCCCD and a shift of 35 (no division instruction), then reversed in place.
void UnsignedToDecimal(uint32_t value, char* buffer) {
  uint32_t count = 0;
  do {
    const uint64_t product = static_cast<uint64_t>(value) * 0xCCCCCCCDull;
    const auto quotient = static_cast<uint32_t>(product >> 35);
    buffer[count++] = static_cast<char>('0' + (value - quotient * 10u));
    value = quotient;
  } while (value != 0);
  buffer[count] = 0;
  for (uint32_t low = 0, high = count - 1; low < high; ++low, --high) {
    const char swapped = buffer[low];
    buffer[low] = buffer[high];
    buffer[high] = swapped;
  }
}

void ValueToDecimal(uint32_t value, char* buffer) {
  if ((value & 0x80000000u) != 0) {
    *buffer++ = '-';
    value = 0u - value;  // unsigned, so 2147483648 stays whole
  }
  UnsignedToDecimal(value, buffer);
}

void PrintDecimal(uint32_t value, char* digits) {
  UnsignedToDecimal(value, digits);
  PrintText(digits);
}

void ValueToHex(uint32_t value, char* buffer) {
  buffer[8] = 0;
  for (int index = 7; index >= 0; --index) {
    const uint32_t nibble = value & 0xFu;
    buffer[index] = static_cast<char>(nibble < 10 ? '0' + nibble : 'A' + nibble - 10);
    value >>= 4;
  }
}
