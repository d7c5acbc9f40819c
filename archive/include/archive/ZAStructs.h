// The zip records as the archive worker uses them, and the in-memory entry record.
//
// Every record is decoded by the zip records the engine reads with (engine/ZipRecords.h),
// through its bounds-checked little-endian reader; the names below are the worker's for the
// shared constants.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/ZipRecords.h"

namespace quill::archive {

inline constexpr uint32_t LocalHeaderSig = zipengine::kLocalHeaderSignature;
inline constexpr uint32_t CentralHeaderSig = zipengine::kCentralHeaderSignature;
inline constexpr uint32_t EndOfCentralSig = zipengine::kEndSignature;
// Starts the first part of a multi-part archive; the same value opens a data descriptor.
inline constexpr uint32_t ExtLocalSig = zipengine::kSpanMarkerSignature;

inline constexpr uint32_t EndOfCentralSize = zipengine::kEndRecordSize;
inline constexpr uint32_t CentralHeaderSize = zipengine::kCentralHeaderSize;
inline constexpr uint32_t LocalHeaderSize = zipengine::kLocalHeaderSize;
inline constexpr uint32_t DataDescriptorSize = 16;
// What a writer that streams its input puts between the directory and the end record even
// when every value fits the end record: a Zip64 end record of the plain form (56 bytes) and
// its locator (20 bytes).
inline constexpr uint32_t Zip64EndSize = zipengine::kZip64EndSize;
inline constexpr uint32_t Zip64LocatorSize = zipengine::kZip64LocatorSize;
// The end record plus the largest possible archive comment.
inline constexpr uint32_t MaxTailSearch = zipengine::kMaxEndSearch;
inline constexpr uint16_t MaxNameLength = 260;

inline constexpr uint16_t FlagEncrypted = zipengine::kFlagEncrypted;
inline constexpr uint16_t FlagDataDescriptor = zipengine::kFlagDataDescriptor;

// End-of-central-directory record (22 bytes; the comment follows it in the file).
using ZipEndOfCentral = zipengine::EndRecord;

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

    // Fills the fixed part from a decoded central header, field by field in file order.
    void SetHeader(const zipengine::CentralHeader& header);
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

}  // namespace quill::archive
