#include "engine/EntryDecoder.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "engine/EngineError.h"
#include "engine/ZipCrypto.h"

namespace zipengine {

namespace {

constexpr std::size_t kInputChunk = 256 * 1024;
constexpr std::size_t kOutputChunk = 256 * 1024;

DecodeResult failure(DecodeStatus status, std::string detail) {
    return DecodeResult{status, 0, std::move(detail)};
}

// Reads the entry's stored bytes in chunks, decrypting them when needed.
class StoredBytes {
public:
    StoredBytes(ByteSource& source, std::uint64_t start, std::uint64_t size)
        : source_(source), position_(start), left_(size), buffer_(kInputChunk) {}

    void startDecryption(const std::string& password) {
        std::array<std::uint8_t, kEncryptionHeaderSize> header;
        readExactly(header);
        decryptor_.emplace(password);
        decryptor_->decrypt(header);
    }
    std::uint64_t left() const { return left_; }

    std::span<std::uint8_t> next() {
        std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(left_, kInputChunk));
        auto chunk = std::span(buffer_).first(count);
        readExactly(chunk);
        return chunk;
    }

private:
    void readExactly(std::span<std::uint8_t> out) {
        if (out.size() > left_)
            throw EngineError(zipengine_abi::ZE_ErrData, "Entry data too short");
        source_.readAt(position_, out);
        position_ += out.size();
        left_ -= out.size();
        if (decryptor_) decryptor_->decrypt(out);
    }

    ByteSource& source_;
    std::uint64_t position_;
    std::uint64_t left_;
    std::vector<std::uint8_t> buffer_;
    std::optional<ZipCryptoDecryptor> decryptor_;
};

struct InflateStream {
    z_stream stream{};
    bool ready = false;
    InflateStream() { ready = inflateInit2(&stream, -MAX_WBITS) == Z_OK; }
    ~InflateStream() {
        if (ready) inflateEnd(&stream);
    }
};

DecodeResult copyStored(StoredBytes& input, const ZipEntry& entry, ByteSink& sink) {
    if (input.left() != entry.uncompressedSize)
        return failure(DecodeStatus::Damaged, "stored size differs from the entry's size");
    std::uint32_t crc = crc32(0, nullptr, 0);
    while (input.left() > 0) {
        auto chunk = input.next();
        crc = crc32_z(crc, chunk.data(), chunk.size());
        sink.write(chunk);
    }
    return DecodeResult{DecodeStatus::Ok, crc, {}};
}

DecodeResult inflateEntry(StoredBytes& input, const ZipEntry& entry, ByteSink& sink) {
    InflateStream inflater;
    if (!inflater.ready) throw std::bad_alloc();
    std::vector<std::uint8_t> output(kOutputChunk);
    std::uint32_t crc = crc32(0, nullptr, 0);
    std::uint64_t produced = 0;
    int status = Z_OK;
    bool outputWasFull = false;  // then inflate may hold more output without new input
    while (status != Z_STREAM_END) {
        if (inflater.stream.avail_in == 0 && !outputWasFull) {
            if (input.left() == 0)
                return failure(DecodeStatus::Damaged, "compressed data ends early");
            auto chunk = input.next();
            inflater.stream.next_in = chunk.data();
            inflater.stream.avail_in = static_cast<uInt>(chunk.size());
        }
        inflater.stream.next_out = output.data();
        inflater.stream.avail_out = static_cast<uInt>(output.size());
        status = inflate(&inflater.stream, Z_NO_FLUSH);
        if (status == Z_MEM_ERROR) throw std::bad_alloc();
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR)
            return failure(DecodeStatus::Damaged, "compressed data is damaged");
        std::size_t count = output.size() - inflater.stream.avail_out;
        outputWasFull = inflater.stream.avail_out == 0;
        if (count > entry.uncompressedSize - produced)
            return failure(DecodeStatus::Damaged, "data is longer than the entry's size");
        produced += count;
        if (count > 0) {
            crc = crc32_z(crc, output.data(), count);
            sink.write(std::span(output).first(count));
        }
    }
    if (produced != entry.uncompressedSize)
        return failure(DecodeStatus::Damaged, "data is shorter than the entry's size");
    return DecodeResult{DecodeStatus::Ok, crc, {}};
}

}  // namespace

std::uint8_t encryptionCheckByte(const ZipEntry& entry) {
    // With a data descriptor the CRC was not known when the header was written, so the
    // writer used the modification time instead.
    return entry.hasDataDescriptor() ? static_cast<std::uint8_t>(entry.dosTime >> 8)
                                     : static_cast<std::uint8_t>(entry.crc32 >> 24);
}

bool passwordFitsEntry(ByteSource& source, std::uint64_t dataStart, const ZipEntry& entry,
                       const std::string& password) {
    if (entry.compressedSize < kEncryptionHeaderSize) return false;
    std::array<std::uint8_t, kEncryptionHeaderSize> header;
    source.readAt(dataStart, header);
    return ZipCryptoDecryptor(password).acceptsHeader(header, encryptionCheckByte(entry));
}

DecodeResult decodeEntry(ByteSource& source, std::uint64_t dataStart, const ZipEntry& entry,
                         const std::string& password, ByteSink& sink) {
    if (entry.usesStrongEncryption())
        return failure(DecodeStatus::Unsupported, "strong encryption is not supported");
    if (entry.method != static_cast<std::uint16_t>(CompressionMethod::Stored) &&
        entry.method != static_cast<std::uint16_t>(CompressionMethod::Deflated))
        return failure(DecodeStatus::Unsupported,
                       "compression method " + std::to_string(entry.method) + " is not supported");
    StoredBytes input(source, dataStart, entry.compressedSize);
    if (entry.isEncrypted()) {
        if (entry.compressedSize < kEncryptionHeaderSize)
            return failure(DecodeStatus::Damaged, "encryption header missing");
        input.startDecryption(password);
    }
    DecodeResult result = entry.method == static_cast<std::uint16_t>(CompressionMethod::Stored)
                              ? copyStored(input, entry, sink)
                              : inflateEntry(input, entry, sink);
    if (result.status == DecodeStatus::Ok && result.foundCrc != entry.crc32)
        result.status = DecodeStatus::CrcMismatch;
    return result;
}

}  // namespace zipengine
