#include <gtest/gtest.h>

#include "update/ProgressText.h"

using namespace quill::update;

namespace {

const NumberSeparators English{',', '.'};
const NumberSeparators Romanian{'.', ','};

TEST(FormatNumberTest, TwoDecimalsAndGroupedThousands) {
    EXPECT_EQ(FormatNumber(1234.5, English), "1,234.50");
    EXPECT_EQ(FormatNumber(9876, English), "9,876.00");
    EXPECT_EQ(FormatNumber(0, English), "0.00");
    EXPECT_EQ(FormatNumber(999.999, English), "1,000.00");
    EXPECT_EQ(FormatNumber(1234567.125, Romanian), "1.234.567,13");
    EXPECT_EQ(FormatNumber(12.3, Romanian), "12,30");
}

TEST(FormatNumberTest, RoundsToTwelveSignificantDigitsFirst) {
    // 12 significant digits leave one decimal for this value; the second prints as 0.
    EXPECT_EQ(FormatNumber(12345678901.26, English), "12,345,678,901.30");
}

TEST(DownloadCaptionTest, KilobytesOfPositionAndTotal) {
    EXPECT_EQ(DownloadCaption(1264128, 10113024, English), "1,234.50 KB / 9,876.00 KB");
    EXPECT_EQ(DownloadCaption(512, 0, English), "0.50 KB / 0.00 KB");  // no length sent
    EXPECT_EQ(DownloadCaption(int64_t{3} << 31, int64_t{3} << 31, English),
              "6,291,456.00 KB / 6,291,456.00 KB");
}

TEST(ExtractCaptionTest, NoSpaceAfterTheDots) {
    EXPECT_EQ(ExtractCaption(40), "Dezarhivare...40 %");
    EXPECT_EQ(ExtractCaption(101), "Dezarhivare...101 %");
}

}  // namespace

namespace {
TEST(FormatNumberTest, HalvesRoundAwayFromZero) {
    EXPECT_EQ(FormatNumber(0.125, English), "0.13");
    EXPECT_EQ(FormatNumber(0.375, English), "0.38");
    EXPECT_EQ(FormatNumber(0.004, English), "0.00");
    EXPECT_EQ(FormatNumber(0.005, English), "0.01");            // nearest double is just above
    EXPECT_EQ(FormatNumber(99999.996, English), "100,000.00");  // the carry adds a group
}
}  // namespace
