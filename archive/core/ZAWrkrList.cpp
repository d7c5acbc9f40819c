// Reading the directory: locating the end record (or the last part of a set) and reading
// every central header into EntryList.
#include <algorithm>
#include <new>

#include "archive/ZAWrkr.h"

namespace quill::archive {

namespace {

// Bytes after the archive comment are tolerated silently when few and all below 0x2F
// (padding some tools and transfers add).
constexpr int64_t TolerableTrailing = 512;

EZipArchiver Failure(int id) {
    return EZipArchiver::CreateId(id, true);
}

bool IsFixedKind(TZADriveKind kind) {
    return kind == TZADriveKind::Fixed || kind == TZADriveKind::Remote ||
           kind == TZADriveKind::RamDisk;
}

}  // namespace

void TZAWorker::ReadExact(void* buffer, uint32_t count, int id) {
    if (count == 0) return;
    if (!FArchiveHandle || FArchiveHandle->Read(buffer, count) != count) throw Failure(id);
}

void TZAWorker::ReadRecord(uint8_t* buffer, uint32_t count, int id) {
    uint32_t got = FArchiveHandle->Read(buffer, count);
    while (got < count) {
        if (FCurrentDisk >= FDir.LastDiskNumber) throw Failure(id);
        GetNewDisk(FCurrentDisk + 1);
        got = FArchiveHandle->Read(buffer, count);
    }
}

bool TZAWorker::ReadEndRecord(ZipEndOfCentral& record, bool raise) {
    FDir.ArchiveComment.clear();
    FDir.EndRecordPos = 0;
    FDir.RawComment.clear();
    FFirstPart = false;

    FArchiveHandle = BufferedReader(FPlatform.OpenRead(FDir.OpenedName));
    if (!FArchiveHandle) {
        ZipMessage(ZS::FileOpen);
        if (raise) throw Failure(ZS::InputNotExists);
        return false;
    }

    uint8_t sig[4];
    if (FArchiveHandle->Read(sig, 4) == 4 && zipengine::signatureOf(sig) == ExtLocalSig &&
        FArchiveHandle->Read(sig, 4) == 4 && zipengine::signatureOf(sig) == LocalHeaderSig) {
        FFirstPart = true;
        FDir.MultiPart = true;
    }

    const int64_t endPos = FArchiveHandle->SeekFromEnd(EndOfCentralSize);
    const int64_t length = endPos < 0 ? -1 : endPos + EndOfCentralSize;
    if (length < 0 || length > int64_t(UINT32_MAX)) {
        CloseArchive();
        if (FSettings.Verbose)
            Report(ZAReport::Message, 0, 0,
                   "Opening EOC seek/size error " + std::to_string(length / 1048576) + "Mb");
        if (raise) throw Failure(length < 0 ? ZS::NoValidZip : ZS::FileTooLarge);
        return false;
    }
    FDir.ZipEnd = FDir.FileLength = uint32_t(length);

    uint8_t last[EndOfCentralSize];
    if (FArchiveHandle->Read(last, EndOfCentralSize) == EndOfCentralSize) {
        if (auto decoded = zipengine::decodeEndRecord(last)) {
            FDir.EndRecordPos = FDir.FileLength - EndOfCentralSize;
            record = *decoded;
            return true;
        }
    }

    try {
        // The record was not at the very end: a comment or trailing bytes follow it.
        const uint32_t n = std::min<uint32_t>(MaxTailSearch, FDir.FileLength);
        if (FArchiveHandle->SeekFromEnd(n) < 0) throw Failure(ZS::FileSeek);
        std::vector<uint8_t> tail(n);
        ReadExact(tail.data(), n, ZS::EOCBadRead);
        // The record at the very end was looked at already.
        const auto hit = n > EndOfCentralSize ? zipengine::findSignatureBackwards(
                                                    tail, EndOfCentralSig, n - EndOfCentralSize - 1)
                                              : std::nullopt;
        if (hit) {
            const int64_t i = int64_t(*hit);
            FDir.EndRecordPos = uint32_t(FDir.ZipEnd - n + i);
            record = *zipengine::decodeEndRecord(std::span(tail).subspan(*hit));
            const int64_t commentStart = i + EndOfCentralSize;
            const int64_t c = record.commentLength;
            if (c != 0)
                FDir.RawComment.assign(reinterpret_cast<const char*>(tail.data()) + commentStart,
                                       size_t(std::min<int64_t>(c, n - commentStart)));
            const int64_t e = commentStart + c;
            if (e != n) {
                FDir.ZipEnd = uint32_t(FDir.ZipEnd + e - n);
                const int64_t trailing = int64_t(n) - e;
                const bool tolerable =
                    trailing >= 0 && trailing < TolerableTrailing &&
                    std::all_of(tail.begin() + e, tail.end(), [](uint8_t b) { return b < 0x2F; });
                if (!tolerable) ZipMessage(ZS::GarbageAtEnd);
            }
            return true;
        }
    } catch (const EZipArchiver&) {
        if (raise) throw;
    }

    CloseArchive();
    if (!raise) return false;
    RaiseWhichPartOfSet();
    return false;
}

// The end record is missing: tell the user which part of a set this file seems to be.
void TZAWorker::RaiseWhichPartOfSet() {
    int n = 0;
    if (FVolumeLabel.rfind("PKBACK# ", 0) == 0) n = NumberOrZero(FVolumeLabel.substr(8, 3));
    const std::string ext = UpperCase(ExtensionOf(FDir.OpenedName));
    if (n < 1 && ext.rfind(".Z", 0) == 0) n = NumberOrZero(ext.substr(2));
    if (n < 1) {
        const std::string stem = ChangeExtension(FDir.OpenedName, "");
        const size_t nameStart = FileNameStart(stem);
        if (stem.size() >= nameStart + 3) n = NumberOrZero(stem.substr(stem.size() - 3));
    }
    if (!FFirstPart && n >= 1) throw EZipArchiver::CreateIdInt(ZS::NotLastInSet, n);
    if (FFirstPart) throw Failure(n == 1 ? ZS::FirstInSet : ZS::FirstFileOnHD);
    throw Failure(ZS::NoValidZip);
}

bool TZAWorker::SearchFolderForPart(std::string& found) {
    FFoundNumbered = false;
    const std::string base = FileNameOf(ChangeExtension(FDir.OpenedName, ""));
    for (const std::string& name : FPlatform.FindFiles(FLocateFolder, base + "???.zip")) {
        const std::string stem = ChangeExtension(name, "");
        if (stem.size() >= 3 && NumberOrZero(stem.substr(stem.size() - 3)) > 0) {
            found = name;
            FFoundNumbered = true;
            return true;
        }
    }
    for (const std::string& name : FPlatform.FindFiles(FLocateFolder, base + ".z??*")) {
        const std::string after =
            ExtensionOf(name).substr(std::min<size_t>(2, ExtensionOf(name).size()));
        if (UpperCase(after) == "IP" || NumberOrZero(after) > 0) {
            found = name;
            return true;
        }
    }
    return false;
}

bool TZAWorker::FindLastPart(const std::string& name, std::string& found, int& k) {
    FFoundNumbered = false;
    if (FFixedDrive) {
        if (FLocateExt != ".ZIP") return false;
        const std::string base = ChangeExtension(name, "");
        // Three digits name at most 999 parts.
        for (k = 1; k <= 999; ++k) {
            FDir.OpenedName = base + ThreeDigits(k) + ".zip";
            if (!FPlatform.FileExists(FDir.OpenedName)) return false;
            ZipEndOfCentral record;
            const bool hasEnd = ReadEndRecord(record, false);
            CloseArchive();
            if (hasEnd) {
                if (k - 1 != record.thisDisk) return false;
                found = FDir.OpenedName;
                FFoundNumbered = true;
                if (FPlatform.FileExists(ChangeExtension(found, ".z01")))
                    throw Failure(ZS::FileOpen);
                return true;
            }
        }
        return false;
    }
    FDir.OpenedName = name;
    std::string match;
    if (!SearchFolderForPart(match)) return false;
    found = FLocateFolder + match;
    return true;
}

TZAWorker::TLocateResult TZAWorker::LocateArchive(const std::string& name, ZipEndOfCentral& record,
                                                  bool silent) {
    try {
        CloseArchive();
        const std::string expanded = FPlatform.ExpandFileName(name);
        FDriveRoot = FPlatform.DriveRootOf(expanded);
        FLocateFolder = FolderOf(expanded);
        FLocateExt = UpperCase(ExtensionOf(name));
        FPartStyle = TZAPartStyle::Unknown;
        FFixedDrive = IsFixedKind(FPlatform.DriveType(FDriveRoot));
        CheckVolume();

        std::string opened = name;
        bool searched = false;
        int k = 0;
        if (!FPlatform.FileExists(name)) {
            if (!FindLastPart(name, opened, k)) {
                if (silent) return TLocateResult::NothingFound;
                throw Failure(ZS::FileOpen);
            }
            searched = true;
        }

        FDir.OpenedName = opened;
        for (;;) {
            if (ReadEndRecord(record, false)) {
                if (searched) {
                    if (!FDir.MultiPart && record.thisDisk == 0 && FFoundNumbered)
                        throw Failure(ZS::FileOpen);
                    if (FFixedDrive && record.thisDisk != k - 1) throw Failure(ZS::NoValidZip);
                }
                return TLocateResult::Opened;
            }
            CloseArchive();
            FCurrentDisk = -1;
            WaitForDisk(true);
            if (FFixedDrive) {
                if (searched) throw Failure(ZS::FileOpen);
                silent = false;  // a file that is there but is no archive is always reported
                throw Failure(ZS::NoValidZip);
            }
            if (!searched) continue;  // the user has been asked for the last disk
            std::string match;
            if (!SearchFolderForPart(match)) {
                ZipMessage(ZS::FileOpen);
                return TLocateResult::Failed;
            }
            FDir.OpenedName = FLocateFolder + match;
        }
    } catch (const EZipArchiver& e) {
        if (!silent) ExceptionMessage(e);
        FDir.OpenedName.clear();
        CloseArchive();
        return TLocateResult::Failed;
    }
}

namespace {

// The position just past the last "\" or ":" of a converted name, stepping over the trail
// byte of every double-byte character.
size_t FileNamePartStart(const std::string& name, TZAPlatform& platform) {
    size_t start = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        const uint8_t c = uint8_t(name[i]);
        if (platform.IsLeadByte(c)) {
            ++i;
        } else if (c == '\\' || c == ':') {
            start = i + 1;
        }
    }
    return start;
}

}  // namespace

std::string TZAWorker::ConvertNameText(const std::string& text, bool toOem) {
    const bool convert = (FSettings.CodePage == cpAuto && FDir.NameHost == 0) ||
                         FDir.NameHost == 6 || (FDir.NameHost == 11 && FDir.NameVersion == 50) ||
                         FSettings.CodePage == cpOEM;
    if (!convert || text.empty()) return text;
    return toOem ? FPlatform.AnsiToOem(text) : FPlatform.OemToAnsi(text);
}

std::string TZAWorker::CentralName(const zipengine::CentralHeader& header) {
    const uint16_t length = header.nameLength;
    if (length >= MaxNameLength) throw Failure(ZS::CENameLen);
    std::string raw(length, '\0');
    ReadExact(raw.data(), length, ZS::CENameLen);
    return raw;
}

void TZAWorker::AddEntry(int seqNo, const zipengine::CentralHeader& header) {
    const std::string raw = CentralName(header);
    FDir.NameVersion = header.versionMadeBy;
    FDir.NameHost = header.hostSystem;
    if (FDir.NameHost != 0) {
        FRememberedHost = FDir.NameHost;
        FRememberedVersion = FDir.NameVersion;
    }
    std::string name = ConvertNameText(raw, false);

    auto entry = std::make_unique<ZipDirEntry>();
    entry->SetHeader(header);
    for (size_t i = 0; i < name.size(); ++i) {
        if (FPlatform.IsLeadByte(uint8_t(name[i])))
            ++i;
        else if (name[i] == '/')
            name[i] = '\\';
    }
    entry->FileName = std::move(name);
    entry->IsEncrypted = (entry->Flags & FlagEncrypted) != 0;
    entry->ExtraField.resize(entry->ExtraLength);
    ReadExact(entry->ExtraField.data(), entry->ExtraLength, ZS::SeekError);
    if (entry->CommentLength != 0) {
        std::string comment(entry->CommentLength, '\0');
        ReadExact(comment.data(), entry->CommentLength, ZS::CECommentLen);
        entry->FileComment = ConvertNameText(comment, false);
    }

    FDir.DataStart = std::min(FDir.DataStart, uint32_t(entry->LocalHeaderOffset));
    if (!FSettings.UseDirOnlyEntries &&
        FileNamePartStart(entry->FileName, FPlatform) == entry->FileName.size()) {
        ++FDir.DroppedDirEntries;
        return;
    }
    FDir.EntryList.push_back(std::move(entry));
    if (OnNewName) OnNewName(Owner(), seqNo, *FDir.EntryList.back());
}

uint32_t TZAWorker::Zip64EndLength() {
    constexpr uint32_t length = Zip64EndSize + Zip64LocatorSize;
    if (FDir.EndRecordPos < length || !FArchiveHandle->Seek(FDir.EndRecordPos - length)) return 0;
    uint8_t block[length];
    if (FArchiveHandle->Read(block, length) != length) return 0;
    // Signatures, the record's own size (44 in the plain form) and the locator.
    const std::span<const uint8_t> bytes(block);
    const auto record = zipengine::decodeZip64End(bytes.first(Zip64EndSize));
    const bool plain = record && record->recordSize == Zip64EndSize - 12 &&
                       zipengine::decodeZip64Locator(bytes.subspan(Zip64EndSize));
    return plain ? length : 0;
}

void TZAWorker::ReadDirectory(const ZipEndOfCentral& record) {
    FDir.LastDiskNumber = record.thisDisk;
    if (FDir.LastDiskNumber > 0) FDir.MultiPart = true;

    uint32_t start;
    uint32_t zip64End = 0;
    if (record.directoryDisk == record.thisDisk) {
        FCurrentDisk = FDir.LastDiskNumber;  // the opened file is the last part
        // The directory is taken to end where the end record (or a Zip64 end record in
        // front of it) begins.
        zip64End = Zip64EndLength();
        start =
            FDir.ZipEnd - record.directorySize - EndOfCentralSize - record.commentLength - zip64End;
    } else {
        GetNewDisk(record.directoryDisk);
        const int64_t partLength = FArchiveHandle->SeekFromEnd(0);
        FDir.ZipEnd = uint32_t(std::max<int64_t>(partLength, 0));
        start = record.directoryOffset;
    }

    FDir.CentralStart = start;
    FDir.DataStart = FDir.ZipEnd == EndOfCentralSize ? 0 : FDir.ZipEnd;
    FDir.OffsetMismatch = start != record.directoryOffset;
    if (FDir.OffsetMismatch) ZipMessage(ZS::ZipStructError);

    if (!FArchiveHandle->Seek(start)) throw Failure(ZS::SeekError);

    Report(ZAReport::NewExtra, 9, record.totalEntries, {});
    FDir.EntryList.reserve(record.totalEntries);
    uint8_t header[CentralHeaderSize];
    for (int k = 1; k <= record.totalEntries; ++k) {
        ReadRecord(header, CentralHeaderSize, ZS::CEHBadRead);
        const auto decoded = zipengine::decodeCentralHeader(header);
        if (!decoded) throw Failure(ZS::CEHWrongSig);
        AddEntry(k, *decoded);
        Report(ZAReport::ExtraProgress, 0, 1, {});
        if (Cancel()) throw EZipArchiver::CreateId(ZS::Canceled, false);
    }

    const int64_t afterDirectory = FArchiveHandle->Position();
    if (zip64End != 0 && (afterDirectory < 0 || !FArchiveHandle->Seek(afterDirectory + zip64End)))
        throw Failure(ZS::SeekError);
    uint8_t end[EndOfCentralSize];
    ReadRecord(end, EndOfCentralSize, ZS::CEHBadRead);
    const auto endRecord = zipengine::decodeEndRecord(end);
    if (!endRecord) throw Failure(ZS::EOCBadRead);
    FDir.LastDiskNumber = endRecord->thisDisk;
}

int TZAWorker::List() {
    // Nothing of an earlier archive survives a new read, whether or not it succeeds.
    FDir = TZADirectory();
    FLastErrorCode = 0;
    FRememberedHost = 0;
    FRememberedVersion = 20;

    if (!FActive) {
        FListPending = true;
        return 0;
    }

    FDir.OpenedName = FZipFileName;
    // A program stub whose archive offsets lead nowhere: the archive is its ".zip" sibling.
    const int probe = ProbeArchive(FZipFileName);
    if (probe >= 0 && (probe & ~ProbeCentralFound) == 0x91)
        FDir.OpenedName = ChangeExtension(FZipFileName, ".zip");

    ZipEndOfCentral record;
    try {
        LocateArchive(FDir.OpenedName, record, true);
    } catch (const EZipArchiver& e) {
        ExceptionMessage(e);
    }
    if (!FArchiveHandle) {
        if (OnDirUpdate) OnDirUpdate(Owner());
        return 0;
    }

    StartWaitCursor();
    bool succeeded = false;
    auto finish = [&] {
        Report(ZAReport::EndOfBatch, 0, 0, {});
        StopWaitCursor();
        CloseArchive();
        if (!succeeded) {
            FZipFileName.clear();
            FDir.DataStart = 0;
        } else {
            // The length of a prefix (a program stub) whose offsets were not adjusted.
            FDir.DataStart += FDir.CentralStart - record.directoryOffset;
            FDir.NameHost = FRememberedHost;
            FDir.NameVersion = FRememberedVersion;
            FDir.ArchiveComment = ConvertNameText(FDir.RawComment, false);
        }
        if (OnDirUpdate) OnDirUpdate(Owner());
    };
    try {
        try {
            ReadDirectory(record);
            succeeded = true;
        } catch (const EZipArchiver& e) {
            ExceptionMessage(e);
        } catch (const std::bad_alloc&) {
            ZipMessage(ZS::NoMem);
        } catch (const std::exception& e) {
            ZipMessage(ZS::ListError, e.what());
        }
    } catch (...) {
        succeeded = false;
        finish();
        throw;
    }
    finish();
    return LastErrorCode();
}

}  // namespace quill::archive
