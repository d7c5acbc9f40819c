#include "engine/FreeSpace.h"

#include "engine/EngineError.h"
#include "engine/NameText.h"

namespace zipengine {

namespace {

std::string mebibytes(std::uintmax_t bytes) {
    return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MiB";
}

}  // namespace

void requireFreeSpace(const std::filesystem::path& folder, std::uint64_t needed) {
    std::error_code error;
    std::filesystem::path existing = std::filesystem::absolute(folder, error);
    if (error) return;
    while (!std::filesystem::exists(existing, error) && existing.has_relative_path())
        existing = existing.parent_path();
    std::filesystem::space_info space = std::filesystem::space(existing, error);
    if (error || space.available == static_cast<std::uintmax_t>(-1) || space.available >= needed)
        return;
    throw EngineError(zipengine_abi::ZE_ErrWrite,
                      "Not enough free space in " + utf8FromPath(folder) + ": " +
                          mebibytes(needed) + " needed (" + std::to_string(needed) + " bytes), " +
                          mebibytes(space.available) + " free; nothing was changed");
}

}  // namespace zipengine
