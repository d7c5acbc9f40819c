// The built-in message block: language id, compressed length, language name and the
// compressed string-table image, generated at build time from ZADefMsgs.txt.
#pragma once

#include <cstdint>
#include <span>

namespace quill::archive {

std::span<const uint8_t> DefaultMessageBlock();

}  // namespace quill::archive
