// Turns one entry's stored bytes back into its content: decryption, inflation, CRC check.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "engine/ByteSource.h"
#include "engine/ZipDirectory.h"

namespace zipengine {

// Receives the decoded content in order; may throw to stop (a write error, say).
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void write(std::span<const std::uint8_t> bytes) = 0;
};

enum class DecodeStatus { Ok, CrcMismatch, Damaged, Unsupported };

struct DecodeResult {
    DecodeStatus status = DecodeStatus::Ok;
    std::uint32_t foundCrc = 0;
    std::string detail;  // why the data was found damaged or unsupported
};

// The byte that the last byte of the decrypted encryption header must equal.
std::uint8_t encryptionCheckByte(const ZipEntry& entry);

// Whether `password` opens the entry, judged by the encryption header's check byte (so a
// wrong password passes once in 256 times; the CRC catches those).
bool passwordFitsEntry(ByteSource& source, std::uint64_t dataStart, const ZipEntry& entry,
                       const std::string& password);

// Decodes the entry into `sink`. `password` is used only for encrypted entries. Never writes
// more than the entry's declared size: longer output counts as damaged data.
DecodeResult decodeEntry(ByteSource& source, std::uint64_t dataStart, const ZipEntry& entry,
                         const std::string& password, ByteSink& sink);

}  // namespace zipengine
