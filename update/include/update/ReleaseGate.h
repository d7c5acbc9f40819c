#pragma once
// The signed release manifest's checks around one download, for an updater built with the
// vendor's keys: before the download the manifest must verify and name the announced,
// newer release; during it no more bytes than the manifest's size may arrive; after it the
// archive's size and SHA-256 must be the manifest's, over the very bytes then extracted.
// Built without keys, every check lets the update through, as before.
//
// Each refusal is told to the user in one box; the caller then ends the program without
// having touched the program folder or the main application.

#include <cstdint>
#include <optional>
#include <string>

#include "update/ReleaseManifest.h"
#include "toolkit/Handles.h"

namespace quill::update {

// The whole fetch of a manifest, connection included, ends within this.
inline constexpr unsigned ManifestDeadlineMs = 20000;

// The manifest's URL: the archive's URL followed by ".manifest".
std::string ManifestUrl();

// Fetches url (a small body, fresh from the server, through the download core) on a worker
// thread while the calling thread keeps serving its messages; empty when the server does
// not answer with a complete 2xx body within the deadline.
std::optional<std::string> FetchOffGuiThread(const std::string& url, size_t limit,
                                             unsigned deadlineMs);

class TReleaseGate {
public:
    // Before the download. False (after telling why) when the release may not be
    // downloaded.
    bool AdmitRelease(const std::string& announcedVersion, const std::string& installedVersion);
    // During the download: false (after telling why) once more bytes than the manifest's
    // size have arrived.
    bool AdmitProgress(int64_t received);
    // After the download: false (after telling why, the archive deleted) unless the archive's
    // size and SHA-256 are the manifest's. The archive then stays open against writers
    // until the gate goes.
    bool AdmitArchive(const std::string& archivePath);

private:
    bool Refuse(Refusal refusal);
    std::optional<ReleaseManifest> FManifest;
    tk::TFileHandle FArchive;
    bool FRefused = false;
};

// At start-up, when the version reply offers nothing new: with keys, a verified manifest
// that has expired or names an older version than the installed one is told once in a box
// (a stale or replayed answer). Returns whether it was told. Silent when nothing verifies.
bool WarnOfFrozenServer(const std::string& installedVersion);

}  // namespace quill::update
