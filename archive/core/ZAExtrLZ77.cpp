#include "archive/ZAExtrLZ77.h"

#include <algorithm>
#include <array>

namespace quill::archive {

namespace {
constexpr int kWindowSize = 4096;
constexpr int kWindowMask = kWindowSize - 1;
constexpr int kWindowStart = 4080;
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 18;
constexpr int kPrefixSize = 4;

// Input of the expander: the count includes the length prefix, and a fetch fails once only
// the prefix's share of it remains.
class Input {
public:
    Input(std::span<const uint8_t> bytes, int64_t count) : bytes_(bytes), remaining_(count) {}

    bool ReadPrefix(uint32_t& value) {
        if (bytes_.size() < kPrefixSize) return false;
        value = uint32_t(bytes_[0]) | uint32_t(bytes_[1]) << 8 | uint32_t(bytes_[2]) << 16 |
                uint32_t(bytes_[3]) << 24;
        pos_ = kPrefixSize;
        return true;
    }
    bool Fetch(uint8_t& b) {
        if (Unlimited() ? false : remaining_ <= kPrefixSize) return false;
        if (pos_ >= bytes_.size()) return false;
        b = bytes_[pos_++];
        if (!Unlimited()) --remaining_;
        return true;
    }
    bool AllUsed() const { return Unlimited() ? pos_ >= bytes_.size() : remaining_ == kPrefixSize; }

private:
    bool Unlimited() const { return remaining_ < 0; }
    std::span<const uint8_t> bytes_;
    size_t pos_ = 0;
    int64_t remaining_;
};
}  // namespace

TZALZ77Result ExpandLZ77(std::span<const uint8_t> input, int64_t count, std::vector<uint8_t>& out) {
    out.clear();
    Input in(input, count);
    uint32_t expected = 0;
    if (!in.ReadPrefix(expected)) return TZALZ77Result::Damaged;
    out.reserve(std::min<size_t>(expected, input.size() * 9));

    std::array<uint8_t, kWindowSize> window{};
    int writePos = kWindowStart;
    auto emit = [&](uint8_t b) {
        out.push_back(b);
        window[writePos] = b;
        writePos = (writePos + 1) & kWindowMask;
    };

    for (;;) {
        uint8_t flags;
        if (!in.Fetch(flags)) break;
        bool ended = false;
        for (int bit = 0; bit < 8 && !ended; ++bit) {
            if (flags & (1u << bit)) {
                uint8_t b;
                if (!in.Fetch(b)) {
                    ended = true;
                    break;
                }
                emit(b);
            } else {
                uint8_t b1, b2;
                if (!in.Fetch(b1) || !in.Fetch(b2)) {
                    ended = true;
                    break;
                }
                int source = b1 + 16 * (b2 & 0xF0);
                int length = (b2 & 0x0F) + kMinMatch;
                for (int k = 0; k < length; ++k) {
                    emit(window[source]);
                    source = (source + 1) & kWindowMask;
                }
            }
        }
        if (ended) break;
    }

    if (!in.AllUsed()) return TZALZ77Result::Damaged;
    return out.size() == expected ? TZALZ77Result::Expanded : TZALZ77Result::LengthMismatch;
}

namespace {
// Greedy encoder with hash chains over the last 4095 bytes, plus runs of zero bytes taken
// from the still untouched start of the window.
class Encoder {
public:
    explicit Encoder(std::span<const uint8_t> data) : data_(data) {
        head_.fill(-1);
        prev_.assign(data.size(), -1);
    }

    std::vector<uint8_t> Run() {
        uint32_t n = uint32_t(data_.size());
        out_ = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
        size_t i = 0;
        while (i < data_.size()) {
            int length = 0, source = 0;
            FindMatch(i, length, source);
            if (length >= kMinMatch) {
                Reference(source, length);
                for (int k = 0; k < length; ++k) Insert(i + k);
                i += length;
            } else {
                Literal(data_[i]);
                Insert(i);
                ++i;
            }
        }
        return std::move(out_);
    }

private:
    static constexpr int kHashSize = 1 << 12;
    static constexpr int kMaxChain = 256;
    static constexpr int kMaxDistance = kWindowSize - 1;
    // Window bytes that the expander has not yet overwritten are still zero; this region stays
    // untouched while fewer than kZeroSource - 16 bytes have been written.
    static constexpr int kZeroSource = kWindowStart - kMaxMatch;

    int Hash(size_t i) const {
        return ((data_[i] << 8) ^ (data_[i + 1] << 4) ^ data_[i + 2]) & (kHashSize - 1);
    }
    void Insert(size_t i) {
        if (i + kMinMatch > data_.size()) return;
        int h = Hash(i);
        prev_[i] = head_[h];
        head_[h] = int(i);
    }
    int MatchLength(size_t from, size_t i) const {
        size_t limit = std::min<size_t>(kMaxMatch, data_.size() - i);
        size_t k = 0;
        while (k < limit && data_[from + k] == data_[i + k]) ++k;
        return int(k);
    }
    void FindMatch(size_t i, int& bestLength, int& bestSource) const {
        bestLength = 0;
        if (i + kMinMatch > data_.size()) return;
        if (i + kMaxMatch + 16 < size_t(kZeroSource)) {
            size_t zeros = 0;
            while (zeros < kMaxMatch && i + zeros < data_.size() && data_[i + zeros] == 0) ++zeros;
            if (zeros >= size_t(kMinMatch)) {
                bestLength = int(zeros);
                bestSource = kZeroSource;
            }
        }
        int chain = 0;
        for (int j = head_[Hash(i)]; j >= 0 && chain < kMaxChain; j = prev_[j], ++chain) {
            if (i - size_t(j) > size_t(kMaxDistance)) break;
            int length = MatchLength(size_t(j), i);
            if (length > bestLength) {
                bestLength = length;
                bestSource = (kWindowStart + j) & kWindowMask;
                if (length == kMaxMatch) break;
            }
        }
    }
    void StartItem() {
        if (itemsInGroup_ == 8) {
            flagPos_ = out_.size();
            out_.push_back(0);
            itemsInGroup_ = 0;
        }
    }
    void Literal(uint8_t b) {
        StartItem();
        out_[flagPos_] |= uint8_t(1u << itemsInGroup_++);
        out_.push_back(b);
    }
    void Reference(int source, int length) {
        StartItem();
        ++itemsInGroup_;
        out_.push_back(uint8_t(source & 0xFF));
        out_.push_back(uint8_t(((source >> 4) & 0xF0) | (length - kMinMatch)));
    }

    std::span<const uint8_t> data_;
    std::array<int, kHashSize> head_;
    std::vector<int> prev_;
    std::vector<uint8_t> out_;
    size_t flagPos_ = 0;
    int itemsInGroup_ = 8;
};
}  // namespace

std::vector<uint8_t> CompressLZ77(std::span<const uint8_t> data) {
    return Encoder(data).Run();
}

}  // namespace quill::archive
