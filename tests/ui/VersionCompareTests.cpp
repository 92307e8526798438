#include "ui/VersionCompare.h"

#include <gtest/gtest.h>

TEST(VersionCompare, PartsCompareAsNumbersNotAsConcatenatedDigits)
{
    // Concatenated, 1.1.2 would be 112 and older than 1.0.12 (1012).
    EXPECT_TRUE(isNewerVersion("1.0.12", "1.1.2"));
    EXPECT_FALSE(isNewerVersion("1.1.2", "1.0.12"));
    // Concatenated, every 1.x.y would be below 1.0.10061 (1010061).
    EXPECT_TRUE(isNewerVersion("1.0.10061", "1.1.0"));
    EXPECT_TRUE(isNewerVersion("1.0.10061", "2.0"));
    // ...and 0.99.99999 (9999999) above it.
    EXPECT_FALSE(isNewerVersion("1.0.10061", "0.99.99999"));
    EXPECT_TRUE(isNewerVersion("1.2.9", "1.2.10"));
    EXPECT_FALSE(isNewerVersion("1.10.0", "1.9.99"));
    EXPECT_TRUE(isNewerVersion("1.0.10061", "1.0.10062"));
    EXPECT_FALSE(isNewerVersion("1.0.10061", "1.0.10060"));
}

TEST(VersionCompare, EqualVersionsAreNotNewer)
{
    EXPECT_FALSE(isNewerVersion("1.0.10061", "1.0.10061"));
    EXPECT_FALSE(isNewerVersion("1.0.10061.1", "1.0.10061.1"));
    EXPECT_FALSE(isNewerVersion("1.0.10061", "001.000.010061")); // leading zeros
}

TEST(VersionCompare, MissingPartsCountAsZero)
{
    EXPECT_FALSE(isNewerVersion("1.0", "1.0.0"));
    EXPECT_FALSE(isNewerVersion("1.0.0.0", "1"));
    EXPECT_TRUE(isNewerVersion("1.0.1", "1.0.1.1"));
    EXPECT_TRUE(isNewerVersion("1.0.10061.1", "1.0.10061.2"));
    EXPECT_FALSE(isNewerVersion("1.0.10061.1", "1.0.10061"));
    EXPECT_FALSE(isNewerVersion("2", "1.9"));
    EXPECT_TRUE(isNewerVersion("", "0.0.1")); // an unreadable installed version is 0
}

TEST(VersionCompare, PublishedTextIsReadByItsLeadingNumericParts)
{
    EXPECT_TRUE(isNewerVersion("1.2.3", "1.2.4 beta"));
    EXPECT_FALSE(isNewerVersion("1.2.4", "1.2.4 beta"));
    EXPECT_TRUE(isNewerVersion("1.2.3", " \t1.2.4"));
    EXPECT_TRUE(isNewerVersion("1.2.3", "1.2.4."));
    EXPECT_FALSE(isNewerVersion("1.2.3", "1.2.x.9"));  // reads as 1.2
    EXPECT_FALSE(isNewerVersion("1.2.3", "1.2..9"));   // reads as 1.2
    EXPECT_TRUE(isNewerVersion("1.2.3", "1.3-rc1"));
}

TEST(VersionCompare, PublishedTextWithoutDigitsIsNeverNewer)
{
    EXPECT_FALSE(isNewerVersion("1.0.10061", ""));
    EXPECT_FALSE(isNewerVersion("1.0.10061", "unknown"));
    EXPECT_FALSE(isNewerVersion("1.0.10061", "v2.0"));
    EXPECT_FALSE(isNewerVersion("1.0.10061", ".5"));
    EXPECT_FALSE(isNewerVersion("1.0.10061", nullptr));
    EXPECT_FALSE(isNewerVersion("", "none"));
}

TEST(VersionCompare, HugeNumbersCompareWithoutOverflow)
{
    EXPECT_TRUE(isNewerVersion("1.0.10061", "1.0.99999999999999999999999"));
    EXPECT_FALSE(isNewerVersion("1.0.99999999999999999999999", "1.0.99999999999999999999998"));
    EXPECT_TRUE(isNewerVersion("1.0.99999999999999999999998", "1.0.99999999999999999999999"));
    EXPECT_TRUE(isNewerVersion("4294967295.0", "4294967296"));   // past 32 bits
    EXPECT_FALSE(isNewerVersion("18446744073709551616", "18446744073709551615")); // past 64 bits
    EXPECT_FALSE(isNewerVersion("1.0.10061", "0000000000000000000000000001")); // 1 < 1.0.10061
}
