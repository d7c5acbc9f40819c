#include "archive/ZAStructs.h"

#include <cctype>
#include <stdexcept>

#include "archive/ZAXcpt.h"

namespace quill::archive {

void ZipDirEntry::SetHeader(const zipengine::CentralHeader& header) {
    VersionMadeBy = header.versionMadeBy;
    HostSystem = header.hostSystem;
    VersionNeeded = header.versionNeeded;
    Flags = header.flags;
    Method = header.method;
    DosDateTime = uint32_t(header.dosTime) | uint32_t(header.dosDate) << 16;
    Crc32 = header.crc32;
    CompressedSize = header.compressedSize;
    UncompressedSize = header.uncompressedSize;
    NameLength = header.nameLength;
    ExtraLength = header.extraLength;
    CommentLength = header.commentLength;
    DiskStart = header.diskStart;
    InternalAttributes = header.internalAttributes;
    ExternalAttributes = header.externalAttributes;
    LocalHeaderOffset = header.localHeaderOffset;
}

TZADataItem& TZADataList::Items(size_t index) {
    if (index >= items_.size()) throw std::out_of_range("Index out of range");
    return items_[index];
}

TZADataItem& TZADataList::FindName(const char* name, size_t length) {
    for (TZADataItem& item : items_) {
        if (item.Placed || item.NameLength != length) continue;
        size_t i = 0;
        while (i < length && std::toupper(static_cast<unsigned char>(item.Name[i])) ==
                                 std::toupper(static_cast<unsigned char>(name[i])))
            ++i;
        if (i == length) return item;
    }
    throw EZipArchiver::CreateText("A local header not found in internal structure", true);
}

}  // namespace quill::archive
