// The archive's central directory, read from the end record backwards (zip64 included).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/ByteSource.h"
#include "engine/EntryName.h"

namespace zipengine {

enum class CompressionMethod : std::uint16_t { Stored = 0, Deflated = 8 };

struct ZipEntry {
    std::string name;        // decoded to UTF-8; forward or back slashes as stored
    std::string storedName;  // the bytes of the central header, as the local header must repeat
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint16_t dosTime = 0;
    std::uint16_t dosDate = 0;
    std::uint32_t crc32 = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint64_t localHeaderOffset = 0;  // already corrected for data in front of the archive
    // 100-ns ticks since 1970 UTC, from the NTFS, extended or old Unix time field.
    std::optional<std::int64_t> utcModified;

    bool isEncrypted() const { return flags & 0x0001; }
    bool hasDataDescriptor() const { return flags & 0x0008; }
    bool usesStrongEncryption() const { return flags & 0x0040; }
    bool isDirectory() const {
        return !name.empty() && (name.back() == '/' || name.back() == '\\');
    }
};

struct ZipDirectory {
    std::vector<ZipEntry> entries;
    std::uint64_t centralDirectoryStart = 0;  // entry data never reaches past this
};

// Throws EngineError (ZE_ErrArchiveStructure) when the archive is not a readable zip archive:
// also when a local header names another file than its central header, or when two entries
// share bytes (local header to end of data), the pattern of archives that expand one stretch
// of data many times over. `oem` decodes the names that are neither flagged nor recognisable
// as UTF-8.
ZipDirectory readZipDirectory(ByteSource& source, const OemDecoder& oem = {});

// Offset of the entry's data, after its local header; checked to lie inside the archive.
std::uint64_t locateEntryData(ByteSource& source, const ZipDirectory& directory,
                              const ZipEntry& entry);

}  // namespace zipengine
