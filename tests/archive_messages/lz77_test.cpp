// The LZ77 stream of the message blocks: round trips and the expander's results.
#include <gtest/gtest.h>

#include <random>

#include "archive/ZADefMsgs.h"
#include "archive/ZAExtrLZ77.h"

using namespace quill::archive;

namespace {
using Bytes = std::vector<uint8_t>;

Bytes RoundTrip(const Bytes& data, TZALZ77Result* result) {
    Bytes compressed = CompressLZ77(data);
    Bytes out;
    *result = ExpandLZ77(compressed, int64_t(compressed.size()), out);
    return out;
}

Bytes Stream(uint32_t length, std::initializer_list<uint8_t> body) {
    Bytes s(4 + body.size());
    for (int i = 0; i < 4; ++i) s[i] = uint8_t(length >> (8 * i));
    std::copy(body.begin(), body.end(), s.begin() + 4);
    return s;
}
}  // namespace

TEST(LZ77, RoundTripsRandomAndStructuredInputs) {
    std::mt19937 rng(20261208);
    std::vector<Bytes> inputs = {{}, {0}, {1, 2}, Bytes(100, 0), Bytes(10000, 0), Bytes(5000, 'a')};
    for (size_t size : {1u, 17u, 4095u, 4096u, 4097u, 70000u}) {
        Bytes noise(size), text(size), mixed(size);
        for (auto& b : noise) b = uint8_t(rng());
        for (auto& b : text) b = uint8_t("abcde "[rng() % 6]);
        for (size_t i = 0; i < size; ++i) mixed[i] = i % 5000 < 300 ? 0 : uint8_t(i * 7 / 13);
        inputs.insert(inputs.end(), {noise, text, mixed});
    }
    // A repeat exactly 4095 bytes back: the longest distance the window still holds.
    Bytes far(9000);
    for (size_t i = 0; i < far.size(); ++i) far[i] = i < 4095 ? uint8_t(rng()) : far[i - 4095];
    inputs.push_back(far);

    for (const Bytes& input : inputs) {
        TZALZ77Result result = TZALZ77Result::Damaged;
        EXPECT_EQ(RoundTrip(input, &result), input) << "size " << input.size();
        EXPECT_EQ(result, TZALZ77Result::Expanded) << "size " << input.size();
    }
}

TEST(LZ77, CompressesRepetitiveDataAndUsesTheZeroWindow) {
    Bytes zeros(1000, 0);
    // Zero runs come from the untouched window from the first byte on: 18 bytes per reference.
    EXPECT_LT(CompressLZ77(zeros).size(), 4 + 1000 / 18 * 2 + 1000 / 18 / 8 + 8);
    Bytes text;
    for (int i = 0; i < 200; ++i) text.insert(text.end(), {'Z', 'i', 'p', ' ', 'e', 'r', 'r'});
    EXPECT_LT(CompressLZ77(text).size(), text.size() / 4);
}

TEST(LZ77, BackReferenceIntoTheInitialWindowGivesZeros) {
    // Flags 0: every item a reference. Source 0, length 2 + 3 = 5, all zero.
    Bytes out;
    EXPECT_EQ(ExpandLZ77(Stream(5, {0x00, 0x00, 0x02}), -1, out), TZALZ77Result::Expanded);
    EXPECT_EQ(out, Bytes(5, 0));
}

TEST(LZ77, OverlappingReferenceRepeatsWhatItWrites) {
    // A literal 'a' at window position 4080, then a reference to 4080 (b1 0xF0, b2 0xF0 | 3)
    // of length 6 that reads the bytes it is writing.
    Bytes out;
    EXPECT_EQ(ExpandLZ77(Stream(7, {0x01, 'a', 0xF0, 0xF3}), -1, out), TZALZ77Result::Expanded);
    EXPECT_EQ(out, Bytes(7, 'a'));
}

TEST(LZ77, ResultsForWrongLengthsAndTruncatedStreams) {
    Bytes data(3000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i % 251 ^ (i / 7));
    Bytes good = CompressLZ77(data);
    const int64_t count = int64_t(good.size());
    Bytes out;

    ASSERT_EQ(ExpandLZ77(good, count, out), TZALZ77Result::Expanded);
    ASSERT_EQ(out, data);
    EXPECT_EQ(ExpandLZ77(good, -1, out), TZALZ77Result::Expanded) << "unlimited count";

    Bytes wrongLength = good;
    wrongLength[0] ^= 1;
    EXPECT_EQ(ExpandLZ77(wrongLength, count, out), TZALZ77Result::LengthMismatch);
    EXPECT_EQ(out, data) << "the stream itself still expands";

    // The count ends early: all of the count is used, but the output is short.
    EXPECT_EQ(ExpandLZ77(good, count - 10, out), TZALZ77Result::LengthMismatch);
    EXPECT_LT(out.size(), data.size());

    // The stream ends before the count does.
    Bytes truncated(good.begin(), good.end() - 10);
    EXPECT_EQ(ExpandLZ77(truncated, count, out), TZALZ77Result::Damaged);
    // A count beyond the stream.
    EXPECT_EQ(ExpandLZ77(good, count + 1, out), TZALZ77Result::Damaged);
    // Not even a length prefix.
    EXPECT_EQ(ExpandLZ77(Bytes{1, 0}, -1, out), TZALZ77Result::Damaged);
    // A reference cut after its first byte.
    EXPECT_EQ(ExpandLZ77(Stream(3, {0x00, 0x00}), -1, out), TZALZ77Result::LengthMismatch);
    EXPECT_EQ(ExpandLZ77(Stream(3, {0x00, 0x00}), 6, out), TZALZ77Result::LengthMismatch);
    EXPECT_EQ(ExpandLZ77(Stream(3, {0x00, 0x00}), 7, out), TZALZ77Result::Damaged);
}

TEST(LZ77, BuiltInBlockExpandsExactlyWithAllInputUsed) {
    std::span<const uint8_t> block = DefaultMessageBlock();
    ASSERT_GE(block.size(), 10u);
    EXPECT_EQ(block[0] | block[1] << 8, 1033);
    const size_t compressed = block[2] | block[3] << 8;
    const size_t nameLength = block[4] | block[5] << 8;
    EXPECT_EQ(std::string(block.begin() + 6, block.begin() + 6 + nameLength), "US");
    ASSERT_EQ(block.size(), 6 + nameLength + compressed);
    std::span<const uint8_t> stream = block.subspan(6 + nameLength);
    const uint32_t expected =
        stream[0] | stream[1] << 8 | stream[2] << 16 | uint32_t(stream[3]) << 24;
    Bytes out;
    EXPECT_EQ(ExpandLZ77(stream, int64_t(compressed), out), TZALZ77Result::Expanded);
    EXPECT_EQ(out.size(), expected);
    EXPECT_LT(out.size(), 50000u);
}
