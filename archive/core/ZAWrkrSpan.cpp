// Joining the parts of a multi-part archive into one ordinary archive file.
#include <algorithm>
#include <new>

#include "archive/ZAWrkr.h"

namespace {
// One buffer of this size serves every copy of a run.
constexpr uint32_t CopyChunk = 10240;
// "UnKnown error in function ReadSpan(), ...": any failure that is no archive error.
constexpr int SpanUnknownError = 11024;

EZipArchiver Failure(int id) {
    return EZipArchiver::CreateId(id, true);
}
EZipArchiver UserCanceled() {
    return EZipArchiver::CreateId(ZS::Canceled, false);
}

bool HasZip64Field(const std::vector<uint8_t>& extra) {
    for (size_t at = 0; at + 4 <= extra.size(); at += 4 + GetLE16(extra.data() + at + 2))
        if (GetLE16(extra.data() + at) == Zip64ExtraId) return true;
    return false;
}

std::string WithBackslashes(std::string name) {
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}
}  // namespace

struct TZAWorker::TSpanRun {
    bool Joining = false;
    std::vector<uint8_t> Buffer;
    std::unique_ptr<TZAFile> Out;
    int64_t OutPos = 0;
};

void TZAWorker::WriteOut(TSpanRun& run, const void* data, uint32_t count, int id) {
    if (count == 0) return;
    if (run.Out->Write(data, count) != count) throw Failure(id);
    run.OutPos += count;
    Report(run.Joining ? ZAReport::ExtraProgress : ZAReport::Progress, 0, count, {});
}

void TZAWorker::ReadAcross(uint8_t* buffer, uint32_t count, int id) {
    uint32_t got = FArchiveHandle->Read(buffer, count);
    while (got < count) {
        // The bytes go on in the next part.
        if (CurrentDisk >= LastDiskNumber) throw Failure(id);
        GetNewDisk(CurrentDisk + 1);
        got += FArchiveHandle->Read(buffer + got, count - got);
    }
}

void TZAWorker::CopyBytes(TSpanRun& run, uint32_t count, int id) {
    while (count > 0) {
        const uint32_t chunk = std::min(count, CopyChunk);
        ReadAcross(run.Buffer.data(), chunk, id);
        WriteOut(run, run.Buffer.data(), chunk, id);
        count -= chunk;
    }
}

void TZAWorker::CopyDataDescriptor(TSpanRun& run, const TZADataItem& item, bool zip64) {
    // [signature] CRC, compressed and uncompressed size, the sizes 64-bit after a Zip64 local
    // header. The signature is optional; a CRC that equals it is read as the signature.
    uint8_t bytes[24];
    ReadAcross(bytes, 4, ZS::DataDesc);
    const uint32_t offset = GetLE32(bytes) == ExtLocalSig ? 4 : 0;
    const uint32_t length = offset + (zip64 ? 20 : 12);
    ReadAcross(bytes + 4, length - 4, ZS::DataDesc);
    const uint8_t* fields = bytes + offset;
    const uint64_t compressed =
        zip64 ? GetLE32(fields + 4) | (uint64_t(GetLE32(fields + 8)) << 32) : GetLE32(fields + 4);
    if (GetLE32(fields) != item.Crc32 || compressed != item.CompressedSize)
        throw Failure(ZS::DataDesc);
    WriteOut(run, bytes, length, ZS::DataDesc);
}

void TZAWorker::JoinParts(TSpanRun& run, const ZipEndOfCentral& record) {
    LastDiskNumber = record.ThisDisk;
    if (record.CentralDisk != record.ThisDisk)
        GetNewDisk(record.CentralDisk);
    else
        CurrentDisk = LastDiskNumber;  // the located file is the last part
    if (!FArchiveHandle->Seek(record.CentralOffset)) throw Failure(ZS::FileSeek);

    // First pass: the name and compressed size of every central header.
    TZADataList items(record.TotalEntries);
    int64_t expected = int64_t(record.CentralSize) + record.CommentLength + EndOfCentralSize;
    uint8_t header[CentralHeaderSize];
    for (size_t i = 0; i < items.Count(); ++i) {
        if (Cancel()) throw UserCanceled();
        ReadRecord(header, CentralHeaderSize, ZS::CEHBadRead);
        if (GetLE32(header) != CentralHeaderSig) throw Failure(ZS::CEHWrongSig);
        TZADataItem& item = items.Items(i);
        const uint16_t nameLength = GetLE16(header + ZipCentral::NameLength);
        if (nameLength > sizeof item.Name) throw Failure(ZS::CENameLen);
        ReadExact(item.Name, nameLength, ZS::CENameLen);
        item.NameLength = nameLength;
        item.CompressedSize = GetLE32(header + ZipCentral::CompressedSize);
        item.Crc32 = GetLE32(header + ZipCentral::Crc32);
        const uint32_t skip = uint32_t(GetLE16(header + ZipCentral::ExtraLength)) +
                              GetLE16(header + ZipCentral::CommentLength);
        const int64_t here = FArchiveHandle->Position();
        if (here < 0 || !FArchiveHandle->Seek(here + skip)) throw Failure(ZS::FileSeek);
        expected += LocalHeaderSize + nameLength + GetLE16(header + ZipCentral::ExtraLength) +
                    int64_t(item.CompressedSize);
        if (GetLE16(header + ZipCentral::Flags) & FlagDataDescriptor)
            expected += DataDescriptorSize;
    }

    GetNewDisk(0);
    if (run.Joining) {
        Report(ZAReport::NewExtra, ZS::StepJoining - ZS::StepBase, expected, {});
    } else {
        Report(ZAReport::ItemCount, 0, int64_t(items.Count()) + 1, {});
        Report(ZAReport::TotalSize, 0, expected, {});
    }

    uint8_t marker[4];
    if (FArchiveHandle->Read(marker, 4) != 4 || GetLE32(marker) != ExtLocalSig)
        throw Failure(ZS::ExtLocalSig);

    // Every local header with its data, in the order of the parts.
    uint8_t local[LocalHeaderSize];
    std::string name;
    for (size_t i = 0; i < items.Count(); ++i) {
        if (Cancel()) throw UserCanceled();
        ReadRecord(local, LocalHeaderSize, ZS::LOHBadRead);
        if (GetLE32(local) != LocalHeaderSig) throw Failure(ZS::LOHWrongSig);
        const uint16_t nameLength = GetLE16(local + ZipLocal::NameLength);
        const uint16_t extraLength = GetLE16(local + ZipLocal::ExtraLength);
        name.assign(nameLength, '\0');
        ReadExact(name.data(), nameLength, ZS::LONameLen);
        TZADataItem& item = items.FindName(name.data(), name.size());
        item.NewOffset = run.OutPos;
        item.Placed = true;
        Report(ZAReport::Message, 0, 0, LoadZipText(ZS::Copying) + WithBackslashes(name));

        std::vector<uint8_t> extra(extraLength);
        ReadAcross(extra.data(), extraLength, ZS::LOExtraLen);
        const bool zip64 = HasZip64Field(extra);
        const uint16_t flags = GetLE16(local + ZipLocal::Flags);
        uint32_t dataSize = GetLE32(local + ZipLocal::CompressedSize);
        // A writer that streams may leave the size to the central header: 0, or 0xFFFFFFFF
        // with the Zip64 field. A 0xFFFFFFFF without that field, or a central size that is
        // itself 64-bit, is no archive this joiner can copy.
        if (dataSize == 0xFFFFFFFF && (!zip64 || item.CompressedSize == 0xFFFFFFFF))
            throw Failure(ZS::LOHBadRead);
        if (dataSize == 0 || dataSize == 0xFFFFFFFF) dataSize = item.CompressedSize;
        if (!run.Joining) {
            const int64_t total = int64_t(LocalHeaderSize) + nameLength + extraLength + dataSize +
                                  ((flags & FlagDataDescriptor) ? DataDescriptorSize : 0);
            Report(ZAReport::NewItem, 0, total, WithBackslashes(name));
        }
        WriteOut(run, local, LocalHeaderSize, ZS::LOHBadWrite);
        WriteOut(run, name.data(), nameLength, ZS::LOHBadWrite);
        WriteOut(run, extra.data(), extraLength, ZS::LOExtraLen);
        CopyBytes(run, dataSize, ZS::ZipData);
        if (flags & FlagDataDescriptor) CopyDataDescriptor(run, item, zip64);
    }

    if (!run.Joining)
        Report(ZAReport::NewItem, 0, record.CentralSize, LoadZipText(ZS::StepCentralDirectory));

    // Second pass: the central headers, pointing at the copied local headers on disk 0.
    const int64_t centralOffset = run.OutPos;
    for (size_t i = 0; i < items.Count(); ++i) {
        if (Cancel()) throw UserCanceled();
        ReadRecord(header, CentralHeaderSize, ZS::CEHBadRead);
        if (GetLE32(header) != CentralHeaderSig) throw Failure(ZS::CEHWrongSig);
        const std::string centralName = CentralName(header);
        const TZADataItem& item = items.Items(i);
        // Offsets of a plain archive are 32-bit.
        if (item.NewOffset > int64_t(UINT32_MAX)) throw Failure(ZS::CEHBadWrite);
        PutLE32(header + ZipCentral::LocalHeaderOffset, uint32_t(item.NewOffset));
        PutLE16(header + ZipCentral::DiskStart, 0);
        WriteOut(run, header, CentralHeaderSize, ZS::CEHBadWrite);
        WriteOut(run, centralName.data(), uint32_t(centralName.size()), ZS::CEHBadWrite);
        CopyBytes(run, GetLE16(header + ZipCentral::ExtraLength), ZS::CEExtraLen);
        CopyBytes(run, GetLE16(header + ZipCentral::CommentLength), ZS::CECommentLen);
    }

    if (centralOffset > int64_t(UINT32_MAX)) throw Failure(ZS::EOCBadWrite);
    ZipEndOfCentral end = record;
    end.ThisDisk = 0;
    end.CentralDisk = 0;
    // One part now holds every entry.
    end.EntriesThisDisk = end.TotalEntries;
    end.CentralOffset = uint32_t(centralOffset);
    uint8_t endBytes[EndOfCentralSize];
    end.Encode(endBytes);
    WriteOut(run, endBytes, EndOfCentralSize, ZS::EOCBadWrite);
    const int64_t here = FArchiveHandle->Position();
    if (here < 0 || !FArchiveHandle->Seek(here + EndOfCentralSize)) throw Failure(ZS::FileSeek);
    CopyBytes(run, record.CommentLength, ZS::ArchiveCommentRead);
}

int TZAWorker::ReadSpan(const std::string& source, std::string& destination, bool joining) {
    DriveRoot = FPlatform.DriveRootOf(FPlatform.ExpandFileName(source));
    const TZADriveKind kind = FPlatform.DriveType(DriveRoot);
    FixedDrive = kind == TZADriveKind::Fixed || kind == TZADriveKind::Remote ||
                 kind == TZADriveKind::RamDisk;
    CurrentDisk = -1;
    OpenedName = source;
    StartWaitCursor();

    TSpanRun run;
    run.Joining = joining;
    int result = 0;
    bool created = false;
    uint64_t sourceTime = 0;
    auto finish = [&] {
        run.Buffer = {};
        if (!joining) Report(ZAReport::EndOfBatch, 0, 0, {});
        CloseArchive();
        if (run.Out) {
            run.Out->SetFileTime(sourceTime);
            run.Out.reset();
        }
        if (result != 0) {
            if (created) FPlatform.DeleteFile(destination, false);
            destination.clear();
        }
        StopWaitCursor();
    };

    try {
        try {
            run.Buffer.resize(CopyChunk);
            if (!ZAPath::NameOf(destination).empty()) {
                if (FPlatform.FileExists(destination))
                    FPlatform.DeleteFile(destination, HowToDelete == htdAllowUndo);
                destination = ZAPath::ChangeExtension(destination, ".zip");
            } else {
                // The caller's folder; without one, TempDir or the system's.
                std::string folder = destination;
                if (folder.empty()) folder = TempDir.empty() ? FPlatform.TempFolder() : TempDir;
                if (folder.empty()) throw Failure(ZS::NoTempFile);
                if (!folder.empty() && folder.back() != '\\' && folder.back() != '/')
                    folder += folder.find('\\') == std::string::npos &&
                                      folder.find('/') != std::string::npos
                                  ? '/'
                                  : '\\';
                const std::string unique = FPlatform.TempFileName(folder, "zip");
                if (unique.empty()) throw Failure(ZS::NoTempFile);
                // The generator made the name's file; the archive gets the ".zip" one.
                FPlatform.DeleteFile(unique, false);
                destination = ZAPath::ChangeExtension(unique, ".zip");
            }

            ZipEndOfCentral record;
            if (LocateArchive(source, record, false) != ZALocate::Opened) {
                result = ZASpanResult::Failed;
            } else {
                run.Out = FPlatform.Create(destination);
                if (!run.Out) throw Failure(ZS::FileCreate);
                created = true;
                sourceTime = FArchiveHandle->FileTime();
                JoinParts(run, record);
            }
        } catch (const EZipArchiver& e) {
            ExceptionMessage(e);
            result = ZASpanResult::ArchiveError;
        } catch (const std::bad_alloc&) {
            ZipMessage(ZS::NoMem);
            result = ZASpanResult::OutOfMemory;
        } catch (const std::exception& e) {
            ZipMessage(SpanUnknownError, e.what());
            result = ZASpanResult::Failed;
        }
    } catch (...) {
        if (result == 0) result = ZASpanResult::Failed;
        finish();
        throw;
    }
    finish();
    return result;
}
