// The zip format's records, decoded from byte buffers through LittleEndianReader only: end
// records (Zip64 included), central and local headers, extra fields, and the arithmetic on
// sizes and offsets, which never wraps. Shared by the engine and the archive component, so a
// fault of the format is mended in one place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace zipengine {

inline constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
inline constexpr std::uint32_t kCentralHeaderSignature = 0x02014b50;
inline constexpr std::uint32_t kEndSignature = 0x06054b50;
inline constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
// Opens the first part of a multi-part archive; the same value opens a data descriptor.
inline constexpr std::uint32_t kSpanMarkerSignature = 0x08074b50;

inline constexpr std::size_t kEndRecordSize = 22;
inline constexpr std::size_t kCentralHeaderSize = 46;
inline constexpr std::size_t kLocalHeaderSize = 30;
inline constexpr std::size_t kZip64EndSize = 56;  // without extensible data
inline constexpr std::size_t kZip64LocatorSize = 20;
inline constexpr std::size_t kMaxCommentSize = 0xFFFF;
// The end record plus the largest possible archive comment: how far from the end it can lie.
inline constexpr std::size_t kMaxEndSearch = kEndRecordSize + kMaxCommentSize;

inline constexpr std::uint16_t kFlagEncrypted = 0x0001;
inline constexpr std::uint16_t kFlagDataDescriptor = 0x0008;

inline constexpr std::uint16_t kZip64ExtraId = 0x0001;
inline constexpr std::uint16_t kNtfsTimeExtraId = 0x000A;
inline constexpr std::uint16_t kExtendedTimeExtraId = 0x5455;
inline constexpr std::uint16_t kOldUnixExtraId = 0x5855;
inline constexpr std::uint16_t kUnicodePathExtraId = 0x7075;

// Where the fields that a joiner rewrites lie in a central header.
inline constexpr std::size_t kCentralDiskStartField = 34;
inline constexpr std::size_t kCentralLocalOffsetField = 42;

// The signature the bytes start with; 0 when fewer than four bytes are given.
std::uint32_t signatureOf(std::span<const std::uint8_t> bytes);

// The last position at or before `last` where `signature` starts in `block`.
std::optional<std::size_t> findSignatureBackwards(std::span<const std::uint8_t> block,
                                                  std::uint32_t signature, std::size_t last);

struct EndRecord {
    std::uint16_t thisDisk = 0;
    std::uint16_t directoryDisk = 0;
    std::uint16_t entriesHere = 0;
    std::uint16_t totalEntries = 0;
    std::uint32_t directorySize = 0;
    std::uint32_t directoryOffset = 0;
    std::uint16_t commentLength = 0;

    // A value stands for "see the Zip64 end record".
    bool saturated() const {
        return totalEntries == 0xFFFF || directorySize == 0xFFFFFFFF ||
               directoryOffset == 0xFFFFFFFF;
    }
};

// Each decode answers std::nullopt when the bytes do not start with the record's signature and
// throws EngineError (ZE_ErrArchiveStructure) when they are too few for the record.
std::optional<EndRecord> decodeEndRecord(std::span<const std::uint8_t> bytes);
void encodeEndRecord(const EndRecord& record, std::span<std::uint8_t> out);

struct Zip64Locator {
    std::uint32_t endDisk = 0;
    std::uint64_t endOffset = 0;  // as the writer saw it: a stub in front is not counted
    std::uint32_t totalDisks = 0;
};
std::optional<Zip64Locator> decodeZip64Locator(std::span<const std::uint8_t> bytes);

struct Zip64EndRecord {
    std::uint64_t recordSize = 0;  // what follows this field: 44 without extensible data
    std::uint32_t thisDisk = 0;
    std::uint32_t directoryDisk = 0;
    std::uint64_t entriesHere = 0;
    std::uint64_t totalEntries = 0;
    std::uint64_t directorySize = 0;
    std::uint64_t directoryOffset = 0;
};
std::optional<Zip64EndRecord> decodeZip64End(std::span<const std::uint8_t> bytes);

struct CentralHeader {
    std::uint8_t versionMadeBy = 0;
    std::uint8_t hostSystem = 0;
    std::uint16_t versionNeeded = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint16_t dosTime = 0;
    std::uint16_t dosDate = 0;
    std::uint32_t crc32 = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint16_t nameLength = 0;
    std::uint16_t extraLength = 0;
    std::uint16_t commentLength = 0;
    std::uint16_t diskStart = 0;
    std::uint16_t internalAttributes = 0;
    std::uint32_t externalAttributes = 0;
    std::uint32_t localHeaderOffset = 0;
};
std::optional<CentralHeader> decodeCentralHeader(std::span<const std::uint8_t> bytes);

struct LocalHeader {
    std::uint16_t versionNeeded = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t crc32 = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint16_t nameLength = 0;
    std::uint16_t extraLength = 0;
};
std::optional<LocalHeader> decodeLocalHeader(std::span<const std::uint8_t> bytes);

// The data of the first extra field with this id; a field that claims more bytes than follow
// ends the search. std::nullopt when there is none.
std::optional<std::span<const std::uint8_t>> findExtraField(std::span<const std::uint8_t> extra,
                                                            std::uint16_t id);
// Throws EngineError (ZE_ErrArchiveStructure) when a field claims more bytes than follow.
void checkExtraFields(std::span<const std::uint8_t> extra);

// The 64-bit values of a Zip64 field: only those whose 32-bit fields hold 0xFFFFFFFF are
// present, in this order. Throws when the field is too short for them.
struct EntrySizes {
    std::uint64_t uncompressed = 0;
    std::uint64_t compressed = 0;
    std::uint64_t localHeaderOffset = 0;
};
EntrySizes applyZip64Field(const EntrySizes& stored, std::span<const std::uint8_t> extra);

// The modification time the extra fields give, in 100-ns ticks since 1970-01-01 UTC: the
// NTFS field (100 ns) first, then the extended timestamp, then the old Unix field (seconds).
// std::nullopt when none of them holds one; the DOS time is then the only one, in local time.
std::optional<std::int64_t> modifiedFromExtra(std::span<const std::uint8_t> extra);

// Sums of sizes and offsets: std::nullopt instead of wrapping around.
std::optional<std::uint64_t> checkedAdd(std::uint64_t a, std::uint64_t b);
// The same, throwing EngineError (ZE_ErrArchiveStructure) with `what` on overflow.
std::uint64_t addOrFail(std::uint64_t a, std::uint64_t b, const std::string& what);

}  // namespace zipengine
