// SPDX-License-Identifier: MIT
// The text routines: the word-at-a-time length, the wrapping decimal reader
// and the three number writers, at the values where they can go wrong.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "text/byte_order.h"
#include "text/text.h"

// The bytes 1, 2, 3, 4 in memory are the little-endian word 0x04030201 on
// every machine, and the swap is its own inverse.
TEST(ByteOrder, WordsReadLittleEndianOnEveryMachine) {
  const unsigned char bytes[4] = {1, 2, 3, 4};
  uint32_t loaded = 0;
  std::memcpy(&loaded, bytes, sizeof loaded);
  EXPECT_EQ(LittleEndianWord(loaded), 0x04030201u);
  EXPECT_EQ(SwapBytes(0x12345678u), 0x78563412u);
  EXPECT_EQ(SwapBytes(SwapBytes(0x80FF0001u)), 0x80FF0001u);
}

TEST(TextLength, FindsTheTerminatorAtEveryPlaceInAWord) {
  alignas(4) char text[16];
  for (uint32_t start = 0; start < 4; ++start) {  // every alignment of the text
    for (uint32_t length = 0; length <= 8; ++length) {
      std::memset(text, 'x', sizeof text);
      text[start + length] = 0;
      EXPECT_EQ(TextLength(text + start), length) << "start " << start;
    }
  }
}

TEST(TextLength, HighBytesAreNeverTheTerminator) {
  struct Case {
    const char* Bytes;
    uint32_t Length;
  };
  // Each text is padded so the word read past the terminator stays inside it.
  const Case cases[] = {
      {"\x80\x81\xFF\x01\0\0\0", 4},
      {"\x80\0\0\0", 1},
      {"\xFF\xFF\xFF\xFF\xFF\0\0\0", 5},
      {"a\x01\x80\0\0\0\0", 3},  // 0x01 next to the zero: the borrow sets a flag above it
      {"\x01\x01\x01\0\0\0", 3},
      {"\0\x01\0\0", 0},
  };
  for (const Case& test : cases) {
    EXPECT_EQ(TextLength(test.Bytes), test.Length) << testing::PrintToString(std::string(test.Bytes));
  }
}

TEST(DecimalToValue, TakesEveryByteAsADigitAndWraps) {
  struct Case {
    const char* Text;
    uint32_t Value;
  };
  const Case cases[] = {
      {"", 0},
      {"0", 0},
      {"123", 123},
      {"500000", 500000},
      {"abc", 5451},
      {" 100", 240100},
      {"9999999999", 1410065407},
      {"4294967295", 4294967295u},
      {"4294967296", 0},
      {"-5", 4294967291u},
      {"-1", 4294967295u},
      {"-", 0},
      {"--1", 4294964765u},  // the second minus is the digit 253: -(253*10+1)
      {"12\n", 338},               // a line feed left in the text counts as 218
      {"\xFF", 207},
  };
  for (const Case& test : cases) {
    EXPECT_EQ(DecimalToValue(test.Text), test.Value) << testing::PrintToString(std::string(test.Text));
  }
}

TEST(NumberText, SignedUnsignedAndHexAtTheExtremes) {
  struct Case {
    uint32_t Value;
    const char* Signed;
    const char* Unsigned;
    const char* Hex;
  };
  const Case cases[] = {
      {0, "0", "0", "00000000"},
      {7, "7", "7", "00000007"},
      {10, "10", "10", "0000000A"},
      {305441741, "305441741", "305441741", "1234ABCD"},
      {1000000000, "1000000000", "1000000000", "3B9ACA00"},
      {2147483647, "2147483647", "2147483647", "7FFFFFFF"},
      {2147483648u, "-2147483648", "2147483648", "80000000"},
      {4294967295u, "-1", "4294967295", "FFFFFFFF"},
      {4294967291u, "-5", "4294967291", "FFFFFFFB"},
  };
  for (const Case& test : cases) {
    char buffer[DecimalBufferSize];
    std::memset(buffer, '#', sizeof buffer);
    ValueToDecimal(test.Value, buffer);
    EXPECT_STREQ(buffer, test.Signed);
    std::memset(buffer, '#', sizeof buffer);
    UnsignedToDecimal(test.Value, buffer);
    EXPECT_STREQ(buffer, test.Unsigned);
    std::memset(buffer, '#', sizeof buffer);
    ValueToHex(test.Value, buffer);
    EXPECT_STREQ(buffer, test.Hex);
  }
}

TEST(NumberText, EveryPowerOfTenAndItsNeighbours) {
  for (uint64_t power = 1; power <= 1000000000; power *= 10) {
    for (const uint64_t value : {power - 1, power, power + 1}) {
      char buffer[DecimalBufferSize];
      UnsignedToDecimal(static_cast<uint32_t>(value), buffer);
      EXPECT_EQ(std::string(buffer), std::to_string(value));
    }
  }
}

TEST(CutAtReturn, EndsTheTextWithinTheBytesRead) {
  struct Case {
    std::string Bytes;  // what the read delivered
    std::string After;  // the buffer's first bytes afterwards
  };
  const Case cases[] = {
      {std::string("12\r\n", 4), std::string("12\0\n", 4)},
      {std::string("\r\n", 2), std::string("\0\n", 2)},
      {std::string("1\r2\r\n", 5), std::string("1\0" "2\r\n", 5)},
      {std::string("123", 3), std::string("123\0", 4)},  // no return: the text ends where the bytes do
      {std::string(), std::string("\0", 1)},
  };
  for (const Case& test : cases) {
    char buffer[8];
    std::memset(buffer, 'z', sizeof buffer);  // no return anywhere past the bytes read
    std::memcpy(buffer, test.Bytes.data(), test.Bytes.size());
    CutAtReturn(buffer, static_cast<uint32_t>(test.Bytes.size()));
    EXPECT_EQ(std::string(buffer, test.After.size()), test.After) << testing::PrintToString(test.Bytes);
  }
}
