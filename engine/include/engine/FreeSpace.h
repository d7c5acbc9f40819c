// Room on the disk before anything is written.
#pragma once

#include <cstdint>
#include <filesystem>

namespace zipengine {

// Throws EngineError (ZE_ErrWrite) naming the bytes needed and free when the disk that holds
// `folder` (or its nearest existing parent) has less than `needed` bytes free for this user.
// A disk whose free space cannot be asked is not refused.
void requireFreeSpace(const std::filesystem::path& folder, std::uint64_t needed);

}  // namespace zipengine
