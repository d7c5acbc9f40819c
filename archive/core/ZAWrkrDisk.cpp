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
    const std::string root = UpperCase(FDriveRoot);
    if (!IsNetworkRoot()) {
        if (root.empty() || root[0] < 'A' || root[0] > 'Z')
            throw EZipArchiver::CreateIdStr(ZS::InvalidDrive, FDriveRoot);
        if (!(FPlatform.LogicalDrives() & (1u << (root[0] - 'A'))))
            throw EZipArchiver::CreateIdStr(ZS::DriveNotDefined, FDriveRoot);
    }
    TZAVolumeInfo info;
    if (!FPlatform.VolumeInformation(FDriveRoot, info)) {
        FVolumeLabel.clear();
        return IsNetworkRoot();
    }
    FVolumeLabel = info.Label;
    return IsNetworkRoot() || info.TotalBytes >= 0;
}

void TZAWorker::PromptForDisk() {
    if (FSettings.Unattended) throw EZipArchiver::CreateId(ZS::NoUnattSpan, true);
    const bool lastDisk = FCurrentDisk == -1;
    std::string prompt =
        lastDisk ? LoadZipText(ZS::InsertLastDisk)
                 : LoadZipTextFmt(ZS::InsertVolume,
                                  {int64_t(FCurrentDisk + 1), int64_t(FDir.LastDiskNumber + 1)});
    prompt += LoadZipTextFmt(ZS::InDrive, {FDriveRoot});
    if (OnGetNextDisk) {
        bool abort = false;
        OnGetNextDisk(Owner(), FCurrentDisk + 1, FDir.LastDiskNumber + 1, FDriveRoot.substr(0, 1),
                      abort);
        if (abort) throw UserCanceled();
        return;
    }
    const uint32_t context = lastDisk ? ZipDlgContext::LastDiskPrompt : ZipDlgContext::DiskPrompt;
    if (ZipDialog({}, prompt, {mbOK, mbCancel}, context) != mr::OK) throw UserCanceled();
}

void TZAWorker::WaitForDisk(bool freshDisk) {
    if (FFixedDrive) {
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
    const int number = FCurrentDisk + 1;
    if (extensionStyle) {
        std::string ext;
        if (FCurrentDisk == FDir.LastDiskNumber)
            ext = ".zip";
        else
            ext = (FCurrentDisk <= 8 ? ".z0" : ".z") + std::to_string(number);
        return ChangeExtension(name, ext);
    }
    const std::string ext = ExtensionOf(name);
    std::string stem = ChangeExtension(name, "");
    if (stripDigits) stem.resize(stem.size() >= 3 ? stem.size() - 3 : 0);
    return stem + ThreeDigits(number) + ext;
}

namespace {
// A numbered part's name ends in three digits before its extension.
bool EndsInPartNumber(const std::string& name) {
    const std::string stem = ChangeExtension(name, "");
    const size_t nameStart = FileNameStart(stem);
    if (stem.size() < nameStart + 3) return false;
    for (size_t i = stem.size() - 3; i < stem.size(); ++i)
        if (stem[i] < '0' || stem[i] > '9') return false;
    return true;
}
}  // namespace

bool TZAWorker::FindPartFile() {
    if (!FFixedDrive && FPartStyle < TZAPartStyle::Numbered &&
        FVolumeLabel == "PKBACK# " + ThreeDigits(FCurrentDisk + 1) &&
        FPlatform.FileExists(FDir.OpenedName)) {
        FPartStyle = TZAPartStyle::SameNameOnEachDisk;
        return true;
    }
    const bool strip = EndsInPartNumber(FDir.OpenedName);
    if (FPartStyle == TZAPartStyle::Numbered || FPartStyle == TZAPartStyle::Extension) {
        FDir.OpenedName =
            PartFileName(FDir.OpenedName, strip, FPartStyle == TZAPartStyle::Extension);
        return FFixedDrive || FPlatform.FileExists(FDir.OpenedName);
    }
    // Same name on every disk, but this disk's label is not the wanted one.
    if (FPartStyle != TZAPartStyle::Unknown) return false;

    const std::string byExtension = PartFileName(FDir.OpenedName, false, true);
    if (FPlatform.FileExists(byExtension)) {
        FPartStyle = TZAPartStyle::Extension;
        FDir.OpenedName = byExtension;
        return true;
    }
    const std::string numbered = PartFileName(FDir.OpenedName, strip, false);
    if (FPlatform.FileExists(numbered)) {
        FPartStyle = TZAPartStyle::Numbered;
        FDir.OpenedName = numbered;
        return true;
    }
    return FFixedDrive;
}

void TZAWorker::GetNewDisk(int disk) {
    CloseArchive();
    FCurrentDisk = disk;
    for (;;) {
        WaitForDisk(true);
        if (!FindPartFile()) continue;
        if (FSettings.Verbose)
            Report(ZAReport::Message, 0, 0, LoadZipTextFmt(ZS::TraceGetNewDisk, {FDir.OpenedName}));
        FArchiveHandle = BufferedReader(FPlatform.OpenRead(FDir.OpenedName));
        if (FArchiveHandle) return;
        if (FFixedDrive) throw EZipArchiver::CreateId(ZS::InputNotExists, true);
        ZipMessage(ZS::InputNotExists);
    }
}

}  // namespace quill::archive
