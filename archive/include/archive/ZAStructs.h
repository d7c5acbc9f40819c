// On-disk zip records read by the archive worker, and the in-memory entry record.
//
// Records are decoded with explicit little-endian helpers from byte buffers; the one
// exception is the entry record's fixed part, which by design is a block copy of the 42
// central-header bytes after the signature (same order and widths, packed).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

static_assert(std::endian::native == std::endian::little,
              "ZipDirEntry is filled by a block copy of little-endian bytes");

inline constexpr uint32_t LocalHeaderSig = 0x04034B50;
inline constexpr uint32_t CentralHeaderSig = 0x02014B50;
inline constexpr uint32_t EndOfCentralSig = 0x06054B50;
// Starts the first part of a multi-part archive; the same value opens a data descriptor.
inline constexpr uint32_t ExtLocalSig = 0x08074B50;

inline constexpr uint32_t EndOfCentralSize = 22;
inline constexpr uint32_t CentralHeaderSize = 46;
inline constexpr uint32_t LocalHeaderSize = 30;
inline constexpr uint32_t DataDescriptorSize = 16;
// What a writer that streams its input puts between the directory and the end record even
// when every value fits the end record: a Zip64 end record of the plain form (56 bytes) and
// its locator (20 bytes).
inline constexpr uint32_t Zip64EndSig = 0x06064B50;
inline constexpr uint32_t Zip64LocatorSig = 0x07064B50;
inline constexpr uint32_t Zip64EndSize = 56;
inline constexpr uint32_t Zip64LocatorSize = 20;
// The Zip64 extended-information extra field: the 64-bit values of 32-bit fields that hold
// 0xFFFFFFFF.
inline constexpr uint16_t Zip64ExtraId = 0x0001;
// The end record plus the largest possible archive comment.
inline constexpr uint32_t MaxTailSearch = EndOfCentralSize + 65535;
inline constexpr uint16_t MaxNameLength = 260;

inline uint16_t GetLE16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
inline uint32_t GetLE32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void PutLE16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void PutLE32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// End-of-central-directory record (22 bytes; the comment follows it in the file).
struct ZipEndOfCentral {
    uint32_t Signature = 0;
    uint16_t ThisDisk = 0;
    uint16_t CentralDisk = 0;
    uint16_t EntriesThisDisk = 0;
    uint16_t TotalEntries = 0;
    uint32_t CentralSize = 0;
    uint32_t CentralOffset = 0;
    uint16_t CommentLength = 0;

    static ZipEndOfCentral Decode(const uint8_t* p);
    void Encode(uint8_t* p) const;
};

// Central directory header (46 bytes; name, extra field and comment follow).
// Only the fields the reader and the joiner rewrite or test are decoded by name.
namespace ZipCentral {
inline constexpr size_t VersionMadeBy = 4;
inline constexpr size_t HostSystem = 5;
inline constexpr size_t Flags = 8;
inline constexpr size_t Crc32 = 16;
inline constexpr size_t CompressedSize = 20;
inline constexpr size_t NameLength = 28;
inline constexpr size_t ExtraLength = 30;
inline constexpr size_t CommentLength = 32;
inline constexpr size_t DiskStart = 34;
inline constexpr size_t LocalHeaderOffset = 42;
}  // namespace ZipCentral

// Local file header (30 bytes; name and extra field follow).
namespace ZipLocal {
inline constexpr size_t Flags = 6;
inline constexpr size_t CompressedSize = 18;
inline constexpr size_t NameLength = 26;
inline constexpr size_t ExtraLength = 28;
}  // namespace ZipLocal

inline constexpr uint16_t FlagEncrypted = 0x0001;
inline constexpr uint16_t FlagDataDescriptor = 0x0008;

#pragma pack(push, 1)
// The 42 bytes of a central header that follow its signature, in file order.
struct ZipDirHeader {
    uint8_t VersionMadeBy;
    uint8_t HostSystem;
    uint16_t VersionNeeded;
    uint16_t Flags;
    uint16_t Method;
    uint32_t DosDateTime;
    uint32_t Crc32;
    uint32_t CompressedSize;
    uint32_t UncompressedSize;
    uint16_t NameLength;
    uint16_t ExtraLength;
    uint16_t CommentLength;
    uint16_t DiskStart;
    uint16_t InternalAttributes;
    uint32_t ExternalAttributes;
    uint32_t LocalHeaderOffset;
};
#pragma pack(pop)
static_assert(sizeof(ZipDirHeader) == CentralHeaderSize - 4);

// One entry of the worker's EntryList. Texts are byte strings in the ANSI code page.
struct ZipDirEntry : ZipDirHeader {
    std::string FileName;     // converted, with "/" turned into "\"
    std::string FileComment;  // converted; empty when none
    bool IsEncrypted = false;
    std::string ExtraField;  // raw bytes

    // Fills the fixed part from a whole 46-byte central header (signature first).
    void CopyHeader(const uint8_t* centralHeader);
};

// Item of the joiner's name table: one per central header, in directory order.
struct TZADataItem {
    uint16_t NameLength = 0;
    char Name[255] = {};
    uint32_t CompressedSize = 0;
    uint32_t Crc32 = 0;
    int64_t NewOffset = 0;  // offset of the local header in the joined output
    // Its local header has been copied: a second entry of the same name takes the next item.
    bool Placed = false;
};

// Fixed-size table built from the central directory, looked up by the local headers.
class TZADataList {
public:
    explicit TZADataList(size_t count) : items_(count) {}

    size_t Count() const { return items_.size(); }
    // Throws std::out_of_range("Index out of range") at or beyond Count().
    TZADataItem& Items(size_t index);
    // The first item not yet placed whose stored name matches, ignoring case; a miss throws
    // EZipArchiver with the literal text "A local header not found in internal structure",
    // displayed.
    TZADataItem& FindName(const char* name, size_t length);

private:
    std::vector<TZADataItem> items_;
};
