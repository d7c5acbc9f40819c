#include "update/ArchiveVersionCheck.h"

#include <windows.h>

#include <memory>

#include "archive/ZipArchiver.h"
#include "download/BodySink.h"
#include "toolkit/Handles.h"
#include "toolkit/SysUtils.h"
#include "update/utils.h"

namespace quill::update {

using archive::TZipArchiver;

namespace {

// Beside the archive while the next download must get past the caches.
std::string StaleMarker(const std::string& archivePath) {
    return archivePath + ".stale";
}

// A new empty folder in the user's temporary folder; empty when none can be made.
std::string MakeTemporaryFolder() {
    char base[MAX_PATH] = {};
    char name[MAX_PATH] = {};
    const DWORD length = GetTempPathA(sizeof base, base);
    if (length == 0 || length >= sizeof base || !GetTempFileNameA(base, "qup", 0, name)) return {};
    // The unique file name becomes the folder's.
    DeleteFileA(name);
    return CreateDirectoryA(name, nullptr) ? std::string(name) : std::string();
}

bool HoldsQuillExe(TZipArchiver& zip) {
    for (const auto& entry : zip.Worker().Directory().EntryList)
        if (entry && lstrcmpiA(entry->FileName.c_str(), MainExecutable) == 0) return true;
    return false;
}

// The version of the archive's quill.exe, "" when it has none or it cannot be extracted.
std::string ArchivedVersion(const std::string& archivePath, const std::string& password,
                            bool& present) {
    present = false;
    auto zip = std::make_unique<TZipArchiver>(nullptr);
    // Quiet: whatever is wrong with the archive, the extraction proper says it.
    zip->Unattended = true;
    zip->Verbose = false;
    zip->Password = password;
    zip->SetPasswordReqCount(0);
    zip->ExtrOptions = {archive::ExtrOverWrite};
    zip->SetZipFileName(archivePath);
    present = HoldsQuillExe(*zip);
    if (!present) return {};
    const std::string folder = MakeTemporaryFolder();
    if (folder.empty()) return {};
    zip->ExtrBaseDir = folder;
    zip->FSpecArgs = {MainExecutable};
    zip->Extract();
    const std::string extracted = folder + "\\" + MainExecutable;
    std::string version = VersionText(extracted);
    zip.reset();  // lets go of the engine and the archive before the folder goes
    DeleteFileA(extracted.c_str());
    RemoveDirectoryA(folder.c_str());
    return version;
}

}  // namespace

void RequireOfferedVersion(const std::string& archivePath, const std::string& offeredVersion,
                           const std::string& password) {
    bool present = false;
    const std::string archived = ArchivedVersion(archivePath, password, present);
    if (!present || archived.empty() || archived == offeredVersion) {
        DeleteFileA(StaleMarker(archivePath).c_str());
        return;
    }
    DeleteFileA(archivePath.c_str());
    const std::string marker = StaleMarker(archivePath);
    tk::CreateFileForWriting(marker);
    throw EStaleUpdate("a sosit o copie veche a actualizarii (versiunea " + archived +
                       " in loc de " + offeredVersion +
                       "), pastrata probabil de un server intermediar. Va rugam sa incercati "
                       "din nou mai tarziu.");
}

std::string FreshArchiveUrl(const std::string& url, const std::string& archivePath) {
    if (!tk::FileExists(StaleMarker(archivePath))) return url;
    // The partial bytes came through the same cache: they are not continued either.
    DeleteFileA(download::TPartFile::PartName(archivePath).c_str());
    DeleteFileA(download::TPartFile::TagName(archivePath).c_str());
    SYSTEMTIME now;
    GetSystemTime(&now);
    FILETIME stamp;
    SystemTimeToFileTime(&now, &stamp);
    char query[32];
    wsprintfA(query, "?r=%08lx%08lx", stamp.dwHighDateTime, stamp.dwLowDateTime);
    return url + query;
}

}  // namespace quill::update
