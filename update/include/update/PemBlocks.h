#pragma once
// The blocks of a PEM text ("-----BEGIN <label>-----" ... "-----END <label>-----").
// Platform-neutral.

#include <string_view>
#include <vector>

namespace quill::update {

// Every complete block with this label, each from its BEGIN line to the end of its END
// line's dashes, in the order they appear. Text between blocks, blocks of other labels and
// a block without its END line are left out.
std::vector<std::string_view> PemBlocks(std::string_view text, std::string_view label);

}  // namespace quill::update
