#include "update/PemBlocks.h"

#include <string>

namespace quill::update {

std::vector<std::string_view> PemBlocks(std::string_view text, std::string_view label) {
    const std::string begin = "-----BEGIN " + std::string(label) + "-----";
    const std::string end = "-----END " + std::string(label) + "-----";
    std::vector<std::string_view> blocks;
    for (size_t at = text.find(begin); at != std::string_view::npos; at = text.find(begin, at)) {
        const size_t stop = text.find(end, at + begin.size());
        if (stop == std::string_view::npos) break;
        // A BEGIN before this END means the block before it was cut short: start again there.
        const size_t restart = text.find(begin, at + begin.size());
        if (restart < stop) {
            at = restart;
            continue;
        }
        blocks.push_back(text.substr(at, stop + end.size() - at));
        at = stop + end.size();
    }
    return blocks;
}

}  // namespace quill::update
