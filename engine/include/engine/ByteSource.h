// Random-access readers for the archive: a file on disk, or bytes in memory (fuzzing, tests).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>

namespace zipengine {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Reads exactly `out.size()` bytes at `offset`; throws EngineError (ZE_ErrData) when the
    // source ends first or the read fails.
    virtual void readAt(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
};

class FileByteSource final : public ByteSource {
public:
    // Throws EngineError (ZE_ErrArchiveOpen) when the file cannot be opened.
    explicit FileByteSource(const std::filesystem::path& path);
    ~FileByteSource() override;
    FileByteSource(const FileByteSource&) = delete;
    FileByteSource& operator=(const FileByteSource&) = delete;

    std::uint64_t size() const override { return size_; }
    void readAt(std::uint64_t offset, std::span<std::uint8_t> out) override;

private:
    std::FILE* file_ = nullptr;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;  // saves a seek for the sequential reads of entry data
};

class MemoryByteSource final : public ByteSource {
public:
    explicit MemoryByteSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    void readAt(std::uint64_t offset, std::span<std::uint8_t> out) override;

private:
    std::span<const std::uint8_t> bytes_;  // not owned
};

}  // namespace zipengine
