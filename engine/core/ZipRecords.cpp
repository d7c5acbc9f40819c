#include "engine/ZipRecords.h"

#include "engine/EngineError.h"
#include "engine/LittleEndian.h"

namespace zipengine {

using zipengine_abi::ZE_ErrArchiveStructure;

namespace {

// Ticks of 100 ns between 1601-01-01 (NTFS) and 1970-01-01 (Unix).
constexpr std::int64_t kNtfsToUnixTicks = 116444736000000000;
constexpr std::int64_t kTicksPerSecond = 10000000;

// A reader past the signature, or std::nullopt when the signature is another.
std::optional<LittleEndianReader> openRecord(std::span<const std::uint8_t> bytes,
                                             std::uint32_t signature, std::size_t size) {
    LittleEndianReader reader(bytes);
    if (bytes.size() >= 4 && reader.u32() != signature) return std::nullopt;
    if (bytes.size() < size) throw EngineError(ZE_ErrArchiveStructure, "Zip record is truncated");
    return reader;
}

std::optional<std::int64_t> ntfsModified(std::span<const std::uint8_t> data) {
    // Four reserved bytes, then tagged attributes; tag 1 holds three FILETIMEs, mtime first.
    LittleEndianReader reader(data);
    if (reader.remaining() < 4) return std::nullopt;
    reader.skip(4);
    while (reader.remaining() >= 4) {
        std::uint16_t tag = reader.u16();
        std::uint16_t size = reader.u16();
        if (size > reader.remaining()) return std::nullopt;
        LittleEndianReader attribute(reader.bytes(size));
        if (tag != 1 || size < 8) continue;
        std::uint64_t ticks = attribute.u64();
        if (ticks == 0 || ticks > static_cast<std::uint64_t>(INT64_MAX)) return std::nullopt;
        return static_cast<std::int64_t>(ticks) - kNtfsToUnixTicks;
    }
    return std::nullopt;
}

}  // namespace

std::uint32_t signatureOf(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 4) return 0;
    return LittleEndianReader(bytes).u32();
}

std::optional<std::size_t> findSignatureBackwards(std::span<const std::uint8_t> block,
                                                  std::uint32_t signature, std::size_t last) {
    if (block.size() < 4) return std::nullopt;
    for (std::size_t i = std::min(last, block.size() - 4) + 1; i-- > 0;)
        if (signatureOf(block.subspan(i, 4)) == signature) return i;
    return std::nullopt;
}

std::optional<EndRecord> decodeEndRecord(std::span<const std::uint8_t> bytes) {
    auto reader = openRecord(bytes, kEndSignature, kEndRecordSize);
    if (!reader) return std::nullopt;
    EndRecord record;
    record.thisDisk = reader->u16();
    record.directoryDisk = reader->u16();
    record.entriesHere = reader->u16();
    record.totalEntries = reader->u16();
    record.directorySize = reader->u32();
    record.directoryOffset = reader->u32();
    record.commentLength = reader->u16();
    return record;
}

void encodeEndRecord(const EndRecord& record, std::span<std::uint8_t> out) {
    LittleEndianWriter writer(out);
    writer.u32(kEndSignature);
    writer.u16(record.thisDisk);
    writer.u16(record.directoryDisk);
    writer.u16(record.entriesHere);
    writer.u16(record.totalEntries);
    writer.u32(record.directorySize);
    writer.u32(record.directoryOffset);
    writer.u16(record.commentLength);
}

std::optional<Zip64Locator> decodeZip64Locator(std::span<const std::uint8_t> bytes) {
    auto reader = openRecord(bytes, kZip64LocatorSignature, kZip64LocatorSize);
    if (!reader) return std::nullopt;
    Zip64Locator locator;
    locator.endDisk = reader->u32();
    locator.endOffset = reader->u64();
    locator.totalDisks = reader->u32();
    return locator;
}

std::optional<Zip64EndRecord> decodeZip64End(std::span<const std::uint8_t> bytes) {
    auto reader = openRecord(bytes, kZip64EndSignature, kZip64EndSize);
    if (!reader) return std::nullopt;
    Zip64EndRecord record;
    record.recordSize = reader->u64();
    reader->skip(2 + 2);  // versions
    record.thisDisk = reader->u32();
    record.directoryDisk = reader->u32();
    record.entriesHere = reader->u64();
    record.totalEntries = reader->u64();
    record.directorySize = reader->u64();
    record.directoryOffset = reader->u64();
    return record;
}

std::optional<CentralHeader> decodeCentralHeader(std::span<const std::uint8_t> bytes) {
    auto reader = openRecord(bytes, kCentralHeaderSignature, kCentralHeaderSize);
    if (!reader) return std::nullopt;
    CentralHeader header;
    header.versionMadeBy = reader->bytes(1)[0];
    header.hostSystem = reader->bytes(1)[0];
    header.versionNeeded = reader->u16();
    header.flags = reader->u16();
    header.method = reader->u16();
    header.dosTime = reader->u16();
    header.dosDate = reader->u16();
    header.crc32 = reader->u32();
    header.compressedSize = reader->u32();
    header.uncompressedSize = reader->u32();
    header.nameLength = reader->u16();
    header.extraLength = reader->u16();
    header.commentLength = reader->u16();
    header.diskStart = reader->u16();
    header.internalAttributes = reader->u16();
    header.externalAttributes = reader->u32();
    header.localHeaderOffset = reader->u32();
    return header;
}

std::optional<LocalHeader> decodeLocalHeader(std::span<const std::uint8_t> bytes) {
    auto reader = openRecord(bytes, kLocalHeaderSignature, kLocalHeaderSize);
    if (!reader) return std::nullopt;
    LocalHeader header;
    header.versionNeeded = reader->u16();
    header.flags = reader->u16();
    header.method = reader->u16();
    reader->skip(4);  // DOS time and date
    header.crc32 = reader->u32();
    header.compressedSize = reader->u32();
    header.uncompressedSize = reader->u32();
    header.nameLength = reader->u16();
    header.extraLength = reader->u16();
    return header;
}

std::optional<std::span<const std::uint8_t>> findExtraField(std::span<const std::uint8_t> extra,
                                                            std::uint16_t id) {
    LittleEndianReader reader(extra);
    while (reader.remaining() >= 4) {
        std::uint16_t fieldId = reader.u16();
        std::uint16_t size = reader.u16();
        if (size > reader.remaining()) return std::nullopt;
        auto data = reader.bytes(size);
        if (fieldId == id) return data;
    }
    return std::nullopt;
}

void checkExtraFields(std::span<const std::uint8_t> extra) {
    LittleEndianReader reader(extra);
    while (reader.remaining() >= 4) {
        reader.skip(2);
        std::uint16_t size = reader.u16();
        if (size > reader.remaining())
            throw EngineError(ZE_ErrArchiveStructure, "Extra field is truncated");
        reader.skip(size);
    }
}

EntrySizes applyZip64Field(const EntrySizes& stored, std::span<const std::uint8_t> extra) {
    EntrySizes sizes = stored;
    auto field = findExtraField(extra, kZip64ExtraId);
    if (!field) return sizes;
    LittleEndianReader reader(*field);
    if (sizes.uncompressed == 0xFFFFFFFF) sizes.uncompressed = reader.u64();
    if (sizes.compressed == 0xFFFFFFFF) sizes.compressed = reader.u64();
    if (sizes.localHeaderOffset == 0xFFFFFFFF) sizes.localHeaderOffset = reader.u64();
    return sizes;
}

std::optional<std::int64_t> modifiedFromExtra(std::span<const std::uint8_t> extra) {
    if (auto ntfs = findExtraField(extra, kNtfsTimeExtraId))
        if (auto ticks = ntfsModified(*ntfs)) return ticks;
    if (auto extended = findExtraField(extra, kExtendedTimeExtraId);
        extended && extended->size() >= 5 && ((*extended)[0] & 1)) {
        LittleEndianReader reader(extended->subspan(1));
        return std::int64_t{static_cast<std::int32_t>(reader.u32())} * kTicksPerSecond;
    }
    if (auto oldUnix = findExtraField(extra, kOldUnixExtraId); oldUnix && oldUnix->size() >= 8) {
        LittleEndianReader reader(*oldUnix);
        reader.skip(4);  // access time
        return std::int64_t{reader.u32()} * kTicksPerSecond;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> checkedAdd(std::uint64_t a, std::uint64_t b) {
    std::uint64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) return std::nullopt;
    return sum;
}

std::uint64_t addOrFail(std::uint64_t a, std::uint64_t b, const std::string& what) {
    auto sum = checkedAdd(a, b);
    if (!sum) throw EngineError(ZE_ErrArchiveStructure, what);
    return *sum;
}

}  // namespace zipengine
