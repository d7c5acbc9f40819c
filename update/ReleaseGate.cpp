#include "update/ReleaseGate.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <memory>
#include <thread>

#include "download/HttpCore.h"
#include "update/SignatureCheck.h"
#include "update/UpdateSignature.h"
#include "update/VersionHistory.h"
#include "update/utils.h"
#include "toolkit/Application.h"
#include "toolkit/SysUtils.h"

namespace quill::update {

namespace {

// A manifest that verifies with a built-in key; empty otherwise.
std::optional<ReleaseManifest> VerifiedManifest(const std::string& text) {
    const auto parsed = ParseManifest(text);
    if (!parsed || !VerifySignature(UpdatePublicKeys, parsed->SignedBytes, parsed->Signature))
        return std::nullopt;
    return parsed->Manifest;
}

// The installed version: the command line's, or the main executable's when that text is not
// a version.
FileVersion InstalledVersion(const std::string& text) {
    if (const auto version = ParseVersion(text)) return *version;
    if (const auto version = FileVersionOf(ProgramFolder() + MainExecutable)) return *version;
    return {};
}

int64_t Now() {
    return int64_t(std::time(nullptr));
}

}  // namespace

std::string ManifestUrl() {
    return std::string(ServerBase) + ArchiveName + ManifestSuffix;
}

std::optional<std::string> FetchOffGuiThread(const std::string& url, size_t limit,
                                             unsigned deadlineMs) {
    // Shared with the worker, which may outlive a wait that gave up at the deadline.
    struct Shared {
        std::atomic<bool> done{false};
        std::optional<std::string> body;
    };
    auto shared = std::make_shared<Shared>();
    const DWORD caller = GetCurrentThreadId();
    std::thread([shared, url, limit, caller, deadlineMs] {
        download::HttpBody reply =
            download::FetchSmallBody(url, limit, std::chrono::milliseconds(deadlineMs));
        if (reply.ok) shared->body = std::move(reply.body);
        shared->done.store(true);
        PostThreadMessageA(caller, WM_NULL, 0, 0);  // wakes the wait below
    }).detach();

    // The core keeps the deadline; should it not, the wait still ends a little after it
    // (the timer wakes the wait then).
    const DWORD patience = deadlineMs + 2000;
    const UINT_PTR timer = SetTimer(nullptr, 0, patience, nullptr);
    const DWORD start = GetTickCount();
    while (!shared->done.load() && GetTickCount() - start < patience)
        tk::Application.HandleMessage();
    if (timer) KillTimer(nullptr, timer);
    if (!shared->done.load()) return std::nullopt;
    return shared->body;
}

bool TReleaseGate::Refuse(Refusal refusal) {
    FRefused = true;
    tk::ShowMessage(RefusalText(refusal));
    return false;
}

bool TReleaseGate::AdmitRelease(const std::string& announcedVersion,
                                const std::string& installedVersion) {
    if (!HasUpdateKeys()) return true;
    const auto text = FetchOffGuiThread(ManifestUrl(), MaxManifestSize, ManifestDeadlineMs);
    if (!text) return Refuse(Refusal::Unavailable);
    const auto manifest = VerifiedManifest(*text);
    if (!manifest) return Refuse(Refusal::Unverified);
    const InstallationFacts facts{ParseVersion(announcedVersion),
                                  InstalledVersion(installedVersion), HighestRecordedVersion(),
                                  Now()};
    const Refusal refusal = JudgeManifest(*manifest, facts);
    if (refusal != Refusal::None) return Refuse(refusal);
    FManifest = manifest;
    return true;
}

bool TReleaseGate::AdmitProgress(int64_t received) {
    if (!FManifest) return true;
    if (FRefused) return false;
    if (received < 0 || uint64_t(received) <= FManifest->Size) return true;
    return Refuse(Refusal::ArchiveTooLong);
}

bool TReleaseGate::AdmitArchive(const std::string& archivePath) {
    if (!FManifest) return true;
    // Readers may share it (the archive component and the engine open it by name); no
    // writer, renamer or deleter may, until the gate goes after the extraction.
    FArchive = tk::OpenFileForReading(archivePath, FILE_FLAG_SEQUENTIAL_SCAN);
    const auto digest = FArchive ? DigestOpenFile(FArchive.Get()) : std::nullopt;
    if (digest && digest->Size == FManifest->Size && digest->Sha256 == FManifest->Sha256)
        return true;
    FArchive.Reset();
    DeleteFileA(archivePath.c_str());
    return Refuse(Refusal::ArchiveDiffers);
}

bool WarnOfFrozenServer(const std::string& installedVersion) {
    if (!HasUpdateKeys()) return false;
    const auto text = FetchOffGuiThread(ManifestUrl(), MaxManifestSize, ManifestDeadlineMs);
    const auto manifest = text ? VerifiedManifest(*text) : std::nullopt;
    if (!manifest || !SuggestsFrozenServer(*manifest, InstalledVersion(installedVersion), Now()))
        return false;
    tk::ShowMessage(FrozenServerText);
    return true;
}

}  // namespace quill::update
