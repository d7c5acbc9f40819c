// Joining the parts of a multi-part archive into one ordinary archive file.
#include <algorithm>
#include <new>

#include "archive/ZAWrkr.h"
#include "engine/LittleEndian.h"

namespace quill::archive {

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
        if (FCurrentDisk >= FDir.LastDiskNumber) throw Failure(id);
        GetNewDisk(FCurrentDisk + 1);
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
    const uint32_t offset = zipengine::signatureOf(bytes) == ExtLocalSig ? 4 : 0;
    const uint32_t length = offset + (zip64 ? 20 : 12);
    ReadAcross(bytes + 4, length - 4, ZS::DataDesc);
    zipengine::LittleEndianReader fields(
        std::span<const uint8_t>(bytes).subspan(offset, length - offset));
    const uint32_t crc = fields.u32();
    const uint64_t compressed = zip64 ? fields.u64() : fields.u32();
    if (crc != item.Crc32 || compressed != item.CompressedSize) throw Failure(ZS::DataDesc);
    WriteOut(run, bytes, length, ZS::DataDesc);
}

void TZAWorker::JoinParts(TSpanRun& run, const ZipEndOfCentral& record) {
    FDir.LastDiskNumber = record.thisDisk;
    if (record.directoryDisk != record.thisDisk)
        GetNewDisk(record.directoryDisk);
    else
        FCurrentDisk = FDir.LastDiskNumber;  // the located file is the last part
    if (!FArchiveHandle->Seek(record.directoryOffset)) throw Failure(ZS::FileSeek);

    // First pass: the name and compressed size of every central header.
    TZADataList items(record.totalEntries);
    int64_t expected = int64_t(record.directorySize) + record.commentLength + EndOfCentralSize;
    uint8_t header[CentralHeaderSize];
    for (size_t i = 0; i < items.Count(); ++i) {
        if (Cancel()) throw UserCanceled();
        ReadRecord(header, CentralHeaderSize, ZS::CEHBadRead);
        const auto central = zipengine::decodeCentralHeader(header);
        if (!central) throw Failure(ZS::CEHWrongSig);
        TZADataItem& item = items.Items(i);
        const uint16_t nameLength = central->nameLength;
        if (nameLength > sizeof item.Name) throw Failure(ZS::CENameLen);
        ReadExact(item.Name, nameLength, ZS::CENameLen);
        item.NameLength = nameLength;
        item.CompressedSize = central->compressedSize;
        item.Crc32 = central->crc32;
        const uint32_t skip = uint32_t(central->extraLength) + central->commentLength;
        const int64_t here = FArchiveHandle->Position();
        if (here < 0 || !FArchiveHandle->Seek(here + skip)) throw Failure(ZS::FileSeek);
        expected +=
            LocalHeaderSize + nameLength + central->extraLength + int64_t(item.CompressedSize);
        if (central->flags & FlagDataDescriptor) expected += DataDescriptorSize;
    }

    GetNewDisk(0);
    if (run.Joining) {
        Report(ZAReport::NewExtra, ZS::StepJoining - ZS::StepBase, expected, {});
    } else {
        Report(ZAReport::ItemCount, 0, int64_t(items.Count()) + 1, {});
        Report(ZAReport::TotalSize, 0, expected, {});
    }

    uint8_t marker[4];
    if (FArchiveHandle->Read(marker, 4) != 4 || zipengine::signatureOf(marker) != ExtLocalSig)
        throw Failure(ZS::ExtLocalSig);

    // Every local header with its data, in the order of the parts.
    uint8_t local[LocalHeaderSize];
    std::string name;
    for (size_t i = 0; i < items.Count(); ++i) {
        if (Cancel()) throw UserCanceled();
        ReadRecord(local, LocalHeaderSize, ZS::LOHBadRead);
        const auto localHeader = zipengine::decodeLocalHeader(local);
        if (!localHeader) throw Failure(ZS::LOHWrongSig);
        const uint16_t nameLength = localHeader->nameLength;
        const uint16_t extraLength = localHeader->extraLength;
        name.assign(nameLength, '\0');
        ReadExact(name.data(), nameLength, ZS::LONameLen);
        TZADataItem& item = items.FindName(name.data(), name.size());
        item.NewOffset = run.OutPos;
        item.Placed = true;
        Report(ZAReport::Message, 0, 0, LoadZipText(ZS::Copying) + WithBackslashes(name));

        std::vector<uint8_t> extra(extraLength);
        ReadAcross(extra.data(), extraLength, ZS::LOExtraLen);
        const bool zip64 = zipengine::findExtraField(extra, zipengine::kZip64ExtraId).has_value();
        const uint16_t flags = localHeader->flags;
        uint32_t dataSize = localHeader->compressedSize;
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
        Report(ZAReport::NewItem, 0, record.directorySize, LoadZipText(ZS::StepCentralDirectory));

    // Second pass: the central headers, pointing at the copied local headers on disk 0.
    const int64_t centralOffset = run.OutPos;
    for (size_t i = 0; i < items.Count(); ++i) {
        if (Cancel()) throw UserCanceled();
        ReadRecord(header, CentralHeaderSize, ZS::CEHBadRead);
        const auto central = zipengine::decodeCentralHeader(header);
        if (!central) throw Failure(ZS::CEHWrongSig);
        const std::string centralName = CentralName(*central);
        const TZADataItem& item = items.Items(i);
        // Offsets of a plain archive are 32-bit.
        if (item.NewOffset > int64_t(UINT32_MAX)) throw Failure(ZS::CEHBadWrite);
        zipengine::LittleEndianWriter patch(header);
        patch.seek(zipengine::kCentralLocalOffsetField);
        patch.u32(uint32_t(item.NewOffset));
        patch.seek(zipengine::kCentralDiskStartField);
        patch.u16(0);
        WriteOut(run, header, CentralHeaderSize, ZS::CEHBadWrite);
        WriteOut(run, centralName.data(), uint32_t(centralName.size()), ZS::CEHBadWrite);
        CopyBytes(run, central->extraLength, ZS::CEExtraLen);
        CopyBytes(run, central->commentLength, ZS::CECommentLen);
    }

    if (centralOffset > int64_t(UINT32_MAX)) throw Failure(ZS::EOCBadWrite);
    ZipEndOfCentral end = record;
    end.thisDisk = 0;
    end.directoryDisk = 0;
    // One part now holds every entry.
    end.entriesHere = end.totalEntries;
    end.directoryOffset = uint32_t(centralOffset);
    uint8_t endBytes[EndOfCentralSize];
    zipengine::encodeEndRecord(end, endBytes);
    WriteOut(run, endBytes, EndOfCentralSize, ZS::EOCBadWrite);
    const int64_t here = FArchiveHandle->Position();
    if (here < 0 || !FArchiveHandle->Seek(here + EndOfCentralSize)) throw Failure(ZS::FileSeek);
    CopyBytes(run, record.commentLength, ZS::ArchiveCommentRead);
}

int TZAWorker::ReadSpan(const std::string& source, std::string& destination, bool joining) {
    FDriveRoot = FPlatform.DriveRootOf(FPlatform.ExpandFileName(source));
    const TZADriveKind kind = FPlatform.DriveType(FDriveRoot);
    FFixedDrive = kind == TZADriveKind::Fixed || kind == TZADriveKind::Remote ||
                  kind == TZADriveKind::RamDisk;
    FCurrentDisk = -1;
    FDir.OpenedName = source;
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
            if (!FileNameOf(destination).empty()) {
                if (FPlatform.FileExists(destination))
                    FPlatform.DeleteFile(destination, FSettings.HowToDelete == htdAllowUndo);
                destination = ChangeExtension(destination, ".zip");
            } else {
                // The caller's folder; without one, TempDir or the system's.
                std::string folder = destination;
                if (folder.empty())
                    folder = FSettings.TempDir.empty() ? FPlatform.TempFolder() : FSettings.TempDir;
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
                destination = ChangeExtension(unique, ".zip");
            }

            ZipEndOfCentral record;
            if (LocateArchive(source, record, false) != TLocateResult::Opened) {
                result = SpanFailed;
            } else {
                run.Out = FPlatform.Create(destination);
                if (!run.Out) throw Failure(ZS::FileCreate);
                created = true;
                sourceTime = FArchiveHandle->FileTime();
                JoinParts(run, record);
            }
        } catch (const EZipArchiver& e) {
            ExceptionMessage(e);
            result = SpanArchiveError;
        } catch (const std::bad_alloc&) {
            ZipMessage(ZS::NoMem);
            result = SpanOutOfMemory;
        } catch (const std::exception& e) {
            ZipMessage(SpanUnknownError, e.what());
            result = SpanFailed;
        }
    } catch (...) {
        if (result == 0) result = SpanFailed;
        finish();
        throw;
    }
    finish();
    return result;
}

}  // namespace quill::archive
