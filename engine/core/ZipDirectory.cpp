#include "engine/ZipDirectory.h"

#include <algorithm>
#include <array>

#include "engine/LittleEndian.h"
#include "engine/ZipRecords.h"

namespace zipengine {

using zipengine_abi::ZE_ErrArchiveStructure;

namespace {

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

struct ArchiveEnd {
    std::uint64_t position = 0;  // where the (zip64) end record starts
    std::uint64_t entryCount = 0;
    std::uint64_t directorySize = 0;
    std::uint64_t directoryOffset = 0;
};

// The last end-record signature whose comment length fits what follows it.
std::uint64_t findEndRecord(ByteSource& source) {
    if (source.size() < kEndRecordSize) damaged("This archive is not a valid Zip archive");
    std::uint64_t tailSize = std::min<std::uint64_t>(source.size(), kMaxEndSearch);
    std::uint64_t tailStart = source.size() - tailSize;
    std::vector<std::uint8_t> tail = readBlock(source, tailStart, tailSize);
    std::span<const std::uint8_t> bytes(tail);
    std::size_t last = tail.size() - kEndRecordSize;
    while (auto at = findSignatureBackwards(bytes, kEndSignature, last)) {
        auto record = decodeEndRecord(bytes.subspan(*at));
        if (record->commentLength <= tail.size() - *at - kEndRecordSize) return tailStart + *at;
        if (*at == 0) break;
        last = *at - 1;
    }
    damaged("This archive is not a valid Zip archive");
}

// Reads the zip64 end record named by a locator right in front of the end record. `required`:
// the end record's values overflowed, so the zip64 record must be there. Otherwise one found is
// used only when it checks out (Info-ZIP writes one for streamed archives, and the directory
// then ends at the zip64 record); a locator signature that is really part of the directory is
// ignored. The locator's offset does not count a stub put in front of the archive: when it
// leads to no zip64 record, the record right before the locator is taken, as other readers do.
void readZip64End(ByteSource& source, ArchiveEnd& end, bool required) {
    if (end.position < kZip64LocatorSize) {
        if (required) damaged("Zip64 end record missing");
        return;
    }
    const std::uint64_t locatorPosition = end.position - kZip64LocatorSize;
    auto locator = decodeZip64Locator(readBlock(source, locatorPosition, kZip64LocatorSize));
    if (!locator) return;  // the 0xFFFF values are genuine
    if (locatorPosition < kZip64EndSize) {
        if (required) damaged("Zip64 end record missing");
        return;
    }
    std::optional<Zip64EndRecord> record;
    std::uint64_t recordPosition = locator->endOffset;
    if (recordPosition <= locatorPosition - kZip64EndSize)
        record = decodeZip64End(readBlock(source, recordPosition, kZip64EndSize));
    if (!record) {
        recordPosition = locatorPosition - kZip64EndSize;
        record = decodeZip64End(readBlock(source, recordPosition, kZip64EndSize));
    }
    if (!record) {
        if (required) damaged("Zip64 end record damaged");
        return;
    }
    if (record->thisDisk != 0 || record->directoryDisk != 0)
        damaged("Multi-part archives are not supported");
    end.entryCount = record->totalEntries;
    end.directorySize = record->directorySize;
    end.directoryOffset = record->directoryOffset;
    end.position = recordPosition;
}

ArchiveEnd readArchiveEnd(ByteSource& source) {
    ArchiveEnd end;
    end.position = findEndRecord(source);
    auto record = decodeEndRecord(readBlock(source, end.position, kEndRecordSize));
    end.entryCount = record->totalEntries;
    end.directorySize = record->directorySize;
    end.directoryOffset = record->directoryOffset;
    if (record->saturated()) {
        readZip64End(source, end, true);
    } else if (record->thisDisk != 0 || record->directoryDisk != 0 ||
               record->entriesHere != record->totalEntries) {
        damaged("Multi-part archives are not supported");
    } else {
        readZip64End(source, end, false);
    }
    return end;
}

ZipEntry readCentralEntry(LittleEndianReader& reader, const OemDecoder& oem) {
    auto header =
        decodeCentralHeader(reader.bytes(std::min(reader.remaining(), kCentralHeaderSize)));
    if (!header) damaged("Zip directory entry damaged");
    ZipEntry entry;
    entry.flags = header->flags;
    entry.method = header->method;
    entry.dosTime = header->dosTime;
    entry.dosDate = header->dosDate;
    entry.crc32 = header->crc32;
    auto nameBytes = reader.bytes(header->nameLength);
    auto extra = reader.bytes(header->extraLength);
    reader.skip(header->commentLength);
    checkExtraFields(extra);
    EntrySizes sizes = applyZip64Field(
        {header->uncompressedSize, header->compressedSize, header->localHeaderOffset}, extra);
    entry.uncompressedSize = sizes.uncompressed;
    entry.compressedSize = sizes.compressed;
    entry.localHeaderOffset = sizes.localHeaderOffset;
    entry.utcModified = modifiedFromExtra(extra);
    entry.storedName.assign(reinterpret_cast<const char*>(nameBytes.data()), nameBytes.size());
    StoredName stored;
    stored.bytes = entry.storedName;
    stored.flags = header->flags;
    stored.versionMadeBy =
        static_cast<std::uint16_t>(header->hostSystem << 8 | header->versionMadeBy);
    stored.unicodePath =
        findExtraField(extra, kUnicodePathExtraId).value_or(std::span<const std::uint8_t>());
    entry.name = decodeEntryName(stored, oem);
    return entry;
}

// Where the entry's bytes lie, local header to end of data; std::nullopt when its local header
// cannot be read (extraction then reports that entry as damaged).
struct EntrySpan {
    std::uint64_t begin = 0;
    std::uint64_t dataStart = 0;
    std::uint64_t end = 0;
};

std::optional<EntrySpan> entrySpan(ByteSource& source, std::uint64_t limit, const ZipEntry& entry,
                                   bool checkName) {
    if (entry.localHeaderOffset > limit || limit - entry.localHeaderOffset < kLocalHeaderSize)
        return std::nullopt;
    std::array<std::uint8_t, kLocalHeaderSize> bytes{};
    source.readAt(entry.localHeaderOffset, bytes);
    auto header = decodeLocalHeader(bytes);
    if (!header) return std::nullopt;
    EntrySpan span{entry.localHeaderOffset};
    span.dataStart =
        entry.localHeaderOffset + kLocalHeaderSize + header->nameLength + header->extraLength;
    if (span.dataStart > limit) return std::nullopt;
    if (checkName) {
        if (header->nameLength != entry.storedName.size())
            damaged("Local header of " + entry.name + " names another file");
        std::string localName(header->nameLength, '\0');
        source.readAt(
            entry.localHeaderOffset + kLocalHeaderSize,
            std::span(reinterpret_cast<std::uint8_t*>(localName.data()), localName.size()));
        if (localName != entry.storedName)
            damaged("Local header of " + entry.name + " names another file");
    }
    span.end = addOrFail(span.dataStart, entry.compressedSize,
                         "Data of " + entry.name + " lies outside the archive");
    return span;
}

// No two entries may share bytes: two directory entries naming one local header, or one
// entry's data holding another's local header, would write the same bytes many times.
void checkEntriesApart(ByteSource& source, const ZipDirectory& directory) {
    std::vector<std::pair<EntrySpan, std::size_t>> spans;
    spans.reserve(directory.entries.size());
    for (std::size_t i = 0; i < directory.entries.size(); ++i)
        if (auto span =
                entrySpan(source, directory.centralDirectoryStart, directory.entries[i], true))
            spans.emplace_back(*span, i);
    std::sort(spans.begin(), spans.end(),
              [](const auto& a, const auto& b) { return a.first.begin < b.first.begin; });
    for (std::size_t i = 1; i < spans.size(); ++i)
        if (spans[i].first.begin < spans[i - 1].first.end)
            damaged("Entries " + directory.entries[spans[i - 1].second].name + " and " +
                    directory.entries[spans[i].second].name + " overlap in the archive");
}

}  // namespace

ZipDirectory readZipDirectory(ByteSource& source, const OemDecoder& oem) {
    ArchiveEnd end = readArchiveEnd(source);
    if (end.directorySize > end.position) damaged("Zip directory size is wrong");
    // Anything in front of the archive (a self-extractor stub) shifts every offset.
    std::uint64_t directoryStart = end.position - end.directorySize;
    if (directoryStart < end.directoryOffset) damaged("Zip directory offset is wrong");
    std::uint64_t shift = directoryStart - end.directoryOffset;
    // Each entry takes at least 46 bytes: a bogus count cannot make us reserve much.
    if (end.entryCount > end.directorySize / kCentralHeaderSize)
        damaged("Zip directory entry count is wrong");

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
    checkEntriesApart(source, directory);
    return directory;
}

std::uint64_t locateEntryData(ByteSource& source, const ZipDirectory& directory,
                              const ZipEntry& entry) {
    auto span = entrySpan(source, directory.centralDirectoryStart, entry, false);
    if (!span) damaged("Local header of " + entry.name + " damaged");
    if (span->end > directory.centralDirectoryStart)
        damaged("Data of " + entry.name + " lies outside the archive");
    return span->dataStart;
}

}  // namespace zipengine
