#include "engine/ByteSource.h"

#include <cstring>

#include "engine/EngineError.h"
#include "engine/FileHandle.h"
#include "engine/NameText.h"

namespace zipengine {

using zipengine_abi::ZE_ErrArchiveOpen;
using zipengine_abi::ZE_ErrData;

FileByteSource::FileByteSource(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        throw EngineError(ZE_ErrArchiveOpen, "Archive not found: " + utf8FromPath(path));
    size_ = std::filesystem::file_size(path, error);
    FileHandle handle = openFile(path, "rb");
    if (error || !handle) throw EngineError(ZE_ErrArchiveOpen, "Cannot open " + utf8FromPath(path));
    file_ = handle.release();
}

FileByteSource::~FileByteSource() {
    std::fclose(file_);
}

void FileByteSource::readAt(std::uint64_t offset, std::span<std::uint8_t> out) {
    if (offset > size_ || out.size() > size_ - offset)
        throw EngineError(ZE_ErrData, "Unexpected end of archive");
    if (offset != position_ && !seekFile(file_, offset))
        throw EngineError(ZE_ErrData, "Cannot seek in archive");
    position_ = offset;
    if (std::fread(out.data(), 1, out.size(), file_) != out.size()) {
        position_ = ~std::uint64_t{0};
        throw EngineError(ZE_ErrData, "Cannot read archive");
    }
    position_ += out.size();
}

void MemoryByteSource::readAt(std::uint64_t offset, std::span<std::uint8_t> out) {
    if (offset > bytes_.size() || out.size() > bytes_.size() - offset)
        throw EngineError(ZE_ErrData, "Unexpected end of archive");
    if (!out.empty()) std::memcpy(out.data(), bytes_.data() + offset, out.size());
}

}  // namespace zipengine
