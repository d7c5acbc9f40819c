#include "engine/ZipDirectory.h"

#include <algorithm>
#include <array>

#include "engine/LittleEndian.h"

namespace zipengine {

using zipengine_abi::ZE_ErrArchiveStructure;

namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kMaxCommentSize = 0xFFFF;
constexpr std::uint16_t kZip64ExtraId = 0x0001;
constexpr std::uint16_t kTimestampExtraId = 0x5455;
constexpr std::uint16_t kUnicodePathExtraId = 0x7075;

[[noreturn]] void damaged(const std::string& what) {
    throw EngineError(ZE_ErrArchiveStructure, what);
}

std::vector<std::uint8_t> readBlock(ByteSource& source, std::uint64_t offset, std::uint64_t size) {
    if (offset > source.size() || size > source.size() - offset)
        damaged("Zip directory lies outside the archive");
    std::vector<std::uint8_t> block(static_cast<std::size_t>(size));
    source.readAt(offset, block);
    return block;
}

struct EndRecord {
    std::uint64_t position = 0;  // where the (zip64) end record starts
    std::uint64_t entryCount = 0;
    std::uint64_t directorySize = 0;
    std::uint64_t directoryOffset = 0;
};

// The last end-record signature whose comment length fits what follows it.
std::uint64_t findEndRecord(ByteSource& source) {
    if (source.size() < kEndRecordSize) damaged("This archive is not a valid Zip archive");
    std::uint64_t tailSize =
        std::min<std::uint64_t>(source.size(), kEndRecordSize + kMaxCommentSize);
    std::uint64_t tailStart = source.size() - tailSize;
    std::vector<std::uint8_t> tail = readBlock(source, tailStart, tailSize);
    for (std::size_t i = tail.size() - kEndRecordSize + 1; i-- > 0;) {
        LittleEndianReader reader{std::span<const std::uint8_t>(tail).subspan(i)};
        if (reader.u32() != kEndSignature) continue;
        reader.skip(16);
        if (reader.u16() <= reader.remaining()) return tailStart + i;
    }
    damaged("This archive is not a valid Zip archive");
}

// Reads the zip64 end record named by a locator right in front of the end record. `required`:
// the end record's values overflowed, so the zip64 record must be there. Otherwise one found is
// used only when it checks out (Info-ZIP writes one for streamed archives, and the directory
// then ends at the zip64 record); a locator signature that is really part of the directory is
// ignored.
void readZip64End(ByteSource& source, EndRecord& end, bool required) {
    if (end.position < 20) {
        if (required) damaged("Zip64 end record missing");
        return;
    }
    auto locatorBytes = readBlock(source, end.position - 20, 20);
    LittleEndianReader locator(locatorBytes);
    if (locator.u32() != kZip64LocatorSignature) return;  // the 0xFFFF values are genuine
    locator.skip(4);
    std::uint64_t zip64EndOffset = locator.u64();
    if (!required &&
        (zip64EndOffset > end.position - 20 || end.position - 20 - zip64EndOffset < 56))
        return;
    auto recordBytes = readBlock(source, zip64EndOffset, 56);
    LittleEndianReader record(recordBytes);
    if (record.u32() != kZip64EndSignature) {
        if (required) damaged("Zip64 end record damaged");
        return;
    }
    record.skip(8 + 2 + 2);
    if (record.u32() != 0 || record.u32() != 0) damaged("Multi-part archives are not supported");
    record.skip(8);
    end.entryCount = record.u64();
    end.directorySize = record.u64();
    end.directoryOffset = record.u64();
    end.position = zip64EndOffset;
}

EndRecord readEndRecord(ByteSource& source) {
    EndRecord end;
    end.position = findEndRecord(source);
    auto bytes = readBlock(source, end.position, kEndRecordSize);
    LittleEndianReader reader(bytes);
    reader.skip(4);
    std::uint16_t thisDisk = reader.u16();
    std::uint16_t directoryDisk = reader.u16();
    std::uint16_t entriesHere = reader.u16();
    end.entryCount = reader.u16();
    end.directorySize = reader.u32();
    end.directoryOffset = reader.u32();
    if (end.entryCount == 0xFFFF || end.directorySize == 0xFFFFFFFF ||
        end.directoryOffset == 0xFFFFFFFF) {
        readZip64End(source, end, true);
    } else if (thisDisk != 0 || directoryDisk != 0 || entriesHere != end.entryCount) {
        damaged("Multi-part archives are not supported");
    } else {
        readZip64End(source, end, false);
    }
    return end;
}

// Returns the data of the Unicode Path field (empty when there is none).
std::span<const std::uint8_t> applyExtraFields(std::span<const std::uint8_t> extra,
                                               ZipEntry& entry) {
    std::span<const std::uint8_t> unicodePath;
    LittleEndianReader reader(extra);
    while (reader.remaining() >= 4) {
        std::uint16_t id = reader.u16();
        std::uint16_t size = reader.u16();
        if (size > reader.remaining()) damaged("Extra field is truncated");
        std::span<const std::uint8_t> data = reader.bytes(size);
        LittleEndianReader field(data);
        if (id == kZip64ExtraId) {
            // Only the values that overflowed their 32-bit fields are present, in this order.
            if (entry.uncompressedSize == 0xFFFFFFFF) entry.uncompressedSize = field.u64();
            if (entry.compressedSize == 0xFFFFFFFF) entry.compressedSize = field.u64();
            if (entry.localHeaderOffset == 0xFFFFFFFF) entry.localHeaderOffset = field.u64();
        } else if (id == kTimestampExtraId && size >= 5) {
            std::uint8_t present = field.bytes(1)[0];
            if (present & 1) entry.unixModified = static_cast<std::int32_t>(field.u32());
        } else if (id == kUnicodePathExtraId) {
            unicodePath = data;
        }
    }
    return unicodePath;
}

ZipEntry readCentralEntry(LittleEndianReader& reader, const OemDecoder& oem) {
    if (reader.u32() != kCentralSignature) damaged("Zip directory entry damaged");
    ZipEntry entry;
    StoredName stored;
    stored.versionMadeBy = reader.u16();
    reader.skip(2);  // version needed
    entry.flags = stored.flags = reader.u16();
    entry.method = reader.u16();
    entry.dosTime = reader.u16();
    entry.dosDate = reader.u16();
    entry.crc32 = reader.u32();
    entry.compressedSize = reader.u32();
    entry.uncompressedSize = reader.u32();
    std::uint16_t nameLength = reader.u16();
    std::uint16_t extraLength = reader.u16();
    std::uint16_t commentLength = reader.u16();
    reader.skip(2 + 2 + 4);  // disk, internal and external attributes
    entry.localHeaderOffset = reader.u32();
    auto nameBytes = reader.bytes(nameLength);
    stored.bytes = std::string_view(reinterpret_cast<const char*>(nameBytes.data()), nameLength);
    stored.unicodePath = applyExtraFields(reader.bytes(extraLength), entry);
    entry.name = decodeEntryName(stored, oem);
    reader.skip(commentLength);
    return entry;
}

}  // namespace

ZipDirectory readZipDirectory(ByteSource& source, const OemDecoder& oem) {
    EndRecord end = readEndRecord(source);
    if (end.directorySize > end.position) damaged("Zip directory size is wrong");
    // Anything in front of the archive (a self-extractor stub) shifts every offset.
    std::uint64_t directoryStart = end.position - end.directorySize;
    if (directoryStart < end.directoryOffset) damaged("Zip directory offset is wrong");
    std::uint64_t shift = directoryStart - end.directoryOffset;
    // Each entry takes at least 46 bytes: a bogus count cannot make us reserve much.
    if (end.entryCount > end.directorySize / 46) damaged("Zip directory entry count is wrong");

    auto bytes = readBlock(source, directoryStart, end.directorySize);
    LittleEndianReader reader(bytes);
    ZipDirectory directory;
    directory.centralDirectoryStart = directoryStart;
    directory.entries.reserve(static_cast<std::size_t>(end.entryCount));
    for (std::uint64_t i = 0; i < end.entryCount; ++i) {
        ZipEntry entry = readCentralEntry(reader, oem);
        if (entry.localHeaderOffset > directoryStart - shift)
            damaged("Zip entry lies outside the archive");
        entry.localHeaderOffset += shift;
        directory.entries.push_back(std::move(entry));
    }
    return directory;
}

std::uint64_t locateEntryData(ByteSource& source, const ZipDirectory& directory,
                              const ZipEntry& entry) {
    constexpr std::size_t kLocalHeaderSize = 30;
    std::array<std::uint8_t, kLocalHeaderSize> header{};
    if (entry.localHeaderOffset + kLocalHeaderSize > directory.centralDirectoryStart)
        damaged("Local header of " + entry.name + " lies outside the archive");
    source.readAt(entry.localHeaderOffset, header);
    LittleEndianReader reader(header);
    if (reader.u32() != kLocalSignature) damaged("Local header of " + entry.name + " damaged");
    reader.skip(22);
    std::uint64_t nameLength = reader.u16();
    std::uint64_t extraLength = reader.u16();
    std::uint64_t dataStart = entry.localHeaderOffset + kLocalHeaderSize + nameLength + extraLength;
    if (dataStart > directory.centralDirectoryStart ||
        entry.compressedSize > directory.centralDirectoryStart - dataStart)
        damaged("Data of " + entry.name + " lies outside the archive");
    return dataStart;
}

}  // namespace zipengine
