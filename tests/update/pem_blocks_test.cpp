// Splitting a file of PEM keys into its blocks.
#include <gtest/gtest.h>

#include <string>

#include "update/PemBlocks.h"

using namespace quill::update;

namespace {

const std::string First = "-----BEGIN PUBLIC KEY-----\nAAAA\nBBBB\n-----END PUBLIC KEY-----";
const std::string Second = "-----BEGIN PUBLIC KEY-----\r\nCCCC\r\n-----END PUBLIC KEY-----";

TEST(PemBlocks, EveryBlockInOrderWithoutTheTextAroundThem) {
    const std::string text = "vendor keys, 2026\n" + First + "\n\nrotated:\n" + Second + "\r\n";
    const auto blocks = PemBlocks(text, "PUBLIC KEY");
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0], First);
    EXPECT_EQ(blocks[1], Second);
}

TEST(PemBlocks, OtherLabelsAndUnfinishedBlocksAreLeftOut) {
    const std::string rsa = "-----BEGIN RSA PUBLIC KEY-----\nDDDD\n-----END RSA PUBLIC KEY-----\n";
    const std::string cut = "-----BEGIN PUBLIC KEY-----\nEEEE\n";
    EXPECT_TRUE(PemBlocks(rsa, "PUBLIC KEY").empty());
    // A block cut short before the next one starts: only the next one counts.
    const std::string text = cut + First + "\n" + cut;
    const auto blocks = PemBlocks(text, "PUBLIC KEY");
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0], First);
    EXPECT_TRUE(PemBlocks("", "PUBLIC KEY").empty());
}

}  // namespace
