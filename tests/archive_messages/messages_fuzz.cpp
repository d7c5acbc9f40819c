// Fuzz target: the LZ77 expander, block expansion and the resource-table walk on arbitrary
// bytes. The first byte chooses what the rest is taken for.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "archive/ZAExtrLZ77.h"
#include "archive/ZAMsgStr.h"

using namespace quill::archive;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    std::span<const uint8_t> rest(data + 1, size - 1);
    switch (data[0] % 3) {
        case 0: {  // a raw stream with a count taken from its first two bytes
            if (rest.size() < 2) return 0;
            int64_t count = int16_t(rest[0] | rest[1] << 8);
            std::vector<uint8_t> out;
            ExpandLZ77(rest.subspan(2), count, out);
            break;
        }
        case 1: {  // a message block, then lookups in whatever table it gives
            TZAMessageTable table;
            if (BuildMessageTable(rest, table, 0)) {
                std::u16string text;
                for (int id = 10090; id < 10300; ++id) FindMessageText(table, id, text);
            }
            break;
        }
        default: {  // a resource image as it would sit in memory
            TZAMessageTable table((rest.size() + 1) / 2 + 1, 0);
            for (size_t i = 0; i < rest.size(); ++i)
                table[i / 2] |= uint16_t(rest[i] << (8 * (i % 2)));
            table.back() = 0xFFFF;
            std::u16string text;
            for (int id : {0, 15, 16, 10096, 10104, 11036, 11603, 1048575})
                FindMessageText(table, id, text);
            break;
        }
    }
    return 0;
}
