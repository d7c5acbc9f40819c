// Bounds-checked little-endian reading and writing of zip records held in a byte buffer: the
// only way the engine and the archive component touch a record's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "engine/EngineError.h"

namespace zipengine {

class LittleEndianReader {
public:
    explicit LittleEndianReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t position() const { return position_; }
    std::size_t remaining() const { return bytes_.size() - position_; }
    void skip(std::size_t count) { need(count), position_ += count; }

    std::uint16_t u16() {
        need(2);
        std::uint16_t value = bytes_[position_] | (bytes_[position_ + 1] << 8);
        position_ += 2;
        return value;
    }
    std::uint32_t u32() {
        std::uint32_t low = u16();
        return low | (std::uint32_t{u16()} << 16);
    }
    std::uint64_t u64() {
        std::uint64_t low = u32();
        return low | (std::uint64_t{u32()} << 32);
    }
    std::string text(std::size_t length) {
        need(length);
        std::string value(reinterpret_cast<const char*>(bytes_.data()) + position_, length);
        position_ += length;
        return value;
    }
    std::span<const std::uint8_t> bytes(std::size_t length) {
        need(length);
        auto part = bytes_.subspan(position_, length);
        position_ += length;
        return part;
    }

private:
    void need(std::size_t count) const {
        if (count > remaining())
            throw EngineError(zipengine_abi::ZE_ErrArchiveStructure, "Zip record is truncated");
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

class LittleEndianWriter {
public:
    explicit LittleEndianWriter(std::span<std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t position() const { return position_; }
    void seek(std::size_t position) { position_ = position, need(0); }

    void u16(std::uint16_t value) {
        need(2);
        bytes_[position_++] = static_cast<std::uint8_t>(value);
        bytes_[position_++] = static_cast<std::uint8_t>(value >> 8);
    }
    void u32(std::uint32_t value) {
        u16(static_cast<std::uint16_t>(value));
        u16(static_cast<std::uint16_t>(value >> 16));
    }

private:
    void need(std::size_t count) const {
        if (position_ > bytes_.size() || count > bytes_.size() - position_)
            throw EngineError(zipengine_abi::ZE_ErrArchiveStructure, "Zip record does not fit");
    }

    std::span<std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

}  // namespace zipengine
