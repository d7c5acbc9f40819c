#include "archive/ZAStructs.h"

#include <cctype>
#include <cstring>
#include <stdexcept>

#include "archive/ZAXcpt.h"

ZipEndOfCentral ZipEndOfCentral::Decode(const uint8_t* p) {
    ZipEndOfCentral r;
    r.Signature = GetLE32(p);
    r.ThisDisk = GetLE16(p + 4);
    r.CentralDisk = GetLE16(p + 6);
    r.EntriesThisDisk = GetLE16(p + 8);
    r.TotalEntries = GetLE16(p + 10);
    r.CentralSize = GetLE32(p + 12);
    r.CentralOffset = GetLE32(p + 16);
    r.CommentLength = GetLE16(p + 20);
    return r;
}

void ZipEndOfCentral::Encode(uint8_t* p) const {
    PutLE32(p, Signature);
    PutLE16(p + 4, ThisDisk);
    PutLE16(p + 6, CentralDisk);
    PutLE16(p + 8, EntriesThisDisk);
    PutLE16(p + 10, TotalEntries);
    PutLE32(p + 12, CentralSize);
    PutLE32(p + 16, CentralOffset);
    PutLE16(p + 20, CommentLength);
}

void ZipDirEntry::CopyHeader(const uint8_t* centralHeader) {
    std::memcpy(static_cast<ZipDirHeader*>(this), centralHeader + 4, sizeof(ZipDirHeader));
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
