// The parts of a multi-part archive: checking the drive, asking for disks and finding the
// file of each part.
#include "archive/ZAWrkr.h"

namespace quill::archive {

namespace {
EZipArchiver UserCanceled() {
    return EZipArchiver::CreateId(ZS::Canceled, false);
}
}  // namespace

bool TZAWorker::CheckVolume() {
    const std::string root = ZAPath::UpperCase(DriveRoot);
    if (!IsNetworkRoot()) {
        if (root.empty() || root[0] < 'A' || root[0] > 'Z')
            throw EZipArchiver::CreateIdStr(ZS::InvalidDrive, DriveRoot);
        if (!(FPlatform.LogicalDrives() & (1u << (root[0] - 'A'))))
            throw EZipArchiver::CreateIdStr(ZS::DriveNotDefined, DriveRoot);
    }
    TZAVolumeInfo info;
    if (!FPlatform.VolumeInformation(DriveRoot, info)) {
        VolumeLabel.clear();
        return IsNetworkRoot();
    }
    VolumeLabel = info.Label;
    return IsNetworkRoot() || info.TotalBytes >= 0;
}

void TZAWorker::PromptForDisk() {
    if (Unattended) throw EZipArchiver::CreateId(ZS::NoUnattSpan, true);
    const bool lastDisk = CurrentDisk == -1;
    std::string prompt = lastDisk ? LoadZipText(ZS::InsertLastDisk)
                                  : LoadZipTextFmt(ZS::InsertVolume, {int64_t(CurrentDisk + 1),
                                                                      int64_t(LastDiskNumber + 1)});
    prompt += LoadZipTextFmt(ZS::InDrive, {DriveRoot});
    if (OnGetNextDisk) {
        bool abort = false;
        OnGetNextDisk(Owner(), CurrentDisk + 1, LastDiskNumber + 1, DriveRoot.substr(0, 1), abort);
        if (abort) throw UserCanceled();
        return;
    }
    const uint32_t context = lastDisk ? ZipDlgContext::LastDiskPrompt : ZipDlgContext::DiskPrompt;
    if (ZipDialog({}, prompt, {mbOK, mbCancel}, context) != mr::OK) throw UserCanceled();
}

void TZAWorker::WaitForDisk(bool freshDisk) {
    if (FixedDrive) {
        if (Cancel()) throw UserCanceled();
        return;
    }
    bool ask = freshDisk || !CheckVolume();
    while (ask) {
        PromptForDisk();
        ask = !CheckVolume();
    }
}

std::string TZAWorker::PartFileName(const std::string& name, bool stripDigits,
                                    bool extensionStyle) const {
    const int number = CurrentDisk + 1;
    if (extensionStyle) {
        std::string ext;
        if (CurrentDisk == LastDiskNumber)
            ext = ".zip";
        else
            ext = (CurrentDisk <= 8 ? ".z0" : ".z") + std::to_string(number);
        return ZAPath::ChangeExtension(name, ext);
    }
    const std::string ext = ZAPath::ExtensionOf(name);
    std::string stem = ZAPath::ChangeExtension(name, "");
    if (stripDigits) stem.resize(stem.size() >= 3 ? stem.size() - 3 : 0);
    return stem + ZAPath::ThreeDigits(number) + ext;
}

namespace {
// A numbered part's name ends in three digits before its extension.
bool EndsInPartNumber(const std::string& name) {
    const std::string stem = ZAPath::ChangeExtension(name, "");
    const size_t nameStart = ZAPath::NameStart(stem);
    if (stem.size() < nameStart + 3) return false;
    for (size_t i = stem.size() - 3; i < stem.size(); ++i)
        if (stem[i] < '0' || stem[i] > '9') return false;
    return true;
}
}  // namespace

bool TZAWorker::FindPartFile() {
    if (!FixedDrive && PartStyle < TZAPartStyle::Numbered &&
        VolumeLabel == "PKBACK# " + ZAPath::ThreeDigits(CurrentDisk + 1) &&
        FPlatform.FileExists(OpenedName)) {
        PartStyle = TZAPartStyle::SameNameOnEachDisk;
        return true;
    }
    const bool strip = EndsInPartNumber(OpenedName);
    if (PartStyle == TZAPartStyle::Numbered || PartStyle == TZAPartStyle::Extension) {
        OpenedName = PartFileName(OpenedName, strip, PartStyle == TZAPartStyle::Extension);
        return FixedDrive || FPlatform.FileExists(OpenedName);
    }
    // Same name on every disk, but this disk's label is not the wanted one.
    if (PartStyle != TZAPartStyle::Unknown) return false;

    const std::string byExtension = PartFileName(OpenedName, false, true);
    if (FPlatform.FileExists(byExtension)) {
        PartStyle = TZAPartStyle::Extension;
        OpenedName = byExtension;
        return true;
    }
    const std::string numbered = PartFileName(OpenedName, strip, false);
    if (FPlatform.FileExists(numbered)) {
        PartStyle = TZAPartStyle::Numbered;
        OpenedName = numbered;
        return true;
    }
    return FixedDrive;
}

void TZAWorker::GetNewDisk(int disk) {
    CloseArchive();
    CurrentDisk = disk;
    for (;;) {
        WaitForDisk(true);
        if (!FindPartFile()) continue;
        if (Verbose)
            Report(ZAReport::Message, 0, 0, LoadZipTextFmt(ZS::TraceGetNewDisk, {OpenedName}));
        FArchiveHandle = BufferedReader(FPlatform.OpenRead(OpenedName));
        if (FArchiveHandle) return;
        if (FixedDrive) throw EZipArchiver::CreateId(ZS::InputNotExists, true);
        ZipMessage(ZS::InputNotExists);
    }
}

}  // namespace quill::archive
