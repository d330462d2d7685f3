// Decimal and reversed hexadecimal numbers, and their failures.
#include "support/messages.h"
#include "support/numbers.h"

#include <gtest/gtest.h>

using testing::ExitedWithCode;

namespace {

const QString kFile = QStringLiteral("run%1.tio");

} // namespace

TEST(NumbersTest, DecimalDigitsWrapSilently) {
  EXPECT_EQ(ReadDecimal("", kFile), 0u);
  EXPECT_EQ(ReadDecimal("0042", kFile), 42u);
  EXPECT_EQ(ReadDecimal("4294967295", kFile), 4294967295u);
  EXPECT_EQ(ReadDecimal("4294967296", kFile), 0u);
  EXPECT_EQ(ReadDecimalTime("1434067020", kFile), 1434067020u);
}

TEST(NumbersTest, HexadecimalIsLeastSignificantDigitFirst) {
  EXPECT_EQ(ReadHex("1a", kFile), 0xA1u);
  EXPECT_EQ(ReadHex("1A", kFile), 0xA1u);
  EXPECT_EQ(ReadHex("", kFile), 0u);
  EXPECT_EQ(ReadHex("ffffffff", kFile), 0xFFFFFFFFu);
  EXPECT_EQ(ReadHex("00000001", kFile), 0x10000000u);
  EXPECT_EQ(ReadHexTime("c0ffee", kFile), 0xEEFF0Cu);
}

TEST(NumbersTest, FormatHexIsTheInverseOfReadHex) {
  EXPECT_STREQ(FormatHex(161), "1a");
  EXPECT_STREQ(FormatHex(0), "0");
  EXPECT_STREQ(FormatHex(0xFFFFFFFFu), "ffffffff");
  EXPECT_STREQ(FormatHex(0x10000000u), "00000001");
  for (uint32_t value : {1u, 15u, 16u, 0xDEADBEEFu, 0x80000000u})
    EXPECT_EQ(ReadHex(FormatHex(value), kFile), value) << value;
}

TEST(NumbersDeathTest, MissingTokensAreFatal) {
  EXPECT_EXIT(ReadDecimal(nullptr, kFile), ExitedWithCode(kExitFatal),
              "FATAL ERROR: Null pointer for value while reading file run%1\\.tio\n$");
  EXPECT_EXIT(ReadDecimalTime(nullptr, kFile), ExitedWithCode(kExitFatal),
              "FATAL ERROR: Null pointer for time while reading file run%1\\.tio\n$");
  EXPECT_EXIT(ReadHex(nullptr, kFile), ExitedWithCode(kExitFatal),
              "FATAL ERROR: Null pointer for value while reading file run%1\\.tio\n$");
  EXPECT_EXIT(ReadHexTime(nullptr, kFile), ExitedWithCode(kExitFatal),
              "FATAL ERROR: Null pointer for time while reading file run%1\\.tio\n$");
}

TEST(NumbersDeathTest, BadDigitsAreFatal) {
  EXPECT_EXIT(ReadDecimal("-1", kFile), ExitedWithCode(kExitFatal),
              "FATAL ERROR: Bad decimal number while reading file run%1\\.tio\n$");
  EXPECT_EXIT(ReadDecimal("12a", kFile), ExitedWithCode(kExitFatal),
              "FATAL ERROR: Bad decimal number while reading file run%1\\.tio\n$");
  EXPECT_EXIT(ReadHexTime("1g", kFile), ExitedWithCode(kExitFatal),
              "FATAL ERROR: Bad hexadecimal number while reading file run%1\\.tio\n$");
  EXPECT_EXIT(
      ReadHex("0x10", kFile), ExitedWithCode(kExitFatal),
      "FATAL ERROR: Bad hexadecimal number while reading file run%1\\.tio: 0x10\nDescription:\n "
      "The instrumentation ID numbers are dumped as hexadecimal numbers in the TIO file\\.\n "
      "This message indicates that the zeltocov program was expecting to read a hexadecimal "
      "number but found characters outside the 0-9a-f range of the hexadecimal number\\.\n "
      "Usually a sign of a corrupted TIO file\\.\n$");
}

TEST(NumbersDeathTest, NinthDigitReportsOverflowThenFatal) {
  const char *expected = "ERROR: Number overflow while reading file run%1\\.tio\n"
                         ".* - FATAL ERROR: Maybe this Coverage Trace file has been generated "
                         "using an older version of the Target Deployment Port\n$";
  EXPECT_EXIT(ReadHex("000000000", kFile), ExitedWithCode(kExitFatal), expected);
  EXPECT_EXIT(ReadHexTime("123456789", kFile), ExitedWithCode(kExitFatal), expected);
}
