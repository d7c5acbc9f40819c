// The LZ77 stream of the message blocks: a 32-bit output length, then groups of eight items
// led by a flag byte (lowest bit first; set = one literal byte, clear = a two-byte reference
// into a 4096-byte window whose write position starts at 4080).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace quill::archive {

enum class TZALZ77Result : int8_t {
    Expanded = 0,         // output complete and all input used
    LengthMismatch = -2,  // all input used, but the output length differs
    Damaged = -1,         // anything else
};

// Expands `input`, reading at most `count` bytes of it including the 4-byte length prefix
// (a negative count means all of `input`). `out` receives what was expanded.
TZALZ77Result ExpandLZ77(std::span<const uint8_t> input, int64_t count, std::vector<uint8_t>& out);

// Compresses `data` into the stream format above, length prefix included.
std::vector<uint8_t> CompressLZ77(std::span<const uint8_t> data);

}  // namespace quill::archive
